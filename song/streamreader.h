#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kv {

// Why a TrackStream walk stopped before its end-of-track event.
enum class StreamFault {
    None,
    BadStatus,   // a byte that cannot be a status where one is needed
    Truncated,   // a delta time, length or data running past the end
    LongVarLen,  // a variable-length quantity of more than 5 bytes
};

// One message of a TrackStream, pointing into the stream's bytes.
struct RawEvent {
    int32_t time = 0;      // absolute, saturating at 0x7FFFFFFF
    uint8_t status = 0;    // channel status 0x80..0xEF, 0xF0/0xF7, or 0xFF for meta
    uint8_t metaType = 0;  // meta events only
    uint8_t data1 = 0;     // channel messages only
    uint8_t data2 = 0;
    const uint8_t* data = nullptr;  // meta and system exclusive payload
    uint32_t length = 0;
};

// Walks a TrackStream as hostile input: every read is bounds-checked and every
// step consumes at least one byte, so a walk always ends. Running status
// survives meta and system exclusive events on reading (many files rely on
// it), although this program never writes it that way.
class StreamReader {
public:
    explicit StreamReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    // The next message; false at the end-of-track event, at the end of the
    // bytes, or on a fault. The end-of-track event itself is not returned.
    bool Next(RawEvent& ev);

    StreamFault fault() const { return m_fault; }
    uint8_t badByte() const { return m_badByte; }
    bool sawEnd() const { return m_sawEnd; }
    // The time reached: after the end-of-track delta when there was one.
    int32_t time() const { return m_time; }
    size_t offset() const { return m_pos; }

private:
    bool ReadVarLen(uint32_t& value);
    bool Fail(StreamFault fault, uint8_t byte = 0);
    bool ReadChannel(uint8_t status, RawEvent& ev);
    bool ReadData(uint8_t& out);
    bool NextMetaOrSysEx(uint8_t status, RawEvent& ev);

    std::span<const uint8_t> m_bytes;
    size_t m_pos = 0;
    int32_t m_time = 0;
    uint8_t m_running = 0;
    uint8_t m_badByte = 0;
    bool m_sawEnd = false;
    bool m_done = false;
    StreamFault m_fault = StreamFault::None;
};

// Data bytes that follow a channel status: 1 for program change and channel
// pressure, 2 for the rest.
inline int ChannelDataBytes(uint8_t status)
{
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// Next and the channel-message path sit here so that a caller's walk inlines
// them: a conversion spends most of its time on these few bytes per message.
// The rare cases (long quantities, meta and system exclusive, faults) stay
// out of line.

inline bool StreamReader::ReadData(uint8_t& out)
{
    if (m_pos >= m_bytes.size())
        return Fail(StreamFault::Truncated);
    const uint8_t b = m_bytes[m_pos];
    if (b & 0x80)
        return Fail(StreamFault::BadStatus, b);
    ++m_pos;
    out = b;
    return true;
}

inline bool StreamReader::ReadChannel(uint8_t status, RawEvent& ev)
{
    ev.status = status;
    ev.data = nullptr;
    ev.length = 0;
    ev.data2 = 0;
    if (!ReadData(ev.data1))
        return false;
    return ChannelDataBytes(status) == 1 || ReadData(ev.data2);
}

inline bool StreamReader::Next(RawEvent& ev)
{
    if (m_done)
        return false;
    if (m_pos >= m_bytes.size()) {
        m_done = true;  // no end-of-track event: the data simply ends
        return false;
    }
    uint32_t delta = m_bytes[m_pos];
    if (delta < 0x80)
        ++m_pos;  // most delta times are one byte
    else if (!ReadVarLen(delta))
        return false;
    const int64_t t = int64_t(m_time) + delta;
    m_time = t > 0x7FFFFFFF ? 0x7FFFFFFF : int32_t(t);
    ev.time = m_time;
    if (m_pos >= m_bytes.size())
        return Fail(StreamFault::Truncated);

    const uint8_t byte = m_bytes[m_pos];
    if (byte >= 0xF0) {
        ++m_pos;
        return NextMetaOrSysEx(byte, ev);
    }
    // A data byte here continues the running status. Files mix both forms
    // unpredictably, so the choice is made without a branch.
    const bool explicitStatus = (byte & 0x80) != 0;
    const uint8_t status = explicitStatus ? byte : m_running;
    if (status == 0)
        return Fail(StreamFault::BadStatus, byte);  // no running status yet
    m_pos += explicitStatus;
    m_running = status;
    return ReadChannel(status, ev);
}

}  // namespace kv
