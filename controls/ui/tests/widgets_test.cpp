#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <numbers>
#include <vector>

#include "controls/ui/kvmeter.h"
#include "controls/ui/kvmidikeyb.h"
#include "controls/ui/kvplib.h"
#include "controls/ui/kvslider.h"
#include "controls/ui/kvspinbutton.h"
#include "controls/ui/kvstatuscontrol.h"
#include "controls/ui/spinconversion.h"
#include "controls/ui/tests/qtapp.h"

namespace kv {
namespace {

// A vertical spin with an edit beside it in a dialog, on a clock the test moves.
class SpinTest : public testing::Test {
protected:
    void SetUp() override
    {
        dialog = std::make_unique<QWidget>();
        dialog->resize(200, 100);
        edit = new QLineEdit(dialog.get());
        edit->setGeometry(10, 10, 60, 24);
        spin = new KVSpinButton(spin::kVertical | spin::kHasEdit, dialog.get());
        spin->setGeometry(70, 10, 16, 24);
        SetControlId(spin, 100);
        SetControlId(edit, 101);
        spin->SetClock([this] { return now; });
        QObject::connect(spin, &KVSpinButton::notify, [this](int code) { codes.push_back(code); });
        ASSERT_TRUE(SpinSetup(dialog.get(), 100, 0, 1000, 500));
        codes.clear();
    }
    const QPoint kUp{8, 3};
    const QPoint kDown{8, 20};

    std::unique_ptr<QWidget> dialog;
    QLineEdit* edit = nullptr;
    KVSpinButton* spin = nullptr;
    int64_t now = 10000;
    std::vector<int> codes;
};

TEST_F(SpinTest, SetupAttachesTheNextControlAsEdit)
{
    EXPECT_EQ(spin->Edit(), edit);
    EXPECT_EQ(edit->text(), "500");
    EXPECT_EQ(spin->GetRange(), 0u | (1000u << 16));
    EXPECT_EQ(spin->objectName(), "KVSpinButton");
}

TEST_F(SpinTest, LeftClickStepsByOneRightClickByTen)
{
    QTest::mouseClick(spin, Qt::LeftButton, {}, kUp);
    EXPECT_EQ(edit->text(), "501");
    QTest::mouseClick(spin, Qt::RightButton, {}, kDown);
    EXPECT_EQ(edit->text(), "491");
    EXPECT_EQ(spin->GetValue(), 491);
    EXPECT_EQ(codes, (std::vector<int>{spin::kValueChanged, spin::kArrowReleased, spin::kValueChanged,
                                       spin::kArrowReleased}));
    EXPECT_EQ(edit->selectedText(), "491");  // the whole text is selected
}

TEST_F(SpinTest, HoldingRepeatsAfter400ThenEvery50WhileOnTheArrow)
{
    QTest::mousePress(spin, Qt::LeftButton, {}, kUp);
    EXPECT_EQ(spin->GetValue(), 501);
    EXPECT_EQ(spin->RepeatInterval(), 400);
    now += 399;
    spin->RepeatTick();
    EXPECT_EQ(spin->GetValue(), 501);
    now += 1;
    spin->RepeatTick();
    EXPECT_EQ(spin->GetValue(), 502);
    EXPECT_EQ(spin->RepeatInterval(), 50);
    now += 100;  // two more: at 450 and 500 ms
    spin->RepeatTick();
    EXPECT_EQ(spin->GetValue(), 504);
    QTest::mouseMove(spin, kDown);  // off the pressed arrow: no steps
    now += 200;
    spin->RepeatTick();
    EXPECT_EQ(spin->GetValue(), 504);
    QTest::mouseMove(spin, kUp);
    now += 50;
    spin->RepeatTick();
    EXPECT_EQ(spin->GetValue(), 505);
    QTest::mouseRelease(spin, Qt::LeftButton, {}, kUp);
    EXPECT_EQ(spin->RepeatInterval(), -1);
    EXPECT_EQ(codes.back(), spin::kArrowReleased);
}

TEST_F(SpinTest, ArrowKeysInTheEditStep)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->text(), "501");
}

TEST_F(SpinTest, TypedTextIsClampedWhenTheEditLosesFocus)
{
    edit->setText("4000");
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(edit, &out);
    EXPECT_EQ(spin->GetValue(), 1000);
    EXPECT_EQ(edit->text(), "1000");
    EXPECT_EQ(codes, (std::vector<int>{spin::kValueChanged, spin::kEditUnfocused, spin::kArrowReleased}));
}

TEST(KVSpinButton, OwnEditSitsLeftOfTheArrowsAndForwardsKeys)
{
    KVSpinButton spin(spin::kVertical | spin::kHasEdit | spin::kOwnEdit);
    spin.resize(80, 24);
    spin.show();  // a hidden widget gets its resize event when shown
    spin.Setup(-5, 5, 0);
    ASSERT_NE(spin.Edit(), nullptr);
    EXPECT_EQ(spin.Edit()->objectName(), "KVSBEdit");
    EXPECT_EQ(spin.Edit()->geometry(), QRect(0, 0, 64, 24));
    EXPECT_EQ(spin.ArrowRect(), QRect(64, 0, 16, 24));
    QTest::keyClick(spin.Edit(), Qt::Key_Down);
    EXPECT_EQ(spin.Edit()->text(), "-1");
    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(70, 3));
    EXPECT_EQ(spin.GetValue(), 0);
    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(30, 3));  // on the edit, not an arrow
    EXPECT_EQ(spin.GetValue(), 0);
}

TEST(KVSpinButton, OwnEditScrollsOnlyWithStyle0x2000)
{
    KVSpinButton fixed(spin::kHasEdit | spin::kOwnEdit);
    fixed.resize(40, 24);
    fixed.show();
    KVSpinButton scrolling(spin::kHasEdit | spin::kOwnEdit | spin::kOwnEditScrolls);
    scrolling.resize(40, 24);
    scrolling.show();
    for (KVSpinButton* spin : {&fixed, &scrolling}) {
        spin->Edit()->clear();
        QTest::keyClicks(spin->Edit(), "1234567890123456789012345");
    }
    EXPECT_LT(fixed.Edit()->text().size(), 25);
    EXPECT_GT(fixed.Edit()->text().size(), 0);
    EXPECT_EQ(scrolling.Edit()->text().size(), 25);
}

TEST(KVSpinButton, ParentConvertsTheTextOfATimeField)
{
    // A clock field: the text is seconds with a decimal point, the value
    // milliseconds; the parent converts both ways and steps by a second.
    KVSpinButton spin(spin::kHasEdit | spin::kOwnEdit | spin::kParentConverts);
    spin.resize(100, 24);
    QObject::connect(&spin, &KVSpinButton::notify, [&spin](int code) {
        if (code == spin::kConvertText) {
            bool ok = false;
            const double seconds = spin.Edit()->text().toDouble(&ok);
            spin.SetConverted(ok, int(seconds * 1000 + 0.5) + spin.PendingStep() * 1000);
            spin.SetPendingStep(0);
        } else if (code == spin::kWriteText) {
            spin.Edit()->setText(QString::number(spin.StoredValue() / 1000.0, 'f', 3));
        }
    });
    spin.Setup(0, 60000, 1500);
    EXPECT_EQ(spin.Edit()->text(), "1.500");
    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(95, 12));  // right half: up
    EXPECT_EQ(spin.GetValue(), 2500);
    EXPECT_EQ(spin.Edit()->text(), "2.500");
    spin.Edit()->setText("nonsense");
    EXPECT_EQ(spin.GetValue(), 2500);  // ok = 0: the text is invalid, the value stays
}

TEST(AttachConversion, TempoFieldInHundredthsStepsByWholeUnits)
{
    // "120.50" is 12050 hundredths; an arrow step is 1.00.
    KVSpinButton spin(spin::kVertical | spin::kHasEdit | spin::kOwnEdit | spin::kParentConverts);
    spin.resize(80, 24);
    spin.show();
    AttachConversion(
        &spin,
        [](const std::string& text) -> std::optional<int32_t> {
            bool ok = false;
            const double v = QString::fromStdString(text).toDouble(&ok);
            return ok ? std::optional<int32_t>(int32_t(v * 100 + 0.5)) : std::nullopt;
        },
        [](int32_t v) { return QString::number(v / 100.0, 'f', 2).toStdString(); }, 100);
    spin.Setup(800, 35000, 12050);
    EXPECT_EQ(spin.Edit()->text(), "120.50");
    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(70, 3));
    EXPECT_EQ(spin.GetValue(), 12150);
    EXPECT_EQ(spin.Edit()->text(), "121.50");
    QTest::mouseClick(&spin, Qt::RightButton, {}, QPoint(70, 20));
    EXPECT_EQ(spin.Edit()->text(), "111.50");
    spin.Edit()->setText("fast");
    EXPECT_EQ(spin.GetValue(), 11150);
}

TEST(KVSpinButton, EmptyStateAndPendingOutOfRange)
{
    KVSpinButton spin(spin::kHasEdit | spin::kOwnEdit | spin::kAllowEmpty | spin::kReportOutOfRange);
    spin.resize(80, 24);
    std::vector<int> codes;
    QObject::connect(&spin, &KVSpinButton::notify, [&](int code) { codes.push_back(code); });
    spin.Setup(1, 16, 16);
    EXPECT_FALSE(spin.SetEmpty());
    EXPECT_TRUE(spin.IsEmpty());
    EXPECT_EQ(spin.Edit()->text(), "");
    QTest::keyClicks(spin.Edit(), "20");
    EXPECT_FALSE(spin.IsEmpty());
    codes.clear();
    EXPECT_EQ(spin.GetValue(), 16);
    EXPECT_TRUE(spin.IsPending());
    EXPECT_EQ(codes, std::vector<int>{spin::kOutOfRange});
}

TEST(KVSpinButton, WithoutEditScrollsTheValue)
{
    KVSpinButton spin(0);  // horizontal, no edit
    spin.resize(30, 15);
    std::vector<int> scrolled;
    QObject::connect(&spin, &KVSpinButton::scrolled, [&](int v) { scrolled.push_back(v); });
    spin.Setup(0, 9, 5);
    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(25, 7));
    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(2, 7));
    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(2, 7));
    EXPECT_EQ(scrolled, (std::vector<int>{6, 5, 4}));
}

TEST(KVSlider, KnobFollowsThePointerAngle)
{
    KVSlider knob(slider::kKnob);
    knob.resize(101, 101);
    knob.SetRange(0, 127);
    std::vector<int> codes;
    QObject::connect(&knob, &KVSlider::notify, [&](int code) { codes.push_back(code); });
    struct Case {
        QPoint at;
        int16_t position;
    };
    // Centre (50, 50). Straight up is pi/2: 127 - 127 x (3/4) x 2/3 = 63.5 -> 63.
    const Case cases[] = {
        {{50, 10}, 63},  {{90, 50}, 105},  // 0 rad: 105.83
        {{10, 50}, 21},                    // pi: 21.17
        {{10, 90}, 0},                     // lower left: 5 pi / 4 -> minimum
        {{90, 90}, 127},                   // lower right: -pi / 4 -> maximum
        {{50, 90}, 127},                   // straight down is -pi / 2, past the maximum's end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.at.x() << "," << c.at.y());
        QTest::mousePress(&knob, Qt::LeftButton, {}, c.at);
        QTest::mouseRelease(&knob, Qt::LeftButton, {}, c.at);
        EXPECT_EQ(knob.Position(), c.position);
    }
    EXPECT_EQ(codes.back(), slider::kReleased);
}

TEST(KVSlider, LinearVerticalHasTheMinimumAtTheBottom)
{
    KVSlider s(0);
    s.resize(20, 108);  // track of 100 pixels between 4-pixel thumb halves
    s.SetRange(0, 99);
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(10, 4));
    EXPECT_EQ(s.Position(), 99);
    QTest::mouseMove(&s, QPoint(10, 103));
    EXPECT_EQ(s.Position(), 0);
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(10, 103));
    s.ShowNoPosition();
    EXPECT_FALSE(s.HasPosition());
    s.SetPosition(500);
    EXPECT_TRUE(s.HasPosition());
    EXPECT_EQ(s.Position(), 99);
    std::vector<int> codes;
    QObject::connect(&s, &KVSlider::notify, [&](int code) { codes.push_back(code); });
    s.SetRange(0, 50);
    EXPECT_EQ(codes, (std::vector<int>{slider::kRangeChanged, slider::kPositionChanged}));
    EXPECT_EQ(s.GetRange(), 50u << 16);
}

TEST(KVMeter, TextAndClicks)
{
    KVMeter m;
    EXPECT_EQ(m.MeterText(), "50%");
    m.SetMaximum(0);
    EXPECT_EQ(m.MeterText(), "0%");
    m.SetMaximum(200);
    m.SetValue(150);
    EXPECT_EQ(m.MeterText(), "75%");
    std::vector<int> codes;
    QObject::connect(&m, &KVMeter::notify, [&](int code) { codes.push_back(code); });
    QTest::mouseClick(&m, Qt::LeftButton);
    QTest::mouseDClick(&m, Qt::LeftButton);
    EXPECT_EQ(codes.front(), meter::kClicked);
    EXPECT_EQ(codes.back(), meter::kDoubleClicked);
}

TEST(KVmidiKeyB, ClicksDragsAndLatchesReportToTheParent)
{
    KVmidiKeyB k;
    k.SetRange(12, 60);  // one octave, 7 white keys
    k.resize(70, 60);
    k.SetTemplate(0x99 << 16 | 64);
    std::vector<uint32_t> sent;
    QObject::connect(&k, &KVmidiKeyB::keyMessage, [&](uint32_t m) { sent.push_back(m); });
    QTest::mousePress(&k, Qt::LeftButton, {}, QPoint(3, 50));  // C4
    QTest::mouseMove(&k, QPoint(8, 10));                       // onto C#4
    QTest::mouseRelease(&k, Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_EQ(sent, (std::vector<uint32_t>{0x993C40, 0x993C00, 0x993D40, 0x993D00}));
    sent.clear();
    QTest::mouseClick(&k, Qt::RightButton, {}, QPoint(25, 50));  // E4 latched
    EXPECT_TRUE(k.IsDown(64));
    k.ReleaseAll();
    EXPECT_EQ(sent, (std::vector<uint32_t>{0x994040, 0x994000}));
    k.ShowPressed(62);
    EXPECT_TRUE(k.IsDown(62));
    EXPECT_EQ(sent.size(), 2u);  // shown keys are not reported
    EXPECT_EQ(k.Range(), 12u | 60u << 16);
}

TEST(KVmidiKeyB, DefaultRangeAndFirstKeyMovesToWhite)
{
    KVmidiKeyB k;
    EXPECT_EQ(k.Range(), 37u | 48u << 16);
    EXPECT_EQ(k.Template(), 0x900064u);
    k.SetRange(24u | 61u << 16);
    EXPECT_EQ(k.FirstKey(), 60);
}

TEST(KVStatusControl, ShowsTextAndNotifiesClicks)
{
    KVStatusControl s;
    s.SetText("Ready");
    EXPECT_EQ(s.Text(), "Ready");
    std::vector<int> codes;
    QObject::connect(&s, &KVStatusControl::notify, [&](int code) { codes.push_back(code); });
    QTest::mouseClick(&s, Qt::LeftButton);
    EXPECT_EQ(codes, std::vector<int>{1});
}

}  // namespace
}  // namespace kv
