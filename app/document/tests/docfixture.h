#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/document/autosave.h"
#include "app/document/mididoc.h"
#include "app/settings/settings.h"
#include "platform/fakemessages.h"

namespace kv::test {

class FakeClock : public AutoSaveClock {
public:
    int64_t now = 1000;
    int64_t NowMs() const override { return now; }
};

class FakeTimer : public AutoSaveTimer {
public:
    bool available = true;
    bool running = false;
    int starts = 0;
    bool Start(int intervalMs) override
    {
        if (!available)
            return false;
        EXPECT_EQ(intervalMs, 60000);
        running = true;
        ++starts;
        return true;
    }
    void Stop() override { running = false; }
};

// Records every hint a view receives.
class RecordingView : public DocView {
public:
    std::vector<CNotify> hints;
    void OnUpdate(const CNotify& hint) override { hints.push_back(hint); }
    std::vector<int> Kinds() const
    {
        std::vector<int> k;
        for (const CNotify& h : hints)
            k.push_back(h.kind);
        return k;
    }
    int Count(int kind) const
    {
        int n = 0;
        for (const CNotify& h : hints)
            n += h.kind == kind ? 1 : 0;
        return n;
    }
};

// A fresh temporary folder per test, removed afterwards.
class TempFolder {
public:
    TempFolder()
    {
        // Several fixtures may live in one test: each gets its own folder.
        static int serial = 0;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path =
            std::filesystem::temp_directory_path() / ("kvdoc-" + std::string(info->test_suite_name()) + "-" +
                                                      info->name() + "-" + std::to_string(++serial));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() { std::filesystem::remove_all(m_path); }
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    std::string Folder() const { return m_path.string() + "/"; }

private:
    std::filesystem::path m_path;
};

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string ShippedDefaultSong()
{
    return std::string(KV_SHARE_DIR) + "/KVP$DEF.MID";
}

// A document over fakes, with its automatic save file in a temporary folder.
struct DocFixture {
    TempFolder folder;
    FakeMessages messages;
    Settings settings;
    FakeClock clock;
    FakeTimer timer;
    std::unique_ptr<CMidiDoc> doc;

    DocFixture()
    {
        settings.autoSaveFile = folder.File("KVP$Auto.sav");
        doc = std::make_unique<CMidiDoc>(messages, settings, clock, timer);
    }
};

// Writes a small song (the default song's layout) to path with timebase tb.
bool WriteSongFile(const std::string& path, int timebase = 120);

}  // namespace kv::test
