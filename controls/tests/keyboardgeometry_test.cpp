#include "controls/keyboardgeometry.h"

#include <gtest/gtest.h>

#include <vector>

namespace kv {
namespace {

TEST(KeyboardGeometry, FirstKeyMovesDownToWhiteAndRangeStaysInMidi)
{
    struct Case {
        int first, count, expectFirst, expectCount;
    };
    const Case cases[] = {
        {48, 37, 48, 37}, {49, 37, 48, 37},  {0, 128, 0, 128}, {120, 37, 120, 8},
        {-5, 10, 0, 10},  {200, 10, 127, 1}, {60, 0, 60, 1},   {26, 76, 26, 76},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << "+" << c.count);
        KeyboardGeometry g(c.first, c.count, 300, 60);
        EXPECT_EQ(g.FirstKey(), c.expectFirst);
        EXPECT_EQ(g.KeyCount(), c.expectCount);
    }
}

// One octave C4..B4 (60..71) in 70 x 60 pixels: seven white keys of 10
// pixels; black keys are 40 pixels high and span from two thirds of the
// white key below to one third of the white key above.
class OctaveGeometry : public testing::Test {
protected:
    KeyboardGeometry g{60, 12, 70, 60};
};

TEST_F(OctaveGeometry, KeyRects)
{
    struct Case {
        int key, x, width, height;
    };
    const Case cases[] = {
        {60, 0, 10, 60},  {62, 10, 10, 60},
        {71, 60, 10, 60}, {61, 6, 7, 40},  // 0 + 20/3 = 6 .. 10 + 10/3 = 13
        {63, 16, 7, 40},                   // 16 .. 23
        {66, 36, 7, 40},                   // F#: over F (30..40) and G (40..50)
        {70, 56, 7, 40},                   // A#: over A (50..60) and B (60..70)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const KeyRect r = g.Rect(c.key);
        EXPECT_EQ(r.x, c.x);
        EXPECT_EQ(r.width, c.width);
        EXPECT_EQ(r.height, c.height);
    }
    EXPECT_EQ(g.Rect(59).width, 0);
    EXPECT_EQ(g.Rect(72).width, 0);
}

TEST_F(OctaveGeometry, KeyUnderPoint)
{
    struct Case {
        int x, y, key;
    };
    const Case cases[] = {
        {0, 0, 60},   {5, 0, 60},   {6, 0, 61},   {12, 39, 61}, {13, 0, 62}, {12, 40, 62}, {8, 59, 60},
        {15, 50, 62}, {19, 5, 63},  {25, 5, 64},  {30, 5, 65},  {35, 5, 65}, {36, 5, 66},  {42, 5, 66},
        {43, 5, 67},  {69, 59, 71}, {69, 10, 71}, {56, 10, 70}, {-1, 5, -1}, {70, 5, -1},  {5, 60, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(g.KeyAt(c.x, c.y), c.key);
    }
}

TEST(KeyboardGeometry, EveryPixelOfTheBottomRowIsAWhiteKeyInOrder)
{
    // Default 37 keys from 48: 22 white keys over a width that does not divide.
    KeyboardGeometry g(48, 37, 331, 50);
    EXPECT_EQ(g.WhiteCount(), 22);
    int previous = -1;
    for (int x = 0; x < 331; ++x) {
        const int key = g.KeyAt(x, 49);
        ASSERT_FALSE(IsBlackKey(key)) << x;
        ASSERT_GE(key, previous);
        ASSERT_TRUE(g.Rect(key).Contains(x, 49));
        previous = key;
    }
    EXPECT_EQ(previous, 84);
}

TEST(KeyboardGeometry, BlackKeyAtTheRightEdgeReachesTheEdge)
{
    KeyboardGeometry g(60, 2, 20, 30);  // C4 and C#4: one white key
    const KeyRect r = g.Rect(61);
    EXPECT_EQ(r.x, 13);
    EXPECT_EQ(r.x + r.width, 20);
    EXPECT_EQ(g.KeyAt(19, 0), 61);
}

using Msgs = std::vector<KeyboardLogic::Packed>;

TEST(KeyboardLogic, PressDragReleaseReportsEachKey)
{
    KeyboardLogic k;
    k.SetTemplate(0x99, 64);
    EXPECT_EQ(k.LeftPress(60), (Msgs{0x993C40}));
    EXPECT_EQ(k.Drag(60), Msgs{});
    EXPECT_EQ(k.Drag(62), (Msgs{0x993C00, 0x993E40}));
    EXPECT_TRUE(k.IsDown(62));
    EXPECT_FALSE(k.IsDown(60));
    EXPECT_EQ(k.LeftRelease(), (Msgs{0x993E00}));
    EXPECT_EQ(k.LastPressed(), 62);
    EXPECT_EQ(k.LastReleased(), 62);
    EXPECT_EQ(k.Drag(64), Msgs{});  // no capture any more
}

TEST(KeyboardLogic, RightButtonLatchesAndLeftReleaseClearsLatches)
{
    KeyboardLogic k;  // default template 0x90, velocity 100
    EXPECT_EQ(k.Template(), 0x900064u);
    EXPECT_EQ(k.RightPress(60), (Msgs{0x903C64}));
    EXPECT_EQ(k.RightPress(64), (Msgs{0x904064}));
    EXPECT_EQ(k.RightPress(60), (Msgs{0x903C00}));  // toggled off
    EXPECT_TRUE(k.IsDown(64));
    k.LeftPress(67);
    EXPECT_EQ(k.LeftRelease(), (Msgs{0x904000, 0x904300}));
}

TEST(KeyboardLogic, ShownKeysAreNeverReported)
{
    KeyboardLogic k;
    k.ShowPressed(50);
    EXPECT_TRUE(k.IsDown(50));
    k.RightPress(52);
    EXPECT_EQ(k.ReleaseAll(), (Msgs{0x903400}));
    EXPECT_FALSE(k.IsDown(50));
    k.ShowPressed(53);
    k.ShowReleased(53);
    EXPECT_FALSE(k.IsDown(53));
    k.ShowPressed(200);  // out of range: ignored
    EXPECT_EQ(k.LeftPress(130), Msgs{});
}

}  // namespace
}  // namespace kv
