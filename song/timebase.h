#pragma once

#include <array>
#include <cstdint>

namespace kv {

inline constexpr int32_t kDefaultTimebase = 120;
inline constexpr int32_t kTimebaseStep = 24;
inline constexpr int32_t kLowestTimebase = 48;
inline constexpr int32_t kHighestTimebase = 960;
// 48, 72, ..., 960.
inline constexpr int kPlayableTimebaseCount = (kHighestTimebase - kLowestTimebase) / kTimebaseStep + 1;

// A timebase the engine can play: a multiple of 24 from 48 to 960.
bool IsPlayableTimebase(int32_t timebase);

// The Song Time Base list: exactly the playable timebases, ascending.
const std::array<const char*, kPlayableTimebaseCount>& TimebaseTexts();

// The "Time Format" list of the preferences, indexed by time format 0..4.
const std::array<const char*, 5>& TimeFormatTexts();

}  // namespace kv
