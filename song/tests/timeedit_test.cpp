#include "song/timeedit.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

class TimeEditTest : public testing::Test {
protected:
    void SetUp() override
    {
        sigs.entries = {{0, 1, 4, 2, 4}};  // 4/4, timebase 120, format 3
        p.timeSigs = &sigs;
    }
    TimeSigMap sigs;
    TimeParams p;
};

TEST_F(TimeEditTest, CaretChoosesThePart)
{
    // "12.3:005": measure before the ".", tick after the ":", beat between.
    struct Case {
        size_t caret;
        TimePart part;
    };
    const Case cases[] = {{0, TimePart::Measure}, {2, TimePart::Measure}, {3, TimePart::Beat},
                          {4, TimePart::Beat},    {5, TimePart::Tick},    {8, TimePart::Tick}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caret);
        EXPECT_EQ(PartAtCaret("12.3:005", c.caret), c.part);
    }
    EXPECT_EQ(PartAtCaret("2:010", 0), TimePart::Beat);
    EXPECT_EQ(PartAtCaret("2:010", 3), TimePart::Tick);
}

TEST_F(TimeEditTest, StepMovesThePartUnderTheCaret)
{
    struct Case {
        const char* text;
        size_t caret;
        int32_t step;
        const char* expected;
        size_t expectedCaret;
        bool overflow;
    };
    const Case cases[] = {
        {"2.3:005", 1, 1, "3.3:005", 1, false},
        {"2.3:005", 2, 1, "2.4:005", 2, false},
        {"2.4:005", 3, 1, "3.1:005", 3, false},     // beat carries; caret after the beat digit
        {"2.1:005", 5, -10, "1.4:115", 5, false},   // 485 - 10 = 475
        {"1.1:000", 2, -1, "1.1:000", 2, false},    // never before the start
        {"99.1:000", 2, 1, "100.1:000", 2, false},  // the measure grows a digit; caret stays in it
        {"9999.4:119", 6, 1, "9999.4:119", 6, true},
        {"9999.1:000", 0, 1, "9999.4:119", 0, true},  // clamped to the last tick
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const TimeFieldStep r = StepTimeField(p, c.text, c.caret, c.step, true);
        EXPECT_EQ(r.text, c.expected);
        EXPECT_EQ(r.caret, c.expectedCaret);
        EXPECT_EQ(r.overflow, c.overflow);
        EXPECT_EQ(PartAtCaret(r.text, r.caret), PartAtCaret(c.text, c.caret));
    }
}

TEST_F(TimeEditTest, StepOnDurationsMovesBeatsAndTicks)
{
    TimeFieldStep r = StepTimeField(p, "2:010", 0, 1, false);
    EXPECT_EQ(r.text, "3:010");
    EXPECT_EQ(r.tick, 370);
    r = StepTimeField(p, "2:010", 4, -11, false);
    EXPECT_EQ(r.text, "1:119");
    EXPECT_EQ(r.caret, 4u);
    r = StepTimeField(p, "0:005", 0, -1, false);  // never negative
    EXPECT_EQ(r.text, "0:000");
}

TEST(NoteField, StepsByKeyOrOctave)
{
    EXPECT_EQ(StepNoteField(60, 1), 61);
    EXPECT_EQ(StepNoteField(60, -1), 59);
    EXPECT_EQ(StepNoteField(60, 5), 72);
    EXPECT_EQ(StepNoteField(60, -5), 48);
    EXPECT_EQ(StepNoteField(127, 1), 127);
    EXPECT_EQ(StepNoteField(5, -12), 0);
}

TEST_F(TimeEditTest, ContextMenuOffersClickedTimeAndMeasureBounds)
{
    // Tick 700 is 2.2:100; its measure runs from 480 to 959.
    const auto items = TimeContextMenu(p, 700);
    const char* texts[] = {"Play Start at 2.2:100", "Play Start at 2.1:000", "Set From to 2.2:100",
                           "Set From to 2.1:000",   "Set To to 2.2:100",     "Set To to 2.4:119"};
    const int32_t ticks[] = {700, 480, 700, 480, 700, 959};
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i].text, texts[i]);
        EXPECT_EQ(items[i].tick, ticks[i]);
        EXPECT_EQ(items[i].isDefault, i == 0);
    }
    EXPECT_EQ(items[1].command, TimeMenuCommand::PlayStart);
    EXPECT_EQ(items[3].command, TimeMenuCommand::SetFrom);
    EXPECT_EQ(items[5].command, TimeMenuCommand::SetTo);
}

}  // namespace
}  // namespace kv
