#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

// Tip numbers count from 100 for the first text (the settings' "LastID").
inline constexpr int kFirstTipId = 100;
inline constexpr int kTipCount = 79;

// The tip texts of a resource: texts separated by NULs or line ends, ending
// at the first empty text or at the end of the data.
std::vector<std::string> ParseTips(std::string_view data);

// The tip the dialog shows next after lastId (which it then stores): the
// following text, wrapping to the first (id 100) past the last. Returns the
// new id; an id out of any sense restarts at the first.
int NextTipId(int lastId, int count);

}  // namespace kv
