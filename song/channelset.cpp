#include "song/channelset.h"

namespace kv {

const SetHeader* ChannelSetTable::Slot(int port, int channel) const
{
    if (port < 0 || port >= kPorts || channel < 0 || channel >= kChannels)
        return nullptr;
    return m_slots[port * kChannels + channel];
}

int ChannelSetTable::BankMethod(int port, int channel) const
{
    const SetHeader* set = Slot(port, channel);
    if (set == nullptr || set->bankMethod > 2)
        return 0;
    return set->bankMethod;
}

int ChannelSetTable::DefaultBank(int port, int channel) const
{
    if (BankMethod(port, channel) == 0)
        return -1;
    const int bank = Slot(port, channel)->defaultBank;
    return bank < 0 ? -1 : (bank & 0x7FFF);
}

void ChannelSetTable::AssignSet(int port, int channel, const SetHeader* set)
{
    if (port < 0 || port >= kPorts || channel < 0 || channel >= kChannels)
        return;
    m_slots[port * kChannels + channel] = set;
}

}  // namespace kv
