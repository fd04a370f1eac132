#pragma once

#include <cstdint>
#include <span>

#include "files/bytesink.h"
#include "files/wavetable.h"

namespace kv {

// The wave chunk's records: for each wave 0x12 (name, number, format), 0x14
// (extra data, when there is some) and 0x13 (samples), each as
// 00 FF 7F len 00 00 5B tt data, then 00 FF 2F 00.

// Parses a wave chunk body into waves, appending each complete wave. Stops
// at the end-of-track event or at the first invalid record (the rest is
// skipped; the waves read before it stay). Returns the number of waves added.
int ReadWaveRecords(std::span<const uint8_t> body, WaveTable& waves);

// The body length WriteWaveRecords will write.
uint64_t WaveChunkLength(const WaveTable& waves);
bool WriteWaveRecords(ByteSink& out, const WaveTable& waves);

}  // namespace kv
