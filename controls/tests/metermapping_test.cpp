#include "controls/metermapping.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(Meter, PercentTextAndFill)
{
    struct Case {
        int value, maximum;
        const char* text;
        int fill;  // of 200 pixels
    };
    const Case cases[] = {
        {50, 100, "50%", 100},   {0, 100, "0%", 0},
        {100, 100, "100%", 200}, {150, 100, "100%", 200},  // clamped
        {-5, 100, "0%", 0},      {1, 3, "33%", 66},        // 100 / 3 truncated; 200 / 3 truncated
        {5, 0, "0%", 0},                                   // maximum 0 reads as 1 with value 0
        {7, -4, "0%", 0},        {2147483647, 2147483647, "100%", 200},  // no overflow in value x 100
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << "/" << c.maximum);
        EXPECT_EQ(MeterText(0, c.value, c.maximum, "ignored"), c.text);
        EXPECT_EQ(MeterFill(c.value, c.maximum, 200), c.fill);
    }
}

TEST(Meter, StyleChoosesText)
{
    EXPECT_EQ(MeterText(meter::kNoText, 50, 100, "Title"), "");
    EXPECT_EQ(MeterText(meter::kWindowText, 50, 100, "Title"), "Title");
    EXPECT_EQ(MeterText(meter::kIndent | meter::kInset, 50, 100, "Title"), "50%");
}

}  // namespace
}  // namespace kv
