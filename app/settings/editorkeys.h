#pragma once

#include <cstdint>
#include <span>

#include "app/settings/settings.h"

namespace kv {

// What a value outside its range becomes: the nearest end of the range (a
// size, a count, a port) or the default (a choice among a few modes, where
// the nearest mode means nothing).
enum class OutOfRange { Clamp, Default };

// One number or flag of section "Editor". Exactly one of number and flag is
// set. Flags read any value other than 0 as on.
struct EditorKey {
    const char* name;
    int32_t Settings::*number;
    bool Settings::*flag;
    int32_t low;
    int32_t high;
    OutOfRange outOfRange;
};

// The numbers and flags of section "Editor" in the order they are read and
// written. "Build" and the text and binary keys are not in it.
std::span<const EditorKey> EditorKeys();

// value brought into the key's range; def is the key's default.
int32_t FixRange(const EditorKey& key, int32_t value, int32_t def);

}  // namespace kv
