#include "song/timetext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "song/timebase.h"

namespace kv {
namespace {

// 4/4 from tick 0, 6/8 from measure 3 (tick 960): beats of 120 ticks, then
// of 60 ticks. Timebase 120.
class TimeTextTest : public testing::Test {
protected:
    void SetUp() override
    {
        sigs.entries = {{0, 1, 4, 2, 4}, {960, 3, 6, 3, 6}};
        keys.entries = {{0, 7, false}, {480, 6, false}};  // C major, F major from measure 2
        UseFormat(3);
    }
    void UseFormat(int32_t timeFormat)
    {
        p.timeSigs = &sigs;
        p.keySigs = &keys;
        p.timebase = 120;
        p.timeFormat = timeFormat;
        p.firstMeasure = FirstMeasureFor(timeFormat);
        p.firstBeat = FirstBeatFor(timeFormat);
        for (TimeSigEntry& e : sigs.entries)
            e.measure += p.firstMeasure - sigs.entries.front().measure;
        sigs.cursor = 0;
    }
    TimeSigMap sigs;
    KeySigMap keys;
    TimeParams p;
};

TEST_F(TimeTextTest, FormatTimeWithMeasures)
{
    struct Case {
        int32_t timeFormat, tick;
        const char* text;
    };
    const Case cases[] = {
        {3, 0, "1.1:000"},
        {1, 0, "0.0:000"},
        {4, 0, "0.1:000"},
        {2, 0, "1.0:000"},
        {3, 725, "2.3:005"},            // 480 + 2 x 120 + 5
        {3, 1090, "3.3:010"},           // 6/8 from 960: 130 = 2 beats of 60 and 10
        {3, 0x7FFFFFFF, "9999.6:059"},  // the open end: last tick of measure 9999 in 6/8
        {3, -1, "0.4:119"},             // count-in before measure 1
        {1, -960, "-2.0:000"},          // two measures before measure 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tick);
        UseFormat(c.timeFormat);
        EXPECT_EQ(FormatTime(p, c.tick, true), c.text);
    }
}

TEST_F(TimeTextTest, FormatTimeAsBeatsUsesTheSignatureUsedLast)
{
    EXPECT_EQ(FormatTime(p, 250, false), "2:010");  // 4/4 in use: 2 x 120 + 10
    EXPECT_EQ(FormatTime(p, -250, false), "-2:010");
    EXPECT_EQ(FormatTime(p, 1199999, false), "9999:119");  // 9999 x 120 + 119
    EXPECT_EQ(FormatTime(p, 1200000, false), "9999:119");  // at most 9999 beats
    EXPECT_EQ(FormatTime(p, INT32_MIN, false), "-9999:119");
    FormatTime(p, 1000, true);                      // a lookup in the 6/8 stretch
    EXPECT_EQ(FormatTime(p, 250, false), "4:010");  // beats of 60 ticks now
    UseFormat(0);                                   // beats:ticks even where measures are asked for
    sigs.entries = {{0, 0, 1, 2, 1}};
    EXPECT_EQ(FormatTime(p, 250, true), "2:010");
}

TEST_F(TimeTextTest, ParseTimeReadsEveryForm)
{
    struct Case {
        const char* text;
        bool measures;
        int32_t tick;
    };
    const Case cases[] = {
        {"/8", true, 60},  // 120 x 4 / 8
        {"  /4", false, 120},
        {"/0", true, 0},
        {"/", true, 0},
        {"/99999999999999999999", true, 0},
        {"1.1:000", true, 0},
        {"2.3:005", true, 725},
        {"2.3:5", false, 725},  // a "." makes it a measure time even for durations
        {"2", true, 480},       // measure 2
        {"2.3", true, 720},
        {"  3.1:000", true, 960},
        {"0.0:0", true, 0},  // measure and beat below the first become the first
        {"", true, 0},
        {"2", false, 240},     // 2 beats
        {"2:30", false, 270},  // 2 beats and 30 ticks
        {"2:30", true, 270},   // a ":" without "." is beats:ticks
        {"abc", true, 0},
        {"99999999999999999999.1", true, 0x7FFFFFFF},  // saturates, never wraps
        {"1.1:99999999999", true, 0x7FFFFFFF},
        {"99999999999:5", false, 0x7FFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        sigs.cursor = 0;
        EXPECT_EQ(ParseTime(p, c.text, c.measures), c.tick);
    }
}

TEST_F(TimeTextTest, ParseTimeInFormatZeroReadsBeats)
{
    UseFormat(0);
    sigs.entries = {{0, 0, 1, 2, 1}};
    EXPECT_EQ(ParseTime(p, "2", true), 240);
    EXPECT_EQ(ParseTime(p, "2:30", true), 270);
    EXPECT_EQ(ParseTime(p, "2.0:30", true), 270);  // measure 2 of one beat each
}

TEST_F(TimeTextTest, FormatThenParseRoundTrips)
{
    for (int32_t format = 1; format <= 4; ++format) {
        UseFormat(format);
        for (int32_t tick : {0, 1, 479, 480, 959, 960, 1019, 123456}) {
            SCOPED_TRACE(testing::Message() << format << " " << tick);
            EXPECT_EQ(ParseTime(p, FormatTime(p, tick, true), true), tick);
            EXPECT_EQ(ParseTime(p, FormatTime(p, tick, false), false), tick);
        }
    }
}

TEST_F(TimeTextTest, NoteNamesFollowTheKeySignature)
{
    EXPECT_EQ(NoteName(p, 61, 0), "C# 5");    // C major spells sharps; 61 / 12 = 5
    EXPECT_EQ(NoteName(p, 61, 480), "Db 5");  // F major spells flats
    EXPECT_EQ(NoteName(p, 0, 0), "C  0");
    EXPECT_EQ(NoteName(p, 127, 0), "G 10");
    p.middleC = -1;
    EXPECT_EQ(NoteName(p, 60, 0), "C  4");
    EXPECT_STREQ(KeyName(0, false), "Cb Major");
    EXPECT_STREQ(KeyName(7, false), "C Major");
    EXPECT_STREQ(KeyName(14, true), "A# Minor");
    EXPECT_STREQ(KeyName(7, true), "A Minor");
}

TEST(ParseNote, ReadsNumbersAndNames)
{
    struct Case {
        const char* text;
        int middleC;
        int key;
    };
    const Case cases[] = {
        {"C#4", 0, 49},  // 1 + 4 x 12
        {"60", 0, 60},
        {" 12", 0, 12},
        {"127", 0, 127},
        {"128", 0, -1},  // out of range: fallback
        {"H", 0, -1},
        {"", 0, -1},
        {"#4", 0, -1},
        {"c 4", 0, 48},
        {"Bb3", 0, 46},  // 11 - 1 + 36
        {"b-3", 0, 46},
        {"E+4", 0, 53},   // 4 + 1 + 48
        {"C4", -1, 60},   // (4 + 1) x 12
        {"C", 0, 0},      // no octave: octave 0
        {"Cb0", 0, 127},  // -1 mod 128
        {"G99", 0, 43},   // 7 + 1188 = 1195 mod 128
        {"A99999999999999999999", 0, 9 + static_cast<int>((int64_t(1) << 40) * 12 % 128)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseNote(c.text, -1, c.middleC), c.key);
    }
}

TEST(ParseHexBytes, ReadsPairsBlanksAndComments)
{
    struct Case {
        const char* text;
        size_t max;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"F0 7E 7", 16, {0xF0, 0x7E, 0x07}},  // a lone digit is a byte
        {"f07e", 16, {0xF0, 0x7E}},
        {"123", 16, {0x12, 0x03}},
        {"F0 ; comment G\n7E", 16, {0xF0, 0x7E}},
        {"\tF0\r\n", 16, {0xF0}},
        {"F0;", 16, {0xF0}},
        {"F0 7E 7F", 2, {0xF0, 0x7E}},  // stops when the buffer is full
        {"F0 7E zz", 2, {0xF0, 0x7E}},
        {"F0 G1", 16, {}},  // any other character: nothing
        {"F0 7E -", 16, {}},
        {"", 16, {}},
        {"F0", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        uint8_t buffer[16] = {};
        const size_t n = ParseHexBytes(c.text, buffer, c.max);
        EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + n), c.bytes);
    }
}

TEST(FormatHexBytes, WritesWholeBytesThatFit)
{
    const uint8_t bytes[] = {0xF0, 0x7E, 0x0A};
    EXPECT_EQ(FormatHexBytes(bytes, 3, true), "F0 7E 0A ");
    EXPECT_EQ(FormatHexBytes(bytes, 3, false), "F07E0A");
    char buffer[8];
    EXPECT_EQ(FormatHexBytes(bytes, 3, buffer, 7, true), 6u);  // "F0 7E " and the NUL
    EXPECT_STREQ(buffer, "F0 7E ");
    EXPECT_EQ(FormatHexBytes(bytes, 3, buffer, 6, true), 3u);  // no room for a second whole byte
    EXPECT_STREQ(buffer, "F0 ");
    EXPECT_EQ(FormatHexBytes(bytes, 3, buffer, 1, false), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(FormatHexBytes(bytes, 3, buffer, 0, false), 0u);
}

TEST(Timebase, PlayableTimebasesAreTheListedOnes)
{
    std::vector<std::string> accepted;
    for (int32_t t = -24; t <= 2000; ++t)
        if (IsPlayableTimebase(t))
            accepted.push_back(std::to_string(t));
    std::vector<std::string> listed(TimebaseTexts().begin(), TimebaseTexts().end());
    EXPECT_EQ(listed, accepted);
    // Multiples of 24 from 48 to 960: (960 - 48) / 24 + 1.
    EXPECT_EQ(listed.size(), 39u);
    EXPECT_EQ(listed.front(), "48");
    EXPECT_EQ(listed.back(), "960");
    EXPECT_FALSE(IsPlayableTimebase(0));
    EXPECT_FALSE(IsPlayableTimebase(100));
    EXPECT_STREQ(TimeFormatTexts()[3], "1.1:000");
}

}  // namespace
}  // namespace kv
