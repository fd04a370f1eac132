#include "app/document/viewtypes.h"

#include <array>

namespace kv {
namespace {

constexpr std::array<std::string_view, kLastViewType + 1> kClassNames = {
    "",       "CTrkList",    "CEvtList",    "CPiano", "CKeyboard", "CSongView",
    "CScore", "CStepRecord", "CController", "CMixer", "CDrumView",
};

}  // namespace

std::string_view ViewClassName(int type)
{
    return type > kNoView && type <= kLastViewType ? kClassNames[size_t(type)] : std::string_view();
}

int ViewTypeOfClass(std::string_view className)
{
    for (int t = kTrkList; t <= kLastViewType; ++t)
        if (kClassNames[size_t(t)] == className)
            return t;
    return kNoView;
}

bool IsSingleInstance(int type)
{
    return type == kKeyboard || type == kSongView || type == kStepRecord;
}

}  // namespace kv
