#include "app/strings/stringtable.h"

#include <gtest/gtest.h>

#include <array>
#include <regex>
#include <string>

namespace kv {
namespace {

TEST(StringTable, IsSortedWithoutDuplicates)
{
    auto table = StringTable();
    ASSERT_FALSE(table.empty());
    for (size_t i = 1; i < table.size(); ++i)
        EXPECT_LT(table[i - 1].number, table[i].number) << "at " << table[i].number;
}

// Every conversion in the table must be one the formatter understands, so a
// message never shows "<?>" because of the table itself.
TEST(StringTable, HoldsOnlyWellFormedFormats)
{
    const std::regex conversion(R"(%(%|[-+ #0]*(\d+|\*)?(\.(\d+|\*))?(hh|h|ll|l)?[diuxXocsfFeEgG]))");
    for (const StringEntry& e : StringTable()) {
        std::string rest = std::regex_replace(std::string(e.text), conversion, "");
        EXPECT_EQ(rest.find('%'), std::string::npos) << "string " << e.number << ": " << e.text;
    }
}

TEST(StringTable, MissingNumberGivesTheFixedText)
{
    EXPECT_EQ(LoadString(199), nullptr);
    EXPECT_EQ(FormatString(199).text, kMissingString);
    EXPECT_EQ(FormatString(-1).text, kMissingString);
}

TEST(StringTable, FormatsAStoredMessage)
{
    // 265 takes the track number.
    std::array<MsgArg, 1> args{MsgArg(12)};
    FormattedText r = FormatString(265, args);
    EXPECT_TRUE(r.ok);
    EXPECT_NE(r.text.find("12"), std::string::npos) << r.text;
}

}  // namespace
}  // namespace kv
