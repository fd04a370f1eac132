#pragma once

#include <cstdint>
#include <string>

namespace kv {

// What the writer needs to know of the document and gives back to it: the
// path, the modified mark and the change counters that let an automatic save
// be skipped when nothing changed since the last save of either kind.
struct SaveState {
    std::string documentPath;
    bool modified = false;
    int64_t changeCount = 0;        // the undo journal's counter, advanced by every undo step
    int64_t savedChangeCount = -1;  // changeCount at the last successful save, -1 = none yet
};

}  // namespace kv
