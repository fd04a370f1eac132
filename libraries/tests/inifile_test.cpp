#include "libraries/inifile.h"

#include <gtest/gtest.h>

#include <string>

namespace kv {
namespace {

TEST(IniFile, ReadsSectionsAndKeysWithoutCaseFirstDuplicateWins)
{
    IniFile ini;
    ini.Parse(
        "; comment\n"
        "stray=ignored\n"
        "[List of Patch Sets]\r\n"
        "  NumSets = 2 \r\n"
        "[Synth]\n"
        "Type=Patches\n"
        "0=Grand Piano\n"
        "0=Second Piano\n"
        "type=Banks\n"
        "[broken\n"
        "5=lost\n"
        "[SYNTH]\n"
        "1=Bright Piano\n"
        "=no key\n");
    EXPECT_EQ(ini.GetInt("list of patch sets", "numsets", 0), 2);
    EXPECT_EQ(ini.GetString("synth", "TYPE"), "Patches");
    EXPECT_EQ(ini.GetString("Synth", "0"), "Grand Piano");
    EXPECT_EQ(ini.GetString("Synth", "1"), "Bright Piano");  // a repeated section continues
    EXPECT_EQ(ini.Find("Synth", "5"), nullptr);
    EXPECT_EQ(ini.Find("Nowhere", "0"), nullptr);
    EXPECT_FALSE(ini.HasSection("broken"));
    EXPECT_EQ(ini.Find("", "stray"), nullptr);
    EXPECT_EQ(ini.Keys("Synth").size(), 3u);
}

TEST(IniFile, NumbersReadStrictly)
{
    IniFile ini;
    ini.Parse("[S]\na=12\nb=+7\nc=12x\nd=\ne=99999999999\nf=-3\n");
    struct Case {
        const char* key;
        int expected;
    };
    const Case cases[] = {{"a", 12}, {"b", 7}, {"c", -1}, {"d", -1}, {"e", -1}, {"f", -3}, {"g", -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(ini.GetInt("S", c.key, -1), c.expected);
    }
}

TEST(IniFile, LongValuesAreCutAt255BytesOnACharacterBoundary)
{
    // 200 ASCII bytes then 40 two-byte characters: the cut falls inside one.
    const std::string value = std::string(200, 'a') + [] {
        std::string s;
        for (int i = 0; i < 40; ++i)
            s += "\xC3\xA9";
        return s;
    }();
    IniFile ini;
    ini.Parse("[S]\nk=" + value + "\n");
    const std::string read = ini.GetString("S", "k");
    EXPECT_EQ(read.size(), 254u);  // 200 + 27 x 2; 255 would split a character
    EXPECT_EQ(read, value.substr(0, 254));
}

TEST(IniFile, BytesThatAreNotUtf8ReadAsLatin1)
{
    IniFile ini;
    ini.Parse("[S]\nk=Caf\xE9 \xFF\nv=na\xC3\xAFve\n");
    EXPECT_EQ(ini.GetString("S", "k"), "Caf\xC3\xA9 \xC3\xBF");
    EXPECT_EQ(ini.GetString("S", "v"), "na\xC3\xAFve");  // valid UTF-8 untouched
}

TEST(IniFile, NulBytesAreDropped)
{
    IniFile ini;
    ini.Parse(std::string("[A\0B]\nk=x\0y\n[\0]\nj=1\n", 20));
    EXPECT_EQ(ini.GetString("AB", "k"), "xy");
    EXPECT_EQ(ini.GetString("", "j"), "1");  // a section named by NULs alone has an empty name
}

TEST(IniFile, WrittenTextReadsBack)
{
    IniFile out;
    out.Set("A", "x", "1");
    out.Set("B", "y", "two words");
    out.Set("a", "X", "3");  // replaces, without case
    IniFile in;
    in.Parse(out.Text());
    EXPECT_EQ(in.GetString("A", "x"), "3");
    EXPECT_EQ(in.GetString("B", "y"), "two words");
}

}  // namespace
}  // namespace kv
