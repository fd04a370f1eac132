#pragma once

#include <atomic>
#include <cstdint>

#include "engine/midilib.h"

namespace kv::engine {

inline constexpr uint32_t kNoFilter = 0x7F000000u;

// Values set through options, flags and the run exports. Those the timer
// thread or the input callbacks read are atomics written on the window thread
// with release and read with acquire (or relaxed where a value stands alone).
struct Settings {
    std::atomic<uint8_t> flags[kFlagCount] = {};
    std::atomic<int32_t> syncMode{0};
    std::atomic<int32_t> startTicks{0};
    uint32_t currentFilter = kNoFilter;  // scratch value, window thread only
    std::atomic<uint32_t> playedFilter{kNoFilter};
    std::atomic<uint32_t> recordedFilter{kNoFilter};
    std::atomic<uint32_t> recordFilter{kNoFilter};
    std::atomic<uint32_t> echoFilter{kNoFilter};
    std::atomic<int32_t> timerResolutionMs{1};
    int32_t inSysExSize = 4096;
    int32_t outSysExSize = 4096;
    std::atomic<int32_t> tempoScale{1000};
    std::atomic<uint32_t> systemReportMask{0xE3FF};
    std::atomic<uint64_t> chased[2] = {};  // bit n: controller n is chased
    bool patchCachingDisabled = false;
    std::atomic<uint32_t> timerMessage{ML_WINDOW_TIMER};
    std::atomic<int32_t> defaultTrackPort{0};
    // Run values of the exports that the scheduler will use.
    std::atomic<uint32_t> usPerQuarter{500000};
    std::atomic<int32_t> timebase{0};
    std::atomic<int32_t> countIn{0};
    std::atomic<int32_t> metronomeMode{0};
    std::atomic<uint32_t> metronomeNotes[2] = {};  // channel | note << 8 | velocity << 16
    uint8_t inputRemap[16] = {};
    uint16_t interceptList[255] = {};
    int32_t interceptCount = 0;

    bool Flag(int code) const { return flags[code].load(std::memory_order_acquire) != 0; }
    void SetFlag(int code, bool on) { flags[code].store(on ? 1 : 0, std::memory_order_release); }
    bool Chased(int controller) const;
    void SetChased(int controller, bool on);
    void ChaseDefault();

    void LoadDefaults();        // as when the library is loaded
    void ConnectionDefaults();  // what MidiLibConnect resets
};

// Playback state the scheduler owns; here so that every state check and value
// code works before playback exists.
struct RunState {
    std::atomic<bool> stopped{true};
    std::atomic<bool> started{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> rawCapture{false};
    std::atomic<bool> tracksAllocated{false};
    std::atomic<int64_t> clockStartUs{0};
    std::atomic<int32_t> clockTicks{0};
    std::atomic<int32_t> lastEventTick{0};
    std::atomic<int32_t> songTicks{0};
    std::atomic<int32_t> soloIndex{0};
    uint32_t rawHandle = 0;
    bool Running() const { return !stopped.load(std::memory_order_acquire); }
    void Reset();
};

// Passes a channel or system message through a filter mask; used by echo,
// recording and played-event notifications.
// Real-time: no allocation, no lock, no wait.
bool PassesFilter(uint32_t mask, uint8_t status, uint8_t data1, uint8_t data2);

class Engine;
int32_t SetOption(Engine& engine, int32_t code, int32_t value);
int32_t SetFlag(Engine& engine, int32_t code, int32_t value);
int32_t GetValue(Engine& engine, int32_t code);

}  // namespace kv::engine
