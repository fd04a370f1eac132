#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/fakemessages.h"
#include "song/notify.h"
#include "song/song.h"
#include "song/trackstore.h"

namespace kv::test {

// Records every hint and modified mark the song core raises.
class RecordingNotifier : public SongNotifier {
public:
    void Notify(const CNotify& hint) override { hints.push_back(hint); }
    void SetModified() override { ++modified; }
    bool Has(int kind) const
    {
        for (const CNotify& h : hints)
            if (h.kind == kind)
                return true;
        return false;
    }
    std::vector<CNotify> hints;
    int modified = 0;
};

// A song with fake messages and a recording notifier. Songs are large (256
// tracks), so they live on the heap.
struct SongFixture {
    SongFixture()
    {
        song->messages = &messages;
        song->notifier = &notifier;
        song->channelSets = &sets;
        song->trackCount = 2;
    }

    // Gives track the stream bytes (as loaded) and builds its Events.
    int Load(int track, std::vector<uint8_t> bytes)
    {
        Track& t = song->tracks[track];
        t.Reset(true);
        t.stream = std::move(bytes);
        t.streamSize = int32_t(t.stream.size());
        return BuildEvents(*song, track);
    }
    const Track& T(int track) const { return song->tracks[track]; }
    const Event& E(int track, int index) const { return song->tracks[track].events[size_t(index)]; }

    std::unique_ptr<Song> song = std::make_unique<Song>();
    FakeMessages messages;
    RecordingNotifier notifier;
    ChannelSetTable sets;
};

// An Event from its fields.
inline Event Ev(int32_t time, uint8_t status, uint8_t d1 = 0, uint8_t d2 = 0, int32_t value = 0)
{
    Event e;
    e.time = time;
    e.status = status;
    e.data1 = d1;
    e.data2 = d2;
    e.value = value;
    return e;
}

// The end-of-track event, with its delta time.
inline std::vector<uint8_t> Eot(uint8_t delta = 0)
{
    return {delta, 0xFF, 0x2F, 0x00};
}

inline std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace kv::test
