#include "platform/qt/qtmessages.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>

#include <cstdlib>

namespace kv {
namespace {

constexpr const char* kCaption = "Kelvane Professional";

QMessageBox::StandardButtons ButtonsOf(unsigned style)
{
    switch (style & box::kButtonMask) {
        case box::kOkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case box::kAbortRetryIgnore:
            return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        case box::kYesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case box::kYesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case box::kRetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        default:
            return QMessageBox::Ok;
    }
}

QMessageBox::Icon IconOf(unsigned style)
{
    switch (style & box::kIconMask) {
        case box::kIconStop:
            return QMessageBox::Critical;
        case box::kIconQuestion:
            return QMessageBox::Question;
        case box::kIconWarning:
            return QMessageBox::Warning;
        case box::kIconInfo:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

Button ButtonOf(int pressed)
{
    switch (pressed) {
        case QMessageBox::Ok:
            return Button::Ok;
        case QMessageBox::Abort:
            return Button::Abort;
        case QMessageBox::Retry:
            return Button::Retry;
        case QMessageBox::Ignore:
            return Button::Ignore;
        case QMessageBox::Yes:
            return Button::Yes;
        case QMessageBox::No:
            return Button::No;
        default:
            return Button::Cancel;  // closing the box is Cancel
    }
}

}  // namespace

void QtMessages::SetStatusBar(QStatusBar* bar, QLabel* progressPane)
{
    m_statusBar = bar;
    m_progressPane = progressPane;
}

Button QtMessages::Box(unsigned style, int number, const std::string& text)
{
    QMessageBox box(IconOf(style), kCaption, QString::fromStdString(text), ButtonsOf(style),
                    QApplication::activeWindow());
    return ButtonOf(box.exec());
}

void QtMessages::Fatal(int number, const std::string& text)
{
    if (onFatal)
        onFatal();
    QMessageBox::critical(QApplication::activeWindow(), kCaption, QString::fromStdString(text));
    std::exit(EXIT_FAILURE);
}

void QtMessages::Progress(int position, int maximum)
{
    if (!m_progressPane)
        return;
    if (maximum <= 0) {
        m_progressPane->clear();
        return;
    }
    m_progressPane->setText(QString::asprintf("%d%%", int(int64_t(position) * 100 / maximum)));
}

void QtMessages::Prompt(int number)
{
    if (!m_statusBar)
        return;
    const char* text = LoadString(number);
    m_statusBar->showMessage(QString::fromUtf8(text ? text : kMissingString));
}

void QtMessages::WaitCursor(bool on)
{
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

}  // namespace kv
