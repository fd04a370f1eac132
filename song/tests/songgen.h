#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "song/eventops.h"
#include "song/song.h"
#include "song/trackstore.h"

namespace kv::test {

// A small deterministic generator (xorshift), so generated songs are the same
// on every run and every machine.
class Rng {
public:
    explicit Rng(uint32_t seed) : m_state(seed ? seed : 0x9E3779B9u) {}
    uint32_t Next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    int Below(int n) { return int(Next() % uint32_t(n)); }

private:
    uint32_t m_state;
};

// Fills track with count generated Events of every kind a song holds: mostly
// notes and controllers, some pitch bends, programs, aftertouch, system
// exclusive and text, plus tempo, time and key signatures on track zero.
// The mix avoids what a stream cannot hold as Events (controller 123,
// texts at time 0 that would become the track name, bank controllers on a
// channel whose set folds them), so the result survives Pack and ToNote.
// Notes of one key may overlap, but a later note never ends before an
// earlier one of its key: a stream pairs note-offs oldest first, so nested
// notes would come back paired differently (see RoundTrip tests).
// bankChannel: a channel whose programs carry banks (-1 for none).
inline void GenerateTrack(Song& song, int track, uint32_t seed, int32_t count, int bankChannel = -1)
{
    std::vector<int32_t> lastEnd(2048, 0);
    Rng rng(seed);
    if (Reserve(song, track, count) != 0)
        return;
    Track& t = song.tracks[track];
    Event* ev = LockNotes(song, track, false);
    if (ev == nullptr)
        return;
    static constexpr uint8_t kControllers[] = {1, 7, 10, 11, 64, 74, 91, 93};
    const int channel = track % 16;
    int32_t time = 0;
    for (int32_t i = 0; i < count; ++i) {
        Event e;
        time += rng.Below(4) == 0 ? 0 : rng.Below(40);
        e.time = time;
        const int pick = rng.Below(1000);
        const int ch = pick % 7 == 0 ? rng.Below(16) : channel;
        if (track == 0 && pick < 30) {
            switch (pick % 3) {
                case 0:
                    e.status = 0x00;
                    e.SetTempo(3000 + rng.Below(30000));
                    break;
                case 1: {
                    static constexpr uint8_t kNum[] = {2, 3, 4, 5, 6, 7, 9, 12};
                    e.status = 0x10;
                    e.data1 = kNum[rng.Below(8)];
                    e.data2 = uint8_t(1 + rng.Below(3));
                    e.value = e.data1 % 3 == 0 ? e.data1 / 3 : e.data1;
                    break;
                }
                default:
                    e.status = 0x50;
                    e.data1 = uint8_t(rng.Below(15));
                    e.data2 = uint8_t(rng.Below(2));
            }
        } else if (pick < 600) {
            e.status = uint8_t(0x90 | ch);
            e.data1 = uint8_t(24 + rng.Below(80));
            e.data2 = uint8_t(1 + rng.Below(127));
            int32_t& end = lastEnd[size_t(ch * 128 + e.data1)];
            end = std::max(end, e.time + 1 + rng.Below(480));
            e.value = end - e.time;
        } else if (pick < 820) {
            e.status = uint8_t(0xB0 | ch);
            e.data1 = kControllers[rng.Below(8)];
            e.data2 = uint8_t(rng.Below(128));
        } else if (pick < 900) {
            e.status = uint8_t(0xE0 | ch);
            e.data1 = uint8_t(rng.Below(128));
            e.data2 = uint8_t(rng.Below(128));
        } else if (pick < 930) {
            e.status = uint8_t(0xC0 | ch);
            e.data1 = uint8_t(rng.Below(128));
            e.SetBank(ch == bankChannel ? rng.Below(0x7F7F) & 0x7F7F : -1);
        } else if (pick < 950) {
            e.status = uint8_t((pick % 2 ? 0xA0 : 0xD0) | ch);
            e.data1 = uint8_t(rng.Below(128));
            e.data2 = e.status >= 0xD0 ? 0 : uint8_t(rng.Below(128));
        } else if (pick < 975) {
            const int32_t n = 2 + rng.Below(40);
            const int32_t h = SubHeapAlloc(song, track, n);
            uint8_t* p = t.heap.Payload(h);
            for (int32_t k = 0; k + 1 < n; ++k)
                p[k] = uint8_t(rng.Below(128));
            p[n - 1] = 0xF7;
            e.status = 0xF0;
            e.data1 = 0xF0;
            e.value = h;
        } else {
            static const char* kWords[] = {"la", "verse", "chorus", "fine", "D.C. al coda"};
            const char* w = kWords[rng.Below(5)];
            const int32_t n = int32_t(std::strlen(w)) + 1;
            const int32_t h = SubHeapAlloc(song, track, n);
            std::memcpy(t.heap.Payload(h), w, size_t(n));
            e.status = 0x20;
            e.data1 = uint8_t(5 + rng.Below(3));
            e.value = h;
            if (e.time == 0)
                e.time = time = 1;
        }
        ev[i] = e;
    }
    t.eventCount = count;
    Unlock(song, track, true);
}

}  // namespace kv::test
