#include "controls/scale.h"

namespace kv {

uint32_t ScaleUnsigned(uint32_t a, uint32_t b, uint32_t c)
{
    const uint64_t p = uint64_t(a) * b;
    if ((p >> 32) >= c)
        return 0xFFFFFFFFu;
    return uint32_t(p / c);
}

int32_t ScaleSigned(int32_t a, int32_t b, int32_t c)
{
    // Magnitudes as unsigned, so INT32_MIN has one (2^31) instead of overflowing.
    auto magnitude = [](int32_t v) { return v < 0 ? uint32_t(0) - uint32_t(v) : uint32_t(v); };
    const bool negative = ((a < 0) != (b < 0)) != (c < 0);
    const uint32_t q = ScaleUnsigned(magnitude(a), magnitude(b), magnitude(c));
    // The 32-bit product of the sign and q: two's complement wrap-around.
    return int32_t(negative ? uint32_t(0) - q : q);
}

}  // namespace kv
