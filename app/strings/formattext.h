#pragma once

#include <span>
#include <string>
#include <string_view>

#include "app/strings/msgarg.h"

namespace kv {

// Messages are formatted into a buffer of this many characters, the
// terminating NUL included; longer results are cut to kMessageSize - 1.
inline constexpr size_t kMessageSize = 256;

struct FormattedText {
    std::string text;
    bool ok = true;  // false when a conversion did not match its argument or one was missing/left over
};

// printf-style formatting of one table string. Supports the flags, width,
// precision and length modifiers of C's printf for d i u x X o c s f e g %,
// checked conversion by conversion: a conversion whose argument is missing or
// of another kind is shown as "<?>" and the result is marked not ok; an
// integer given for %s, or text for %d, never reaches the C library.
FormattedText FormatText(std::string_view format, std::span<const MsgArg> args);

}  // namespace kv
