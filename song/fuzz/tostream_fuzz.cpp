// Arbitrary bytes as a TrackStream: scan, convert to Events, pack, convert
// again. The first byte picks the track (zero or not), the bank methods of
// the channel sets and whether names are taken; the rest is the stream.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/fakemessages.h"
#include "song/pack.h"
#include "song/song.h"
#include "song/trackstore.h"

namespace {

using namespace kv;

// The invariants every stream must leave: Events sorted within capacity,
// every payload handle live and counted once.
void CheckTrack(const Track& t)
{
    if (t.eventCount < 0 || t.eventCount > t.capacity || size_t(t.capacity) != t.events.size())
        std::abort();
    int32_t payloads = 0;
    for (int32_t i = 0; i < t.eventCount; ++i) {
        const Event& e = t.events[size_t(i)];
        if (i > 0 && t.events[size_t(i) - 1].time > e.time)
            std::abort();
        if (e.Kind() == EventKind::NoteOn && e.value < 0)
            std::abort();
        if (e.HasPayload() && e.value != 0) {
            if (!t.heap.IsLive(e.value))
                std::abort();
            ++payloads;
        }
    }
    if (payloads != t.heap.LiveCount())
        std::abort();
}

int Load(Song& song, int track, std::vector<uint8_t> bytes)
{
    Track& t = song.tracks[track];
    t.Reset(true);
    t.stream = std::move(bytes);
    t.streamSize = int32_t(t.stream.size());
    return BuildEvents(song, track);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t options = data[0];
    auto song = std::make_unique<Song>();
    FakeMessages messages;
    ChannelSetTable sets;
    const SetHeader cc0{1, 0x0102};
    const SetHeader cc32{2, -1};
    if (options & 0x02)
        for (int ch = 0; ch < 16; ch += 2)
            sets.AssignSet(0, ch, &cc0);
    if (options & 0x04)
        for (int ch = 1; ch < 16; ch += 2)
            sets.AssignSet(0, ch, &cc32);
    song->messages = &messages;
    song->channelSets = &sets;
    song->trackCount = 2;
    const int track = options & 0x01;

    Load(*song, track, std::vector<uint8_t>(data + 1, data + size));
    CheckTrack(song->tracks[track]);

    // Whatever was read must pack, read back and settle: after one more trip
    // the stream may not change.
    song->tracks[track].changed = 1;
    if (Pack(*song, track, false) != 0)
        return 0;
    for (int trip = 0; trip < 2; ++trip) {
        std::vector<uint8_t> first = song->tracks[track].stream;
        Load(*song, track, first);
        CheckTrack(song->tracks[track]);
        song->tracks[track].changed = 1;
        if (Pack(*song, track, false) != 0)
            std::abort();
        if (trip == 1 && song->tracks[track].stream != first)
            std::abort();
    }
    return 0;
}
