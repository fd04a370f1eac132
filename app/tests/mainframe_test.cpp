#include "app/mainframe.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include "platform/qt/qtmessages.h"

namespace kv {
namespace {

// The main window opens, runs its event loop and closes cleanly.
TEST(CMainFrame, OpensAndClosesOffscreen)
{
    int argc = 1;
    char name[] = "kv_app_tests";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    QtMessages messages;
    auto* frame = new CMainFrame(messages);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<CMainFrame> watch(frame);
    frame->show();
    EXPECT_EQ(frame->windowTitle(), "Kelvane Professional");
    EXPECT_TRUE(frame->isVisible());

    QTimer::singleShot(0, frame, &QWidget::close);
    app.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
}

}  // namespace
}  // namespace kv
