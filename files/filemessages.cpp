#include "files/filemessages.h"

#include "song/song.h"

namespace kv {

FileMessages::FileMessages(Song& song) : m_messages(song.messages ? song.messages : &m_silent) {}

Button FileMessages::Silent::Box(unsigned style, int, const std::string&)
{
    switch (style & box::kButtonMask) {
        case box::kYesNo:
        case box::kYesNoCancel:
            return Button::Yes;
        default:
            return Button::Ok;
    }
}

}  // namespace kv
