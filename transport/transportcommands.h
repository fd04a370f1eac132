#pragma once

#include <cstdint>
#include <span>

namespace kv {

// The transport's command ids.
enum TransportCommand : int32_t {
    kCmdGoTo = 33014,
    kCmdRecord = 33015,
    kCmdPlay = 33016,
    kCmdStop = 33017,
    kCmdRewind = 33018,
    kCmdFastForward = 33019,
    kCmdPatchCache = 33020,
    kCmdQuickPlay = 33012,
    kCmdPlayStop = 33046,  // Space in the views
    kCmdJumpFrom = 32797,
    kCmdJumpTo = 32798,
    kCmdAutoReset = 32806,
    kCmdAutoRewind = 32807,
};

// One command as the menus show it: the text with its '&' mnemonic, the
// accelerator after '\t' (display only; the key itself is in accelerator),
// and whether it carries a check mark.
struct TransportCommandInfo {
    int32_t id;
    const char* menuText;     // null: no menu item (Space in the views)
    const char* accelerator;  // Qt key sequence text; null when none
    bool checkable;
};

std::span<const TransportCommandInfo> TransportCommands();
const TransportCommandInfo* FindTransportCommand(int32_t id);

// What the enabling rules look at.
struct TransportState {
    bool playing = false;
    bool engineBusy = false;
    bool realTime = false;  // the "RealTime" setting
};

// Whether the command is enabled in that state; false for ids that are not
// the transport's.
bool TransportEnabled(int32_t id, const TransportState& state);

}  // namespace kv
