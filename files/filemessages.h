#pragma once

#include "platform/messages.h"

namespace kv {

struct Song;

// The song's message seam, or, when the song has none (a headless caller), a
// silent one that answers every question with its default: OK or Yes, which
// is "continue" for every question the reader and writer ask.
class FileMessages {
public:
    explicit FileMessages(Song& song);
    FileMessages(const FileMessages&) = delete;
    FileMessages& operator=(const FileMessages&) = delete;
    Messages& operator*() { return *m_messages; }
    Messages* operator->() { return m_messages; }

private:
    class Silent : public Messages {
    public:
        Button Box(unsigned style, int number, const std::string& text) override;
        void Fatal(int, const std::string&) override {}
        void Progress(int, int) override {}
        void Prompt(int) override {}
        void WaitCursor(bool) override {}
    };
    Silent m_silent;
    Messages* m_messages;
};

}  // namespace kv
