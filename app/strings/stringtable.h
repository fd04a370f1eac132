#pragma once

#include <span>
#include <string>

#include "app/strings/formattext.h"

namespace kv {

struct StringEntry {
    int number;
    const char* text;
};

// The text shown when a number is not in the table.
inline constexpr const char* kMissingString = "Error loading from String Table!";

// The whole table, sorted by number.
std::span<const StringEntry> StringTable();

// The text of a numbered string, or nullptr when the table has no such number.
const char* LoadString(int number);

// LoadString then FormatText; a missing number gives kMissingString.
FormattedText FormatString(int number, std::span<const MsgArg> args = {});

}  // namespace kv
