#pragma once

#include <cstdint>

namespace kv {

// a * b / c with a 64-bit product, truncated toward zero. A quotient that does
// not fit in 32 bits gives all ones. c must not be 0.
uint32_t ScaleUnsigned(uint32_t a, uint32_t b, uint32_t c);

// The signed twin: the magnitudes go through ScaleUnsigned and the sign is
// applied after, so an overflow comes back as -1 (or 1 when negative).
int32_t ScaleSigned(int32_t a, int32_t b, int32_t c);

}  // namespace kv
