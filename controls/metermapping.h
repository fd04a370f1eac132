#pragma once

#include <string>

namespace kv {

namespace meter {
inline constexpr unsigned kIndent = 0x01;
inline constexpr unsigned kNoText = 0x02;
inline constexpr unsigned kInset = 0x08;
inline constexpr unsigned kWindowText = 0x10;

inline constexpr int kClicked = 1;
inline constexpr int kDoubleClicked = 2;

// Message numbers, counted from the first user message.
inline constexpr int kMsgSetMaximum = 0;
inline constexpr int kMsgGetMaximum = 1;
inline constexpr int kMsgSetValue = 2;
inline constexpr int kMsgGetValue = 3;
inline constexpr int kMsgTextColour = 4;
inline constexpr int kMsgBackgroundColour = 5;
}  // namespace meter

// The meter's percentage, 0..100. A maximum of 0 (or below) reads as 1 with
// value 0, so an unset meter shows 0% instead of dividing by zero.
int MeterPercent(int value, int maximum);

// How many of width pixels are filled, 0..width.
int MeterFill(int value, int maximum, int width);

// The text drawn over the bar: "%d%%", the window text with kWindowText, or
// nothing with kNoText.
std::string MeterText(unsigned style, int value, int maximum, const std::string& windowText);

}  // namespace kv
