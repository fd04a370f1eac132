#include "platform/memorysettings.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(MemorySettings, ReadsBackWhatWasWrittenAndDefaultsOtherwise)
{
    MemorySettings s;
    const std::string app = kProgramAppKey;
    s.WriteInt(app, "General", "TimeFmt", 2);
    s.WriteString(app, "General", "Name", "x");
    s.WriteBinary(app, "Placements", "Pos0", {1, 2, 3});
    s.WriteString(app, "General", "Typed", "12");
    s.WriteString(app, "General", "Junk", "12abc");

    EXPECT_EQ(s.GetInt(app, "General", "TimeFmt", 3), 2);
    EXPECT_EQ(s.GetInt(app, "General", "Missing", 3), 3);
    EXPECT_EQ(s.GetInt(app, "General", "Typed", 3), 12);              // a number typed as text
    EXPECT_EQ(s.GetInt(app, "General", "Junk", 3), 3);                // not a number: the default
    EXPECT_EQ(s.GetInt("MIDI Support", "General", "TimeFmt", 3), 3);  // other application key
    EXPECT_EQ(s.GetString(app, "General", "Name", ""), "x");
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(s.GetBinary(app, "Placements", "Pos0", bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(s.GetBinary(app, "General", "Name", bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(MemorySettings, DeleteSectionRemovesOnlyThatSection)
{
    MemorySettings s;
    const std::string app = kProgramAppKey;
    s.WriteInt(app, "Placements", "Pos0", 1);
    s.WriteInt(app, "Placements", "Pos1", 1);
    s.WriteInt(app, "Placements2", "Pos0", 1);
    s.WriteInt(app, "Placement", "Pos0", 1);
    s.DeleteSection(app, "Placements");
    EXPECT_FALSE(s.Has(app, "Placements", "Pos0"));
    EXPECT_FALSE(s.Has(app, "Placements", "Pos1"));
    EXPECT_TRUE(s.Has(app, "Placements2", "Pos0"));
    EXPECT_TRUE(s.Has(app, "Placement", "Pos0"));
}

}  // namespace
}  // namespace kv
