#pragma once

#include <array>
#include <cstdint>

namespace kv {

// The start of every patch-name set: how the set's instruments select banks.
struct SetHeader {
    uint8_t bankMethod = 0;    // 0 none, 1 "CC0", 2 "CC32"
    int16_t defaultBank = -1;  // 15-bit bank; meaningful only when bankMethod is not 0
};

inline constexpr int kPorts = 32;
inline constexpr int kChannels = 16;

// Which patch-name set each output port and channel uses, so that track
// conversion knows how bank selects fold into program changes. The table does
// not own the sets; the patch names database does, and refills the table
// whenever it changes them.
class ChannelSetTable {
public:
    // 0, 1 or 2; 0 for an empty slot or a port/channel out of range.
    int BankMethod(int port, int channel) const;
    // The set's default bank, or -1 when its method is 0.
    int DefaultBank(int port, int channel) const;

    void AssignSet(int port, int channel, const SetHeader* set);
    void ClearAll() { m_slots.fill(nullptr); }

private:
    const SetHeader* Slot(int port, int channel) const;
    std::array<const SetHeader*, kPorts * kChannels> m_slots{};
};

}  // namespace kv
