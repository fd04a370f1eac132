#include "transport/transportcommands.h"

namespace kv {

namespace {

const TransportCommandInfo kCommands[] = {
    {kCmdPlay, "&Play\tSpace", "Space", false},
    {kCmdRecord, "&Record\tF5", "F5", false},
    {kCmdStop, "&Stop\tSpace", "Space", false},
    {kCmdPlayStop, nullptr, "Space", false},
    {kCmdRewind, "Rewin&d\tF6", "F6", false},
    {kCmdFastForward, "&Fast Forward", nullptr, false},
    {kCmdGoTo, "&Go To\tF9", "F9", false},
    {kCmdJumpFrom, "Jump to From Time\tF7", "F7", false},
    {kCmdJumpTo, "Jump to To Time\tF8", "F8", false},
    {kCmdAutoReset, "A&uto Reset", nullptr, true},
    {kCmdAutoRewind, "Auto Re&wind", nullptr, true},
    {kCmdQuickPlay, "&Quick Play after Load", nullptr, true},
    {kCmdPatchCache, "Patch &Cache", nullptr, true},
};

}  // namespace

std::span<const TransportCommandInfo> TransportCommands()
{
    return kCommands;
}

const TransportCommandInfo* FindTransportCommand(int32_t id)
{
    for (const TransportCommandInfo& c : kCommands)
        if (c.id == id)
            return &c;
    return nullptr;
}

bool TransportEnabled(int32_t id, const TransportState& s)
{
    switch (id) {
        case kCmdPlay:
            return !s.playing && !s.engineBusy;
        case kCmdRecord:
        case kCmdGoTo:
        case kCmdJumpFrom:
        case kCmdJumpTo:
            return !s.engineBusy;
        case kCmdStop:
            return s.playing;
        case kCmdPlayStop:
            return s.playing || !s.engineBusy;
        case kCmdFastForward:
            return !(s.playing && s.realTime);
        case kCmdRewind:
        case kCmdAutoReset:
        case kCmdAutoRewind:
        case kCmdQuickPlay:
        case kCmdPatchCache:
            return true;
        default:
            return false;
    }
}

}  // namespace kv
