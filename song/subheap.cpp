#include "song/subheap.h"

#include <cstddef>
#include <cstdint>
#include <new>

namespace kv {

int32_t SubHeap::Alloc(int32_t size)
{
    if (size < 0)
        return 0;
    try {
        int32_t handle;
        if (!m_freeHandles.empty()) {
            handle = m_freeHandles.back();
            Block& b = m_blocks[handle - 1];
            b.bytes.assign(size_t(size), 0);
            m_freeHandles.pop_back();
        } else {
            if (m_blocks.size() >= size_t(INT32_MAX))
                return 0;
            m_blocks.push_back(Block{std::vector<uint8_t>(size_t(size), 0), false});
            handle = int32_t(m_blocks.size());
        }
        m_blocks[handle - 1].live = true;
        ++m_live;
        return handle;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

void SubHeap::Free(int32_t handle)
{
    if (!IsLive(handle))
        return;
    Block& b = m_blocks[handle - 1];
    b.live = false;
    std::vector<uint8_t>().swap(b.bytes);
    --m_live;
    try {
        m_freeHandles.push_back(handle);
    } catch (const std::bad_alloc&) {
        // The handle is simply not reused.
    }
}

void SubHeap::Clear()
{
    m_blocks.clear();
    m_freeHandles.clear();
    m_live = 0;
}

bool SubHeap::IsLive(int32_t handle) const
{
    return handle > 0 && size_t(handle) <= m_blocks.size() && m_blocks[handle - 1].live;
}

uint8_t* SubHeap::Payload(int32_t handle)
{
    if (!IsLive(handle))
        return nullptr;
    static uint8_t empty = 0;
    Block& b = m_blocks[handle - 1];
    return b.bytes.empty() ? &empty : b.bytes.data();
}

const uint8_t* SubHeap::Payload(int32_t handle) const
{
    return const_cast<SubHeap*>(this)->Payload(handle);
}

int32_t SubHeap::PayloadSize(int32_t handle) const
{
    return IsLive(handle) ? int32_t(m_blocks[handle - 1].bytes.size()) : 0;
}

}  // namespace kv
