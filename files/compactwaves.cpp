#include "files/compactwaves.h"

#include <set>
#include <vector>

#include "platform/messages.h"
#include "song/song.h"
#include "song/streamreader.h"

namespace kv {
namespace {

constexpr uint8_t kWaveRecord = 0x10;
constexpr uint8_t kWavePrepRecord = 0x11;

class Renumbering {
public:
    Renumbering(int32_t count, Messages& messages) : m_new(size_t(count), -1), m_messages(messages) {}

    // The new number of an old one, giving it the next number on first use.
    int32_t Map(int32_t old)
    {
        const int32_t count = int32_t(m_new.size());
        if (old < 0 || old >= count) {
            if (m_reported.insert(old).second)
                m_messages.ShowInfo(239, old + 1, count);
            old = 0;
            if (count == 0)
                return 0;
        }
        if (m_new[size_t(old)] < 0)
            m_new[size_t(old)] = m_next++;
        return m_new[size_t(old)];
    }

    const std::vector<int32_t>& newNumbers() const { return m_new; }
    int32_t used() const { return m_next; }

private:
    std::vector<int32_t> m_new;  // by old number; -1 = not referenced
    int32_t m_next = 0;
    std::set<int32_t> m_reported;
    Messages& m_messages;
};

bool IsWaveRecord(const RawEvent& ev)
{
    return ev.status == 0xFF && ev.metaType == 0x7F && ev.length == 6 && ev.data[0] == 0 && ev.data[1] == 0 &&
           ev.data[2] == 0x5B && (ev.data[3] == kWaveRecord || ev.data[3] == kWavePrepRecord);
}

void RenumberStream(Track& track, Renumbering& numbers)
{
    const std::span<const uint8_t> bytes(track.stream.data(), size_t(track.streamSize));
    StreamReader reader(bytes);
    RawEvent ev;
    while (reader.Next(ev)) {
        if (!IsWaveRecord(ev))
            continue;
        const size_t at = size_t(ev.data - bytes.data()) + 4;
        const int32_t n = numbers.Map(track.stream[at] | track.stream[at + 1] << 8);
        track.stream[at] = uint8_t(n);
        track.stream[at + 1] = uint8_t(n >> 8);
    }
}

// The Events were packed into the stream just before, so they name the same
// waves and take the same new numbers; without this the next edit would pack
// the old numbers back.
void RenumberEvents(Track& track, Renumbering& numbers)
{
    if (!track.eventsBuilt)
        return;
    for (int32_t k = 0; k < track.eventCount; ++k)
        if (track.events[size_t(k)].Kind() == EventKind::Wave)
            track.events[size_t(k)].value = numbers.Map(track.events[size_t(k)].value);
}

}  // namespace

void CompactWaves(Song& song, WaveTable& waves, Messages& messages)
{
    Renumbering numbers(waves.Count(), messages);
    for (int i = 0; i < song.trackCount; ++i) {
        Track& track = song.tracks[i];
        // The scan flags every track with a wave record; the others need no walk.
        if (!(track.contentFlags & kContentWave))
            continue;
        if (track.HasStream())
            RenumberStream(track, numbers);
        RenumberEvents(track, numbers);
    }
    std::vector<WaveEntry> kept(size_t(numbers.used()));
    for (size_t old = 0; old < waves.waves.size(); ++old) {
        const int32_t n = numbers.newNumbers()[old];
        if (n >= 0)
            kept[size_t(n)] = std::move(waves.waves[old]);
    }
    waves.waves = std::move(kept);
    song.waveCount = waves.Count();
}

}  // namespace kv
