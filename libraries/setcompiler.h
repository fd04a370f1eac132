#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "libraries/inifile.h"
#include "libraries/patchfile.h"

namespace kv {

class Messages;

// Bank notation of the INI files: "low/high" or "low" (high 0), each 0..127;
// the 15-bit bank is low + high x 256.
std::optional<int16_t> ParseBank(std::string_view text);
std::string FormatBank(int16_t bank);

// Compiles the set of one INI section ("Patches", "NoteNames" or "Banks")
// into its records, reporting what is wrong with numbered messages. Returns
// false when nothing is to be written for the set (an unknown type or an
// unusable bank method); a set with errors in its names is still written
// with what could be read.
bool CompileSet(const IniFile& ini, const std::string& section, Messages& messages, CompiledSet& out);

}  // namespace kv
