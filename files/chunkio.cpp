#include "files/chunkio.h"

namespace kv {

bool ReadTag(ByteSource& in, ChunkTag& tag)
{
    return ReadExact(in, tag.data(), tag.size());
}

bool ReadU32BE(ByteSource& in, uint32_t& value)
{
    uint8_t b[4];
    if (!ReadExact(in, b, 4))
        return false;
    value = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    return true;
}

bool ReadU16BE(ByteSource& in, uint16_t& value)
{
    uint8_t b[2];
    if (!ReadExact(in, b, 2))
        return false;
    value = uint16_t(b[0] << 8 | b[1]);
    return true;
}

bool SearchTag(ByteSource& in, const ChunkTag& tag)
{
    ChunkTag last = {0, 0, 0, 0};
    uint8_t byte = 0;
    while (in.Read(&byte, 1) == 1) {
        last = {last[1], last[2], last[3], byte};
        if (last == tag)
            return true;
    }
    return false;
}

}  // namespace kv
