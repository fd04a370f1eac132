#pragma once

#include <vector>

#include "engine/player.h"
#include "engine/tests/enginefixture.h"
#include "engine/tests/trackbuilder.h"

namespace kv::engine::testing {

// Plays on simulated time into the capture port (port 0; the loopback is
// port 1), so every sent message carries its exact send time.
class PlaybackTest : public EngineTest {
public:
    struct Sent {
        int64_t us;        // since the run started
        uint32_t message;  // status | data1 << 8 | data2 << 16
    };

protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        engine.UseClock(&clock);
        MidiLibCaptureClear();
        ConfigureAndConnect(("D0," + capture + "," + loopOut).c_str());
        // Clock and Start/Stop are kept across connections; tests that want
        // them switch them on.
        ASSERT_EQ(MidiLibSetOption(kOptSendClockOff, 0), 1);
        ASSERT_EQ(MidiLibSetOption(kOptSendRealTimeOff, 0), 1);
        ASSERT_EQ(MidiLibSetTimebase(96), 1);
    }
    void Add(const std::vector<std::vector<uint8_t>>& tracks)
    {
        ASSERT_EQ(MidiLibAllocTracks(static_cast<int32_t>(tracks.size())), 1);
        for (size_t i = 0; i < tracks.size(); ++i)
            ASSERT_NE(MidiLibAddTrack(tracks[i].data(), static_cast<uint32_t>(tracks[i].size()),
                                      static_cast<int32_t>(i + 1)),
                      0u)
                << "error " << PeekError();
    }
    void Go()
    {
        MidiLibCaptureClear();
        m_goUs = clock.NowUs();
        ASSERT_EQ(MidiLibGo(), 1) << "error " << PeekError();
        clock.Advance(0);
    }
    // Advances simulated time to ms after the start.
    void RunTo(int64_t ms) { clock.Advance(std::max<int64_t>(m_goUs + ms * 1000 - clock.NowUs(), 0)); }
    std::vector<Sent> Captured() const
    {
        std::vector<Sent> out;
        for (uint32_t i = 0; i < MidiLibCaptureCount(); ++i) {
            MidiLibCaptureRecord r;
            if (MidiLibCaptureRead(i, &r) != 1)
                continue;
            uint32_t m =
                r.bytes[0] | (r.length > 1 ? r.bytes[1] << 8 : 0) | (r.length > 2 ? r.bytes[2] << 16 : 0);
            out.push_back({r.timeUs - m_goUs, m});
        }
        return out;
    }
    std::vector<MidiLibMessage> Of(uint32_t message)
    {
        std::vector<MidiLibMessage> out;
        for (const MidiLibMessage& m : TakeAll())
            if (m.message == message)
                out.push_back(m);
        return out;
    }
    static uint32_t Msg(uint8_t s, uint8_t d1 = 0, uint8_t d2 = 0) { return s | d1 << 8 | d2 << 16; }

    SimClock clock;
    int64_t m_goUs = 0;
};

}  // namespace kv::engine::testing
