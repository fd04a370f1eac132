#include "app/strings/formattext.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace kv {
namespace {

struct Case {
    const char* name;
    const char* format;
    std::vector<MsgArg> args;
    std::string expected;
    bool ok;
};

TEST(FormatText, FormatsPrintfConversionsCheckedAgainstTheirArguments)
{
    const Case cases[] = {
        {"plain text", "Track %d is too big.", {7}, "Track 7 is too big.", true},
        {"percent sign", "%d%%", {50}, "50%", true},
        {"hex byte", "status byte: %02X", {0x9}, "status byte: 09", true},
        {"long", "%ld events", {long(123456789)}, "123456789 events", true},
        {"unsigned long", "%lu events", {4000000000u}, "4000000000 events", true},
        {"text", "Track(s) %s contain", {"1, 2"}, "Track(s) 1, 2 contain", true},
        {"width and precision", "[%5.1f|%-4s|%04d]", {2.25, "ab", 42}, "[  2.2|ab  |0042]", true},
        {"star width", "[%*d]", {4, 7}, "[   7]", true},
        {"char", "%c", {'A'}, "A", true},
        // Faults that C's printf would turn into undefined behaviour:
        {"integer for %s", "name %s!", {5}, "name <?>!", false},
        {"text for %d", "count %d", {"five"}, "count <?>", false},
        {"missing argument", "%d of %d", {1}, "1 of <?>", false},
        {"extra argument", "no conversions", {1}, "no conversions", false},
        {"%n never writes", "x%n", {1}, "x<?>", false},
        {"dangling percent", "100%", {}, "100<?>", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FormattedText r = FormatText(c.format, c.args);
        EXPECT_EQ(r.text, c.expected);
        EXPECT_EQ(r.ok, c.ok);
    }
}

TEST(FormatText, CutsTheResultToTheMessageBuffer)
{
    std::string longText(600, 'x');
    std::array<MsgArg, 1> args{MsgArg(longText)};
    FormattedText r = FormatText("%s", args);
    EXPECT_EQ(r.text.size(), kMessageSize - 1);

    // A huge width must neither allocate it nor run past the buffer.
    std::array<MsgArg, 1> one{MsgArg(1)};
    EXPECT_EQ(FormatText("%999999999d", one).text.size(), kMessageSize - 1);

    // A cut never splits a UTF-8 sequence: 254 ASCII bytes then a 2-byte letter
    // leave 254 bytes, not 255 with half a letter.
    std::string accented(254, 'a');
    accented += "\xC3\xA9";  // e acute
    std::array<MsgArg, 1> arg{MsgArg(accented)};
    EXPECT_EQ(FormatText("%s", arg).text, std::string(254, 'a'));
}

}  // namespace
}  // namespace kv
