#include "app/strings/stringtable.h"

#include <algorithm>

namespace kv {

extern const StringEntry kStringEntries[];
extern const size_t kStringEntryCount;

std::span<const StringEntry> StringTable()
{
    return {kStringEntries, kStringEntryCount};
}

const char* LoadString(int number)
{
    auto table = StringTable();
    auto it = std::lower_bound(table.begin(), table.end(), number,
                               [](const StringEntry& e, int n) { return e.number < n; });
    return it != table.end() && it->number == number ? it->text : nullptr;
}

FormattedText FormatString(int number, std::span<const MsgArg> args)
{
    const char* text = LoadString(number);
    if (!text)
        return {kMissingString, true};
    return FormatText(text, args);
}

}  // namespace kv
