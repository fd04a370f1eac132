#include <QDir>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "controls/ui/kvmeter.h"
#include "controls/ui/kvmidikeyb.h"
#include "controls/ui/kvslider.h"
#include "controls/ui/kvspinbutton.h"
#include "controls/ui/kvstatuscontrol.h"
#include "controls/ui/tests/qtapp.h"

namespace kv {
namespace {

// Renders each control into a PNG under the build tree (never in git) for a
// person to look at; the test checks only that something was drawn.
TEST(KvplibRender, EachControlToPng)
{
    const QString dir = QStringLiteral(KV_RENDER_DIR);
    ASSERT_TRUE(QDir().mkpath(dir));
    struct Item {
        const char* name;
        std::function<std::unique_ptr<QWidget>()> make;
    };
    const Item items[] = {
        {"spinbutton",
         [] {
             auto w = std::make_unique<KVSpinButton>(spin::kVertical | spin::kHasEdit | spin::kOwnEdit);
             w->resize(80, 24);
             w->Setup(1, 16, 10);
             return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"slider",
         [] {
             auto w = std::make_unique<KVSlider>(slider::kHorizontal);
             w->resize(160, 24);
             w->SetRange(0, 127);
             w->SetPosition(90);
             return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"knob",
         [] {
             auto w = std::make_unique<KVSlider>(slider::kKnob);
             w->resize(48, 48);
             w->SetRange(0, 127);
             w->SetPosition(64);
             return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"meter",
         [] {
             auto w = std::make_unique<KVMeter>(meter::kInset);
             w->resize(160, 20);
             w->SetValue(37);
             return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"keyboard",
         [] {
             auto w = std::make_unique<KVmidiKeyB>();
             w->resize(330, 60);
             w->ShowPressed(60);
             w->ShowPressed(63);
             return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"status",
         [] {
             auto w = std::make_unique<KVStatusControl>();
             w->resize(160, 22);
             w->SetText(QStringLiteral("Playing 12:3:060"));
             return std::unique_ptr<QWidget>(std::move(w));
         }},
    };
    for (const Item& item : items) {
        SCOPED_TRACE(item.name);
        std::unique_ptr<QWidget> widget = item.make();
        const QPixmap pixmap = widget->grab();
        ASSERT_FALSE(pixmap.isNull());
        const QImage image = pixmap.toImage();
        // Something other than one flat colour was drawn.
        bool varied = false;
        const QRgb first = image.pixel(0, 0);
        for (int y = 0; y < image.height() && !varied; ++y)
            for (int x = 0; x < image.width() && !varied; ++x)
                varied = image.pixel(x, y) != first;
        EXPECT_TRUE(varied);
        EXPECT_TRUE(pixmap.save(dir + "/" + item.name + ".png"));
    }
}

}  // namespace
}  // namespace kv
