#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/settings/settings.h"
#include "engine/midilib.h"
#include "platform/fakemessages.h"
#include "transport/programtransport.h"
#include "transport/transporthost.h"
#include "transport/wakeloop.h"

namespace kv::test {

// Records what the transport tells the window.
class RecordingHost : public TransportHost {
public:
    int32_t SongPosition() const override { return position; }
    void GoToTime(int32_t tick, bool select) override
    {
        position = tick;
        goTo.push_back(tick);
        (void)select;
    }
    void PlayPosition(int32_t value) override { playPositions.push_back(value); }
    void TrackEventMark(int track, int32_t index) override { marks.push_back({track, index}); }
    void StatusTime(const std::string& text) override { statusTimes.push_back(text); }
    void StatusMessage(const std::string& text) override { statusMessages.push_back(text); }
    void TempoBox(int32_t bpm) override { tempos.push_back(bpm); }
    void PlayingChanged(bool playing) override { playingChanges.push_back(playing); }
    void FocusPositionField() override { ++focused; }
    bool StepRecording() const override { return stepRecording; }

    int32_t position = 0;
    bool stepRecording = false;
    int focused = 0;
    std::vector<int32_t> goTo, playPositions, tempos;
    std::vector<std::pair<int, int32_t>> marks;
    std::vector<std::string> statusTimes, statusMessages;
    std::vector<bool> playingChanges;
};

using kv::WakeLoop;

// The configuration string that makes the engine's capture port output 0.
std::string CaptureConfig();

// Virtual ports only, so the device lists are known and nothing sounds.
class VirtualBackends {
public:
    VirtualBackends();
    ~VirtualBackends();
};

// One message the capture port kept: its bytes as "90 3C 64".
std::vector<std::string> CapturedMessages(const MidiLibrary& lib);

}  // namespace kv::test
