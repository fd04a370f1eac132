#include "controls/spinlogic.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kv {
namespace {

// A window and parent that record what the spin tells them. With the
// parent-converts style it answers conversion requests from `conversion`.
class RecordingHost : public SpinHost {
public:
    void Notify(int code) override
    {
        codes.push_back(code);
        if (code == spin::kConvertText && logic != nullptr) {
            if (takeStep) {
                convertedStep = logic->PendingStep();
                logic->SetPendingStep(0);
            }
            if (conversion)
                logic->SetConverted(true, *conversion + (takeStep ? convertedStep : 0));
            else
                logic->SetConverted(false, 0);
        }
        if (code == spin::kWriteText && logic != nullptr)
            text = "t=" + std::to_string(logic->StoredValue());
    }
    std::string EditText() const override { return text; }
    void SetEditText(const std::string& t) override { text = t; }
    void Scroll(int32_t value) override { scrolled.push_back(value); }

    SpinLogic* logic = nullptr;
    std::string text;
    std::vector<int> codes;
    std::vector<int32_t> scrolled;
    std::optional<int32_t> conversion;
    bool takeStep = false;
    int convertedStep = 0;
};

struct Spin {
    explicit Spin(unsigned style, bool edit = true) : logic(style, host)
    {
        host.logic = &logic;
        logic.SetHasEdit(edit);
    }
    RecordingHost host;
    SpinLogic logic;
};

TEST(ParseSpinNumber, AcceptsBlanksSignAndDigitsOnly)
{
    struct Case {
        const char* text;
        std::optional<int32_t> value;
    };
    const Case cases[] = {
        {"5", 5},
        {"  -12  ", -12},
        {"0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {"+5", std::nullopt},
        {"5a", std::nullopt},
        {"1 2", std::nullopt},
        {"\t5", std::nullopt},
        {"- 5", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseSpinNumber(c.text), c.value);
    }
}

TEST(SpinLogic, DefaultsAreZeroToNineAtFive)
{
    Spin s(spin::kHasEdit);
    EXPECT_EQ(s.logic.Minimum(), 0);
    EXPECT_EQ(s.logic.Maximum(), 9);
    EXPECT_EQ(s.logic.StoredValue(), 5);
}

TEST(SpinLogic, StepReadsTextAddsStepClampsAndRewrites)
{
    struct Case {
        const char* text;
        int delta;
        int32_t expected;
        const char* shown;
    };
    // Range 0..100 set up below, stored value 50.
    const Case cases[] = {
        {"7", 1, 8, "8"},    {" 7 ", -1, 6, "6"}, {"95", 10, 100, "100"},  // clamped at the top
        {"3", -10, 0, "0"},                                                // clamped at the bottom
        {"x", 1, 51, "51"},   // unreadable text steps from the stored value
        {"-40", 10, 0, "0"},  // -30 clamps to 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Spin s(spin::kHasEdit);
        s.logic.Setup(0, 100, 50);
        s.host.codes.clear();
        s.host.text = c.text;
        s.logic.Step(c.delta);
        EXPECT_EQ(s.logic.StoredValue(), c.expected);
        EXPECT_EQ(s.host.text, c.shown);
        EXPECT_EQ(s.host.codes, std::vector<int>{spin::kValueChanged});
    }
}

TEST(SpinLogic, OutOfRangeIsReportedNotClampedUnderStyle0x0100)
{
    Spin s(spin::kHasEdit | spin::kReportOutOfRange);
    s.logic.Setup(0, 10, 10);
    s.host.codes.clear();
    s.host.text = "10";
    s.logic.Step(1);
    EXPECT_EQ(s.logic.StoredValue(), 10);
    EXPECT_TRUE(s.logic.IsPending());
    EXPECT_EQ(s.host.codes, std::vector<int>{spin::kOutOfRange});
    EXPECT_EQ(s.host.text, "10");  // left for the user to see and correct

    s.host.codes.clear();
    s.host.text = "50";
    EXPECT_EQ(s.logic.GetValue(), 10);  // the old value
    EXPECT_EQ(s.host.codes, std::vector<int>{spin::kOutOfRange});

    EXPECT_EQ(s.logic.SetValue(11), -1);
    EXPECT_EQ(s.logic.StoredValue(), 10);
    EXPECT_EQ(s.logic.SetValue(4), 10);
    EXPECT_FALSE(s.logic.IsPending());
}

TEST(SpinLogic, SetValueClampsReturnsOldAndNotifiesOnlyWith0x0200)
{
    Spin plain(spin::kHasEdit);
    plain.logic.Setup(0, 20, 5);
    plain.host.codes.clear();
    EXPECT_EQ(plain.logic.SetValue(7), 5);
    EXPECT_EQ(plain.host.text, "7");
    EXPECT_EQ(plain.logic.SetValue(30), -1);  // out of range: clamped and reported as -1
    EXPECT_EQ(plain.logic.StoredValue(), 20);
    EXPECT_TRUE(plain.host.codes.empty());

    Spin notifying(spin::kHasEdit | spin::kNotifySetValue);
    notifying.host.codes.clear();
    notifying.logic.SetValue(3);
    EXPECT_EQ(notifying.host.codes, std::vector<int>{spin::kValueChanged});
}

TEST(SpinLogic, SetRangeReturnsOldRangeAndMovesValueToMiddle)
{
    Spin s(spin::kHasEdit);
    // Old range 0..9 packs as 0 | 9 << 16.
    EXPECT_EQ(s.logic.SetRange(20, 40), 9 << 16);
    EXPECT_EQ(s.logic.StoredValue(), 30);  // 5 is outside: (20 + 40) / 2
    EXPECT_EQ(s.host.codes.back(), spin::kRangeChanged);
    EXPECT_EQ(s.logic.SetRange(10, 5), -1);
    EXPECT_EQ(s.logic.Minimum(), 20);

    Spin reporting(spin::kHasEdit | spin::kReportOutOfRange);
    reporting.logic.SetRange(20, 40);
    EXPECT_EQ(reporting.logic.StoredValue(), 5);
    EXPECT_EQ(reporting.host.codes, (std::vector<int>{spin::kOutOfRange, spin::kRangeChanged}));
}

TEST(SpinLogic, SetupWidensDegenerateRangeAndCentresStrayValue)
{
    Spin s(spin::kHasEdit);
    s.logic.Setup(10, 10, 99);
    EXPECT_EQ(s.logic.Minimum(), 10);
    EXPECT_EQ(s.logic.Maximum(), 11);      // max <= min becomes min + 1
    EXPECT_EQ(s.logic.StoredValue(), 10);  // (10 + 11) / 2
}

TEST(SpinLogic, WithoutEditMovesByOneAndScrollsOrCommands)
{
    Spin scroll(0, false);
    scroll.logic.Setup(0, 3, 2);
    scroll.logic.Step(10);  // a right-button step still moves by one without an edit
    scroll.logic.Step(1);   // at the limit: nothing
    EXPECT_EQ(scroll.host.scrolled, std::vector<int32_t>{3});

    Spin command(spin::kNotifyByCommand, false);
    command.logic.Setup(0, 3, 2);
    command.host.codes.clear();
    command.logic.Step(-1);
    EXPECT_EQ(command.logic.StoredValue(), 1);
    EXPECT_EQ(command.host.codes, std::vector<int>{spin::kValueChanged});
}

TEST(SpinLogic, ParentConvertsTextAndMayTakeOverTheStep)
{
    Spin s(spin::kHasEdit | spin::kParentConverts);
    s.logic.Setup(0, 100000, 1000);
    s.host.codes.clear();
    s.host.conversion = 2000;
    s.logic.Step(1);
    EXPECT_EQ(s.logic.StoredValue(), 2001);
    EXPECT_EQ(s.host.codes, (std::vector<int>{spin::kConvertText, spin::kWriteText, spin::kValueChanged}));
    EXPECT_EQ(s.host.text, "t=2001");
    EXPECT_EQ(s.logic.PendingStep(), 0);

    // A parent that applies the step itself (1000 ms per arrow step for a
    // clock field) reads it with message 11 and clears it with message 12.
    s.host.takeStep = true;
    s.logic.Step(10);
    EXPECT_EQ(s.host.convertedStep, 10);
    EXPECT_EQ(s.logic.StoredValue(), 2010);

    // ok = 0 marks the text invalid: typing and leaving restores the display.
    s.host.conversion.reset();
    s.host.takeStep = false;
    s.host.codes.clear();
    s.logic.Commit();
    EXPECT_EQ(s.logic.StoredValue(), 2010);
    EXPECT_EQ(s.host.codes, (std::vector<int>{spin::kConvertText, spin::kWriteText}));
}

TEST(SpinLogic, EmptyStateOnlyWithAllowEmptyAndEdit)
{
    Spin s(spin::kHasEdit | spin::kAllowEmpty);
    s.host.text = "4";
    EXPECT_FALSE(s.logic.SetEmpty());
    EXPECT_TRUE(s.logic.IsEmpty());
    EXPECT_EQ(s.host.text, "");
    EXPECT_TRUE(s.logic.SetEmpty());  // it was empty already

    s.host.codes.clear();
    s.logic.TextEdited("3");
    EXPECT_FALSE(s.logic.IsEmpty());
    s.logic.TextEdited("  ");
    EXPECT_TRUE(s.logic.IsEmpty());
    EXPECT_EQ(s.host.codes, std::vector<int>{spin::kValueChanged});

    s.logic.Step(1);  // stepping out of the empty state
    EXPECT_FALSE(s.logic.IsEmpty());

    // 0x0040 without 0x0020 is ignored.
    Spin noEdit(spin::kAllowEmpty, false);
    EXPECT_EQ(noEdit.logic.Style(), 0u);
    noEdit.logic.SetEmpty();
    EXPECT_FALSE(noEdit.logic.IsEmpty());
}

TEST(SpinLogic, CommitClampsTypedTextAndNotifiesOnlyOnChange)
{
    Spin s(spin::kHasEdit);
    s.logic.Setup(0, 50, 10);
    s.host.codes.clear();
    s.host.text = " 70";
    s.logic.Commit();
    EXPECT_EQ(s.logic.StoredValue(), 50);
    EXPECT_EQ(s.host.text, "50");
    EXPECT_EQ(s.host.codes, std::vector<int>{spin::kValueChanged});
    s.host.codes.clear();
    s.logic.Commit();
    EXPECT_TRUE(s.host.codes.empty());
}

TEST(SpinArrowAt, HalvesByOrientationAndReversal)
{
    struct Case {
        unsigned style;
        int x, y, expected;
    };
    // A 20 x 20 arrow area.
    const Case cases[] = {
        {spin::kVertical, 5, 0, 1},
        {spin::kVertical, 5, 9, 1},
        {spin::kVertical, 5, 10, -1},
        {spin::kVertical, 5, 19, -1},
        {spin::kVertical | spin::kReversed, 5, 2, -1},
        {0, 10, 5, 1},
        {0, 9, 5, -1},
        {spin::kReversed, 15, 5, -1},
        {spin::kVertical, 5, 20, 0},
        {0, -1, 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.style << " " << c.x << "," << c.y);
        EXPECT_EQ(SpinArrowAt(c.style, 20, 20, c.x, c.y), c.expected);
    }
}

TEST(AutoRepeat, FirstRepeatAt400ThenEvery50WhileOnArrow)
{
    AutoRepeat r;
    r.Press(1000);
    EXPECT_EQ(r.Poll(1399, true), 0);
    EXPECT_EQ(r.Poll(1400, true), 1);
    EXPECT_EQ(r.Poll(1449, true), 0);
    EXPECT_EQ(r.Poll(1450, true), 1);
    EXPECT_EQ(r.Poll(1600, true), 3);   // 1500, 1550, 1600
    EXPECT_EQ(r.Poll(1700, false), 0);  // off the arrow: 1650 and 1700 are lost
    EXPECT_EQ(r.Poll(1750, true), 1);
    r.Release();
    EXPECT_EQ(r.Poll(5000, true), 0);
}

}  // namespace
}  // namespace kv
