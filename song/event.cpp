#include "song/event.h"

namespace kv {

std::string_view EventKindLabel(EventKind kind)
{
    static constexpr std::string_view kLabels[16] = {
        "Tempo",   "TimeSig", "MetaTxt", "KVLEvt!", "Wave",    "Key Sig", "Error60", "Error70",
        "NoteOff", "Note On", "KeyPres", "CtrlChg", "Pgm Chg", "CnlPres", "PtchBnd", "Sys Ex",
    };
    return kLabels[uint8_t(kind) >> 4];
}

std::string_view TextTypeLabel(int textType)
{
    static constexpr std::string_view kLabels[8] = {
        "!Error0", "Text", "\xC2\xA9      ", "TrkName", "InsName", "Lyric", "Marker", "Cue Pt",
    };
    return textType >= 0 && textType < 8 ? kLabels[textType] : kLabels[0];
}

std::string_view OwnSubtypeLabel(int subtype)
{
    if (subtype == 0)
        return "MCI";
    if (subtype == 1)
        return "Chord";
    return EventKindLabel(EventKind::Own);
}

}  // namespace kv
