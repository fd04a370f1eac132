#include <gtest/gtest.h>

#include "app/document/viewtypes.h"
#include "app/document/windowlayout.h"
#include "platform/memorysettings.h"

namespace kv {
namespace {

WindowPlacement At(int32_t left, int32_t top, int32_t w, int32_t h, int32_t show = WindowPlacement::kNormal)
{
    WindowPlacement p;
    p.show = show;
    p.left = left;
    p.top = top;
    p.right = left + w;
    p.bottom = top + h;
    return p;
}

TEST(WindowLayout, PlacementRecordIs44BytesAndRoundTrips)
{
    const WindowPlacement p = At(10, 20, 300, 200, WindowPlacement::kMaximised);
    const std::vector<uint8_t> bytes = EncodePlacement(p);
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(bytes[0], 44);  // the record's own length first
    EXPECT_EQ(DecodePlacement(bytes), p);
}

TEST(WindowLayout, DamagedPlacementRecordsAreRejected)
{
    std::vector<uint8_t> good = EncodePlacement(At(0, 0, 100, 100));
    std::vector<uint8_t> shortRecord(good.begin(), good.end() - 1);
    std::vector<uint8_t> wrongLength = good;
    wrongLength[0] = 40;
    std::vector<uint8_t> inverted = EncodePlacement(At(100, 100, -50, 20));
    std::vector<uint8_t> empty = EncodePlacement(At(5, 5, 0, 0));
    for (const auto& bytes : {shortRecord, wrongLength, inverted, empty, std::vector<uint8_t>{}})
        EXPECT_FALSE(DecodePlacement(bytes).has_value());
}

// Two piano rolls and a score saved; restored over a track list and one
// piano roll: the piano roll takes the first entry, a second piano roll and
// a score open, the track list closes.
TEST(WindowLayout, TwoWindowsOfOneTypeSaveAndRestore)
{
    MemorySettings store;
    const WindowPlacement main = At(0, 0, 1024, 768, WindowPlacement::kMaximised);
    const std::vector<OpenWindow> open = {
        {kPiano, At(10, 10, 400, 300)},
        {kPiano, At(50, 60, 400, 300)},
        {kScore, At(100, 100, 500, 400)},
        {kNoView, At(1, 1, 2, 2)},  // not a song window: not stored
    };
    SaveWindowPositions(store, main, open);
    EXPECT_EQ(store.GetString(kProgramAppKey, kPlacementsSection, "Class0", ""), "CMainFrame");
    EXPECT_EQ(store.GetString(kProgramAppKey, kPlacementsSection, "Class2", ""), "CPiano");
    EXPECT_FALSE(store.Has(kProgramAppKey, kPlacementsSection, "Class4"));

    const WindowLayout layout = ReadWindowLayout(store);
    ASSERT_TRUE(layout.main.has_value());
    EXPECT_EQ(*layout.main, main);
    ASSERT_EQ(layout.windows.size(), 3u);

    const std::vector<RestoreAction> plan = PlanRestore(layout, {kTrkList, kPiano});
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan[0].kind, RestoreAction::kPlace);
    EXPECT_EQ(plan[0].window, 1);
    EXPECT_EQ(plan[0].placement, open[0].placement);
    EXPECT_EQ(plan[1].kind, RestoreAction::kOpen);
    EXPECT_EQ(plan[1].viewType, kPiano);
    EXPECT_EQ(plan[1].placement, open[1].placement);
    EXPECT_EQ(plan[2].kind, RestoreAction::kOpen);
    EXPECT_EQ(plan[2].viewType, kScore);
    EXPECT_EQ(plan[3].kind, RestoreAction::kClose);
    EXPECT_EQ(plan[3].window, 0);
}

TEST(WindowLayout, SavingAgainReplacesTheOldEntries)
{
    MemorySettings store;
    SaveWindowPositions(store, At(0, 0, 800, 600), {{kPiano, At(0, 0, 10, 10)}, {kScore, At(0, 0, 10, 10)}});
    SaveWindowPositions(store, At(0, 0, 800, 600), {{kMixer, At(0, 0, 10, 10)}});
    const WindowLayout layout = ReadWindowLayout(store);
    ASSERT_EQ(layout.windows.size(), 1u);
    EXPECT_EQ(layout.windows[0].className, "CMixer");
}

TEST(WindowLayout, SingleInstanceTypesOpenOnceAndUnknownClassesAreSkipped)
{
    WindowLayout layout;
    layout.main = At(0, 0, 800, 600);
    layout.windows = {{"CKeyboard", At(0, 0, 100, 50)},
                      {"CKeyboard", At(0, 60, 100, 50)},
                      {"CNoSuchView", At(0, 0, 10, 10)},
                      {"CSongView", At(5, 5, 100, 100)}};
    const std::vector<RestoreAction> plan = PlanRestore(layout, {kSongView});
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].kind, RestoreAction::kOpen);
    EXPECT_EQ(plan[0].viewType, kKeyboard);
    EXPECT_EQ(plan[1].kind, RestoreAction::kPlace);
    EXPECT_EQ(plan[1].window, 0);
}

TEST(WindowLayout, NoEntryZeroMeansNoLayout)
{
    MemorySettings store;
    store.WriteString(kProgramAppKey, kPlacementsSection, "Class1", "CPiano");
    store.WriteBinary(kProgramAppKey, kPlacementsSection, "Pos1", EncodePlacement(At(0, 0, 10, 10)));
    const WindowLayout layout = ReadWindowLayout(store);
    EXPECT_FALSE(layout.main.has_value());
    EXPECT_TRUE(layout.windows.empty());
}

TEST(WindowLayout, NormalWindowKeepsItsSizeAndOnlyMoves)
{
    const WindowPlacement moved = KeepSize(At(100, 50, 400, 300), 640, 480);
    EXPECT_EQ(moved.left, 100);
    EXPECT_EQ(moved.top, 50);
    EXPECT_EQ(moved.Width(), 640);
    EXPECT_EQ(moved.Height(), 480);
    const WindowPlacement max = At(0, 0, 400, 300, WindowPlacement::kMaximised);
    EXPECT_EQ(KeepSize(max, 640, 480), max);
}

TEST(WindowLayout, NewWindowTakesThePlacementOfItsClass)
{
    WindowLayout layout;
    layout.windows = {{"CPiano", At(1, 2, 30, 40)}, {"CPiano", At(9, 9, 30, 40)}};
    ASSERT_TRUE(PlacementForClass(layout, "CPiano").has_value());
    EXPECT_EQ(PlacementForClass(layout, "CPiano")->left, 1);
    EXPECT_FALSE(PlacementForClass(layout, "CScore").has_value());
}

}  // namespace
}  // namespace kv
