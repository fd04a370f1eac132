#pragma once

#include <string>

namespace kv {

// The folder the program writes to (the automatic save file, the default
// folders): "Kelvane Professional" in the user's data folder, ending in '/'.
// It is not created here.
std::string ProgramFolder();

// The same from the two environment values: xdgDataHome wins when it is an
// absolute path (the XDG rule: relative values are ignored), else home +
// "/.local/share"; with neither, the current folder.
std::string ProgramFolderFrom(const char* xdgDataHome, const char* home);

}  // namespace kv
