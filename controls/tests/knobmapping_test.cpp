#include "controls/knobmapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace kv {
namespace {

constexpr double kPi = std::numbers::pi;

TEST(KnobAngle, MeasuresCounterClockwiseFromRightWithBottomRaised)
{
    struct Case {
        int x, y;
        double angle;
    };
    // Centre (50, 50); y grows downwards.
    const Case cases[] = {
        {60, 50, 0},
        {50, 40, kPi / 2},
        {40, 50, kPi},
        {50, 60, -kPi / 2},  // straight down is exactly -pi/2, not below it
        {49, 60, 3 * kPi / 2 - std::atan2(1.0, 10.0)},
        {51, 60, -kPi / 2 + std::atan2(1.0, 10.0)},
        {50, 50, 0},  // exactly at the centre: x - centre taken as 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_NEAR(KnobAngle(50, 50, c.x, c.y), c.angle, 1e-12);
    }
}

TEST(KnobPositionForAngle, MapsTheTravelLinearlyAndTruncates)
{
    struct Case {
        double angle;
        int16_t expected;
    };
    // Range 0..127: position = 127 - 127 * (angle + pi/4) * 2 / (3 pi).
    const Case cases[] = {
        {5 * kPi / 4, 0},                          // lower left and beyond: minimum
        {3 * kPi / 2, 0}, {-kPi / 4 - 1e-9, 127},  // lower right beyond: maximum
        {-kPi / 4, 127},                           // 127 - 0
        {0, 105},                                  // 127 - 127 * (1/4) * 2/3 = 105.83
        {kPi / 2, 63},                             // 127 - 127 * (3/4) * 2/3 = 63.5
        {kPi, 21},                                 // 127 - 127 * (5/4) * 2/3 = 21.17
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        EXPECT_EQ(KnobPositionForAngle(c.angle, 0, 127), c.expected);
    }
    // Negative ranges truncate toward zero: -64..63 at pi/2 gives 63 - 63.5 = -0.5 -> 0.
    EXPECT_EQ(KnobPositionForAngle(kPi / 2, -64, 63), 0);
}

TEST(KnobAngleForPosition, InvertsTheEnds)
{
    EXPECT_NEAR(KnobAngleForPosition(0, 0, 127), 5 * kPi / 4, 1e-12);
    EXPECT_NEAR(KnobAngleForPosition(127, 0, 127), -kPi / 4, 1e-12);
    for (int p = 0; p <= 127; ++p) {
        // A small nudge toward the maximum survives the truncation.
        const double a = KnobAngleForPosition(int16_t(p), 0, 127) - 1e-9;
        EXPECT_EQ(KnobPositionForAngle(a, 0, 127), p);
    }
}

TEST(LinearPosition, ProportionalAlongTrackMinimumAtBottomWhenVertical)
{
    struct Case {
        unsigned style;
        int offset;
        int16_t expected;
    };
    // Track of 101 pixels, range 0..200: two units per pixel.
    const Case cases[] = {
        {slider::kHorizontal, 0, 0},
        {slider::kHorizontal, 100, 200},
        {slider::kHorizontal, 50, 100},
        {slider::kHorizontal, -5, 0},
        {slider::kHorizontal, 500, 200},
        {0, 0, 200},
        {0, 100, 0},
        {0, 25, 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.style << " " << c.offset);
        EXPECT_EQ(LinearPosition(c.style, 101, c.offset, 0, 200), c.expected);
        if (c.offset >= 0 && c.offset <= 100) {
            EXPECT_EQ(LinearOffset(c.style, 101, c.expected, 0, 200), c.offset);
        }
    }
    EXPECT_EQ(LinearPosition(0, 1, 0, -5, 5), -5);  // no track to speak of
}

}  // namespace
}  // namespace kv
