#include "engine/blocks.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace kv::engine {

struct BlockTable::Slot {
    std::atomic<uint8_t*> data{nullptr};
    std::atomic<uint32_t> size{0};
    std::atomic<uint32_t> generation{0};
    std::atomic<int32_t> locks{0};
};

namespace {

BlockTable::Slot g_slots[BlockTable::kSlots];

// Handle layout: low 12 bits slot index, high 20 bits generation (never 0),
// so no valid handle is 0.
constexpr uint32_t kIndexBits = 12;
constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;

uint32_t MakeHandle(uint32_t index, uint32_t generation)
{
    return (generation << kIndexBits) | index;
}

}  // namespace

BlockTable& Blocks()
{
    static BlockTable table;
    return table;
}

BlockTable::Slot* BlockTable::Find(uint32_t handle) const
{
    uint32_t index = handle & kIndexMask;
    uint32_t generation = handle >> kIndexBits;
    if (generation == 0)
        return nullptr;
    Slot& slot = g_slots[index];
    if (slot.generation.load(std::memory_order_acquire) != generation)
        return nullptr;
    if (slot.data.load(std::memory_order_acquire) == nullptr)
        return nullptr;
    return &slot;
}

uint32_t BlockTable::Alloc(uint32_t size)
{
    if (size == 0 || size > kMaxSize)
        return 0;
    uint32_t usable = (size + kGranule - 1) / kGranule * kGranule;
    for (uint32_t i = 0; i < kSlots; ++i) {
        Slot& slot = g_slots[i];
        if (slot.data.load(std::memory_order_acquire) != nullptr)
            continue;
        auto* data = static_cast<uint8_t*>(calloc(usable, 1));
        if (data == nullptr)
            return 0;
        uint8_t* expected = nullptr;
        if (!slot.data.compare_exchange_strong(expected, data, std::memory_order_acq_rel)) {
            free(data);
            continue;
        }
        uint32_t generation =
            (slot.generation.load(std::memory_order_relaxed) + 1) & ((1u << (32 - kIndexBits)) - 1);
        if (generation == 0)
            generation = 1;
        slot.size.store(usable, std::memory_order_relaxed);
        slot.locks.store(0, std::memory_order_relaxed);
        // release: a resolver that matches the generation sees size and data.
        slot.generation.store(generation, std::memory_order_release);
        return MakeHandle(i, generation);
    }
    return 0;
}

bool BlockTable::Free(uint32_t handle)
{
    Slot* slot = Find(handle);
    if (slot == nullptr)
        return false;
    // The generation stays; the next Alloc of this slot bumps it, so this
    // handle never matches again.
    uint8_t* data = slot->data.exchange(nullptr, std::memory_order_acq_rel);
    free(data);
    return true;
}

uint8_t* BlockTable::Lock(uint32_t handle)
{
    Slot* slot = Find(handle);
    if (slot == nullptr)
        return nullptr;
    slot->locks.fetch_add(1, std::memory_order_relaxed);
    return slot->data.load(std::memory_order_acquire);
}

int32_t BlockTable::Unlock(uint32_t handle)
{
    Slot* slot = Find(handle);
    if (slot == nullptr)
        return -1;
    int32_t locks = slot->locks.load(std::memory_order_relaxed);
    if (locks <= 0)
        return -1;
    slot->locks.store(locks - 1, std::memory_order_relaxed);
    return locks - 1;
}

uint8_t* BlockTable::Resolve(uint32_t handle, uint32_t* size) const
{
    Slot* slot = Find(handle);
    if (slot == nullptr)
        return nullptr;
    if (size)
        *size = slot->size.load(std::memory_order_relaxed);
    return slot->data.load(std::memory_order_acquire);
}

uint32_t BlockTable::Size(uint32_t handle) const
{
    Slot* slot = Find(handle);
    return slot ? slot->size.load(std::memory_order_relaxed) : 0;
}

void BlockTable::FreeAll()
{
    for (Slot& slot : g_slots) {
        uint8_t* data = slot.data.exchange(nullptr, std::memory_order_acq_rel);
        free(data);
    }
}

uint32_t BlockTable::InUse() const
{
    uint32_t n = 0;
    for (const Slot& slot : g_slots)
        if (slot.data.load(std::memory_order_relaxed) != nullptr)
            ++n;
    return n;
}

}  // namespace kv::engine
