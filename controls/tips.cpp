#include "controls/tips.h"

namespace kv {

std::vector<std::string> ParseTips(std::string_view data)
{
    std::vector<std::string> tips;
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find_first_of(std::string_view("\0\n", 2), start);
        if (end == std::string_view::npos)
            end = data.size();
        std::string_view text = data.substr(start, end - start);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        if (text.empty())
            break;
        tips.emplace_back(text);
        start = end + 1;
    }
    return tips;
}

int NextTipId(int lastId, int count)
{
    if (count <= 0)
        return kFirstTipId;
    const int next = lastId + 1;
    if (next < kFirstTipId || next >= kFirstTipId + count)
        return kFirstTipId;
    return next;
}

}  // namespace kv
