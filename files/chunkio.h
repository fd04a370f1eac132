#pragma once

#include <array>
#include <cstdint>

#include "files/bytesource.h"

namespace kv {

using ChunkTag = std::array<uint8_t, 4>;

inline constexpr ChunkTag kTagMThd = {'M', 'T', 'h', 'd'};
inline constexpr ChunkTag kTagMTrk = {'M', 'T', 'r', 'k'};
inline constexpr ChunkTag kTagRIFF = {'R', 'I', 'F', 'F'};

// Reads exactly n bytes; false on a short read.
inline bool ReadExact(ByteSource& in, uint8_t* dst, size_t n)
{
    return in.Read(dst, n) == n;
}

bool ReadTag(ByteSource& in, ChunkTag& tag);
bool ReadU32BE(ByteSource& in, uint32_t& value);
bool ReadU16BE(ByteSource& in, uint16_t& value);

// Reads byte by byte until the last four bytes read are tag or the data
// ends; true when the tag was found (the source is then just past it).
bool SearchTag(ByteSource& in, const ChunkTag& tag);

inline void PutU32BE(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}
inline void PutU16BE(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}

}  // namespace kv
