#include "platform/messages.h"

namespace kv {

Button Messages::Show(unsigned style, int id, std::span<const MsgArg> args)
{
    return Box(style, id, FormatString(id, args).text);
}

Button Messages::ShowText(unsigned style, std::string_view format, std::span<const MsgArg> args)
{
    return Box(style, 0, FormatText(format, args).text);
}

void Messages::SetProgress(int position, int maximum)
{
    if (maximum != -1)
        m_progressMax = maximum;
    Progress(position, m_progressMax);
}

}  // namespace kv
