#include "files/wavechunk.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "files/chunkio.h"
#include "files/readcontext.h"
#include "platform/messages.h"
#include "song/song.h"

namespace kv {
namespace {

constexpr uint8_t kWaveStart = 0x12;
constexpr uint8_t kWaveEnd = 0x13;
constexpr uint8_t kWaveExtra = 0x14;
constexpr size_t kOwnPrefix = 4;  // 00 00 5B tt
// The shortest valid start record: prefix, name, number and a 14-byte format.
constexpr uint64_t kShortestStart = 80;
// Formats shorter than this are padded on writing, so the record stays valid.
constexpr size_t kShortestFormat = kShortestStart - kOwnPrefix - kWaveNameBytes - 2;

class RecordReader {
public:
    explicit RecordReader(std::span<const uint8_t> b) : m_b(b) {}

    // Reads one record; false at the end-of-track event or on damage.
    bool Next(uint8_t& type, std::span<const uint8_t>& data)
    {
        uint64_t delta = 0, len = 0;
        uint8_t status = 0, meta = 0;
        if (!VarLen(delta) || !Byte(status) || status != 0xFF || !Byte(meta) || meta != 0x7F)
            return false;
        if (!VarLen(len) || len < kOwnPrefix || len > m_b.size() - m_pos)
            return false;
        const uint8_t* p = m_b.data() + m_pos;
        if (p[0] != 0 || p[1] != 0 || p[2] != 0x5B)
            return false;
        type = p[3];
        data = {p + kOwnPrefix, size_t(len) - kOwnPrefix};
        m_pos += size_t(len);
        return true;
    }

private:
    bool Byte(uint8_t& b)
    {
        if (m_pos >= m_b.size())
            return false;
        b = m_b[m_pos++];
        return true;
    }
    bool VarLen(uint64_t& v)
    {
        v = 0;
        for (int i = 0; i < 5; ++i) {
            uint8_t b = 0;
            if (!Byte(b))
                return false;
            v = v << 7 | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }

    std::span<const uint8_t> m_b;
    size_t m_pos = 0;
};

WaveEntry StartWave(std::span<const uint8_t> data)
{
    WaveEntry w;
    const uint8_t* name = data.data();
    const size_t nameLength = std::find(name, name + kWaveNameBytes - 1, 0) - name;
    w.name.assign(reinterpret_cast<const char*>(name), nameLength);
    w.number = uint16_t(data[kWaveNameBytes] | data[kWaveNameBytes + 1] << 8);
    w.format.assign(data.begin() + kWaveNameBytes + 2, data.end());
    return w;
}

int VarLenSize(uint64_t v)
{
    int n = 1;
    while (v >>= 7)
        ++n;
    return n;
}

void PutVarLen(std::vector<uint8_t>& out, uint64_t v)
{
    uint8_t tmp[10];
    int n = 0;
    tmp[n++] = uint8_t(v & 0x7F);
    while (v >>= 7)
        tmp[n++] = uint8_t(0x80 | (v & 0x7F));
    while (n)
        out.push_back(tmp[--n]);
}

uint64_t RecordLength(size_t dataSize)
{
    const uint64_t len = kOwnPrefix + dataSize;
    return 3 + VarLenSize(len) + len;  // 00 FF 7F, len, prefix and data
}

size_t FormatSize(const WaveEntry& w)
{
    return std::max(w.format.size(), kShortestFormat);
}

bool WriteRecord(ByteSink& out, uint8_t type, std::span<const uint8_t> head, std::span<const uint8_t> data,
                 size_t padTo = 0)
{
    const size_t dataSize = std::max(head.size() + data.size(), padTo);
    std::vector<uint8_t> prefix = {0x00, 0xFF, 0x7F};
    PutVarLen(prefix, kOwnPrefix + dataSize);
    prefix.insert(prefix.end(), {0x00, 0x00, 0x5B, type});
    prefix.insert(prefix.end(), head.begin(), head.end());
    if (!out.Write(prefix.data(), prefix.size()))
        return false;
    if (!data.empty() && !out.Write(data.data(), data.size()))
        return false;
    const std::vector<uint8_t> pad(dataSize - head.size() - data.size(), 0);
    return pad.empty() || out.Write(pad.data(), pad.size());
}

}  // namespace

int ReadWaveRecords(std::span<const uint8_t> body, WaveTable& waves)
{
    RecordReader reader(body);
    uint8_t type = 0;
    std::span<const uint8_t> data;
    WaveEntry wave;
    bool open = false;
    int added = 0;
    while (reader.Next(type, data)) {
        if (type == kWaveStart && !open && data.size() + kOwnPrefix >= kShortestStart) {
            wave = StartWave(data);
            open = true;
        } else if (type == kWaveExtra && open) {
            wave.extra.assign(data.begin(), data.end());
        } else if (type == kWaveEnd && open) {
            wave.samples.assign(data.begin(), data.end());
            waves.waves.push_back(std::move(wave));
            wave = WaveEntry{};
            open = false;
            ++added;
        } else {
            break;
        }
    }
    return added;
}

uint64_t WaveChunkLength(const WaveTable& waves)
{
    uint64_t length = 4;  // 00 FF 2F 00
    for (const WaveEntry& w : waves.waves) {
        length += RecordLength(kWaveNameBytes + 2 + FormatSize(w));
        if (!w.extra.empty())
            length += RecordLength(w.extra.size());
        length += RecordLength(w.samples.size());
    }
    return length;
}

bool WriteWaveRecords(ByteSink& out, const WaveTable& waves)
{
    for (size_t i = 0; i < waves.waves.size(); ++i) {
        const WaveEntry& w = waves.waves[i];
        uint8_t head[kWaveNameBytes + 2] = {};
        std::memcpy(head, w.name.data(), std::min(w.name.size(), kWaveNameBytes - 1));
        head[kWaveNameBytes] = uint8_t(i);
        head[kWaveNameBytes + 1] = uint8_t(i >> 8);
        if (!WriteRecord(out, kWaveStart, head, w.format, kWaveNameBytes + 2 + kShortestFormat))
            return false;
        if (!w.extra.empty() && !WriteRecord(out, kWaveExtra, {}, w.extra))
            return false;
        if (!WriteRecord(out, kWaveEnd, {}, w.samples))
            return false;
    }
    const uint8_t end[] = {0x00, 0xFF, 0x2F, 0x00};
    return out.Write(end, sizeof end);
}

void ReadWaveChunk(ReadContext& ctx)
{
    uint32_t length = 0;
    if (!FindTrackTag(ctx, 264, 0) || !ReadU32BE(ctx.in, length))
        return;
    std::vector<uint8_t> body;
    try {
        body.resize(size_t(std::min<uint64_t>(length, ctx.in.Remaining())));
    } catch (const std::bad_alloc&) {
        return;
    }
    body.resize(ctx.in.Read(body.data(), body.size()));
    ReadWaveRecords(body, ctx.files.waves);
    ctx.song.waveCount = ctx.files.waves.Count();
}

}  // namespace kv
