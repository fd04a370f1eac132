#pragma once

#include <cstdint>

namespace kv {

namespace slider {
inline constexpr unsigned kHorizontal = 0x0001;
inline constexpr unsigned kKnob = 0x0008;

// Notification codes.
inline constexpr int kRangeChanged = 1;
inline constexpr int kPositionChanged = 2;
inline constexpr int kReleased = 3;

// Message numbers, counted from the first user message.
inline constexpr int kMsgGetRange = 1;
inline constexpr int kMsgSetRange = 2;
inline constexpr int kMsgGetPosition = 3;
inline constexpr int kMsgSetPosition = 4;
inline constexpr int kMsgNoPosition = 5;
inline constexpr int kMsgGetColours = 6;
}  // namespace slider

// The pointer's angle around the knob's centre in radians, y growing
// downwards, in (-pi/2, 3pi/2]: angles below -pi/2 are raised by 2 pi so that
// the dead zone at the bottom splits into the two ends of the travel.
double KnobAngle(int centreX, int centreY, int x, int y);

// The knob's position for an angle: 5 pi / 4 (lower left) and beyond is the
// minimum, below -pi / 4 (lower right) the maximum, linear and truncated
// between, clockwise rising.
int16_t KnobPositionForAngle(double angle, int16_t min, int16_t max);

// The angle at which a position is drawn: the inverse of the mapping above.
double KnobAngleForPosition(int16_t position, int16_t min, int16_t max);

// A linear slider: the pointer's offset along a track of length pixels maps
// proportionally onto min..max; vertical sliders have the minimum at the
// bottom (offset counted from the top).
int16_t LinearPosition(unsigned style, int length, int offset, int16_t min, int16_t max);

// The pixel offset of a position along the track; the inverse of the above.
int LinearOffset(unsigned style, int length, int16_t position, int16_t min, int16_t max);

}  // namespace kv
