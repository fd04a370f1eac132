#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kv {

class KVSpinButton;

// Wires a spin with style 0x0800 (the parent converts) to a text form, for
// fields that show times, tempos or names instead of plain numbers: parse
// reads the edit's text (nullopt marks it invalid), format writes a value,
// and one arrow step moves the value by unitsPerStep (a second for a clock
// field in milliseconds, 1.00 for a tempo in hundredths). Lives as long as
// the spin.
void AttachConversion(KVSpinButton* spin, std::function<std::optional<int32_t>(const std::string&)> parse,
                      std::function<std::string(int32_t)> format, int32_t unitsPerStep = 1);

}  // namespace kv
