#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "libraries/patchlibrary.h"
#include "platform/fakemessages.h"
#include "platform/memorysettings.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// The sets installed with the program compile without a single message and
// give the default assignments their names.
TEST(ShippedPatchSets, CompileCleanlyAndServeTheDefaults)
{
    const fs::path folder = fs::path(testing::TempDir()) / ("kvpatch_shipped_" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    FakeMessages messages;
    MemorySettings settings;
    ChannelSetTable table;
    PatchLibrary library(messages, settings, table, folder);
    ASSERT_TRUE(library.EnsureDatabase(fs::path(KV_SOURCE_DIR) / "share" / "patches"));
    EXPECT_TRUE(messages.shown().empty());

    library.SetPorts({"Software Synth"});
    library.LoadAssignments();
    const PatchDatabase& db = library.Database();
    const int gm = db.FindSet("General MIDI");
    ASSERT_GE(gm, 0);
    int named = 0;
    for (int p = 0; p < 128; ++p)
        named += db.ProgramName(gm, p, -1).empty() ? 0 : 1;
    EXPECT_EQ(named, 128);
    EXPECT_EQ(library.AssignedSet(0, 9), db.FindSet("General MIDI Drums"));
    EXPECT_NE(library.KeyName(0, 9, 0, -1, 38, false), "Key #38");
    EXPECT_EQ(library.KeyName(0, 9, 0, -1, 10, false), "Key #10");  // below the GM kit

    bool banked = false;
    for (int s = 0; s < db.SetCount(); ++s)
        banked = banked || db.Set(s).header.bankMethod != 0;
    EXPECT_TRUE(banked);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace kv
