#include "song/track.h"

namespace kv {

void Track::Reset(bool freeMemory)
{
    (void)freeMemory;
    const int32_t keep1 = reserved1;
    const int32_t keep2[2] = {reserved2[0], reserved2[1]};
    *this = Track{};
    reserved1 = keep1;
    reserved2[0] = keep2[0];
    reserved2[1] = keep2[1];
}

void Track::Copy(const Track& source)
{
    if (this != &source)
        *this = source;
}

}  // namespace kv
