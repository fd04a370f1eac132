#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace kv::engine::testing {

// Builds track data (a Standard MIDI File track body) event by event; each
// call takes the delta time before its event.
class TrackBuilder {
public:
    TrackBuilder& Raw(uint32_t delta, std::initializer_list<uint8_t> bytes)
    {
        Delta(delta);
        m_bytes.insert(m_bytes.end(), bytes);
        return *this;
    }
    TrackBuilder& Meta(uint32_t delta, uint8_t type, std::vector<uint8_t> data)
    {
        Delta(delta);
        m_bytes.push_back(0xFF);
        m_bytes.push_back(type);
        VarLen(static_cast<uint32_t>(data.size()));
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
        return *this;
    }
    TrackBuilder& Tempo(uint32_t delta, uint32_t us)
    {
        return Meta(delta, 0x51, {uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)});
    }
    TrackBuilder& TimeSig(uint32_t delta, uint8_t nn, uint8_t dd, uint8_t cc)
    {
        return Meta(delta, 0x58, {nn, dd, cc, 8});
    }
    // Own record 0x20: transpose, velocity offset, loops, start offset.
    TrackBuilder& Adjust(int8_t transpose, int8_t velocity, uint16_t loops, uint32_t offset)
    {
        return Meta(
            0, 0x7F,
            {0, 0, 0x5B, 0x20, uint8_t(transpose), uint8_t(velocity), uint8_t(loops), uint8_t(loops >> 8),
             uint8_t(offset), uint8_t(offset >> 8), uint8_t(offset >> 16), uint8_t(offset >> 24)});
    }
    TrackBuilder& Port(uint8_t port) { return Meta(0, 0x21, {port}); }
    std::vector<uint8_t> End(uint32_t delta = 0)
    {
        Meta(delta, 0x2F, {});
        return m_bytes;
    }
    std::vector<uint8_t> Bytes() const { return m_bytes; }

private:
    void Delta(uint32_t v) { VarLen(v); }
    void VarLen(uint32_t v)
    {
        uint8_t buf[5];
        int n = 0;
        buf[n++] = v & 0x7F;
        while ((v >>= 7) != 0)
            buf[n++] = 0x80 | (v & 0x7F);
        while (n > 0)
            m_bytes.push_back(buf[--n]);
    }
    std::vector<uint8_t> m_bytes;
};

}  // namespace kv::engine::testing
