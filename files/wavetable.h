#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

// One wave of the song as the song file carries it. The playback state
// (devices, headers) belongs to the wave player, not to the file.
struct WaveEntry {
    std::string name;              // at most 59 characters
    uint16_t number = 0;           // the number stored with it in the file
    std::vector<uint8_t> format;   // the wave format record ("fmt " chunk)
    std::vector<uint8_t> extra;    // optional extra data (the "fact" chunk)
    std::vector<uint8_t> samples;  // the sample data

    bool operator==(const WaveEntry&) const = default;
};

// The song's waves; a Wave event's value is an index into it.
struct WaveTable {
    std::vector<WaveEntry> waves;

    int32_t Count() const { return int32_t(waves.size()); }
    void Clear() { waves.clear(); }
};

inline constexpr size_t kWaveNameBytes = 60;

}  // namespace kv
