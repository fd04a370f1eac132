#include "controls/scale.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace kv {
namespace {

TEST(ScaleUnsigned, TruncatesAndSaturates)
{
    struct Case {
        uint32_t a, b, c, expected;
    };
    const Case cases[] = {
        {480, 120, 96, 600},
        {7, 1, 2, 3},  // 3.5 truncated, not rounded
        {0, 0xFFFFFFFF, 1, 0},
        {0xFFFFFFFF, 1, 1, 0xFFFFFFFF},
        {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},  // exact: the product fits only in 64 bits
        {0x10000, 0x10000, 1, 0xFFFFFFFF},                 // 2^32 does not fit
        {0x10000, 0x10000, 0x10000, 0x10000},              // high part 1 is below c
        {0x10000, 0x10000, 2, 0x80000000},
        {0x20000, 0x10000, 2, 0xFFFFFFFF},  // high part 2 is not below c = 2
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " * " << c.b << " / " << c.c);
        EXPECT_EQ(ScaleUnsigned(c.a, c.b, c.c), c.expected);
    }
}

TEST(ScaleSigned, AppliesTheSignAfterScalingTheMagnitudes)
{
    struct Case {
        int32_t a, b, c, expected;
    };
    const Case cases[] = {
        {-480, 120, 96, -600},
        {-480, -120, 96, 600},
        {480, 120, -96, -600},
        {-480, -120, -96, -600},
        {-7, 1, 2, -3},                 // |-7| / 2 = 3, then the sign
        {0x10000, 0x10000, 1, -1},      // overflow: all ones as a positive result
        {-0x10000, 0x10000, 1, 1},      // overflow with a negative sign: -(all ones) = 1
        {INT32_MIN, 1, 1, INT32_MIN},   // magnitude 2^31 fits unsigned; the sign wraps back
        {INT32_MIN, -1, 1, INT32_MIN},  // +2^31 as a 32-bit product
        {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " * " << c.b << " / " << c.c);
        EXPECT_EQ(ScaleSigned(c.a, c.b, c.c), c.expected);
    }
}

}  // namespace
}  // namespace kv
