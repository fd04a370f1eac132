#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kv {

// A track's private store of variable-length payloads (text, system exclusive
// data, own data records). A block is named by an integer handle, 0 = none.
// Handles stay valid until the block is freed or the heap is cleared; freed
// handles are reused. Payloads are owned buffers, so copying a heap gives an
// independent heap in which every handle names an equal block.
class SubHeap {
public:
    // A new block of size payload bytes, zero-filled; 0 when out of memory or
    // size is negative.
    int32_t Alloc(int32_t size);
    void Free(int32_t handle);  // ignores 0 and dead handles
    void Clear();

    bool IsLive(int32_t handle) const;
    // nullptr for a dead handle. A live zero-length block gives a non-null
    // pointer that must not be read.
    uint8_t* Payload(int32_t handle);
    const uint8_t* Payload(int32_t handle) const;
    // Stored size minus the 4-byte block header; 0 for a dead handle.
    int32_t PayloadSize(int32_t handle) const;
    int32_t LiveCount() const { return m_live; }

private:
    struct Block {
        std::vector<uint8_t> bytes;
        bool live = false;
    };
    std::vector<Block> m_blocks;  // handle h is m_blocks[h - 1]
    std::vector<int32_t> m_freeHandles;
    int32_t m_live = 0;
};

}  // namespace kv
