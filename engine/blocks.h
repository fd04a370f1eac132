#pragma once

#include <cstddef>
#include <cstdint>

namespace kv::engine {

// EngineBlock: zero-filled memory named by a 32-bit handle, shared between the
// program and the engine. Blocks never move, so "locking" only counts. The
// table is fixed; a handle carries a generation so that a stale handle to a
// reused slot is refused instead of reaching someone else's memory.
// Allocation and freeing happen on the window thread; Resolve may be called
// from any thread.
class BlockTable {
public:
    static constexpr uint32_t kSlots = 4096;
    static constexpr uint32_t kMaxSize = 256u * 1024 * 1024;
    static constexpr uint32_t kGranule = 16;  // usable size is rounded up to this

    uint32_t Alloc(uint32_t size);
    bool Free(uint32_t handle);
    uint8_t* Lock(uint32_t handle);
    // Remaining lock count after the unlock; -1 for a bad or unlocked handle.
    int32_t Unlock(uint32_t handle);
    // Real-time: no allocation, no lock, no wait.
    uint8_t* Resolve(uint32_t handle, uint32_t* size = nullptr) const;
    uint32_t Size(uint32_t handle) const;
    void FreeAll();
    uint32_t InUse() const;

    struct Slot;

private:
    Slot* Find(uint32_t handle) const;
};

BlockTable& Blocks();

}  // namespace kv::engine
