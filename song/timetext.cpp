#include "song/timetext.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "song/measuretime.h"
#include "song/timeconvert.h"

namespace kv {

namespace {

constexpr int32_t kMaxTick = std::numeric_limits<int32_t>::max();
constexpr int64_t kMaxBeats = 9999;
// Typed numbers stop growing here: far past any time, far below int64 overflow.
constexpr int64_t kNumberCeiling = int64_t(1) << 40;

const char* const kSharpNames[12] = {"C ", "C#", "D ", "D#", "E ", "F ", "F#", "G ", "G#", "A ", "A#", "B "};
const char* const kFlatNames[12] = {"C ", "Db", "D ", "Eb", "E ", "F ", "Gb", "G ", "Ab", "A ", "Bb", "B "};
const char* const kMajorNames[15] = {"Cb Major", "Gb Major", "Db Major", "Ab Major", "Eb Major",
                                     "Bb Major", "F Major",  "C Major",  "G Major",  "D Major",
                                     "A Major",  "E Major",  "B Major",  "F# Major", "C# Major"};
const char* const kMinorNames[15] = {"Ab Minor", "Eb Minor", "Bb Minor", "F Minor",  "C Minor",
                                     "G Minor",  "D Minor",  "A Minor",  "E Minor",  "B Minor",
                                     "F# Minor", "C# Minor", "G# Minor", "D# Minor", "A# Minor"};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads text from pos while it is lightly structured: blanks, then digits.
class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}
    void SkipBlanks()
    {
        while (m_pos < m_text.size() && IsBlank(m_text[m_pos]))
            ++m_pos;
    }
    char Peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }
    void Skip() { ++m_pos; }
    bool Accept(char c)
    {
        if (Peek() != c)
            return false;
        ++m_pos;
        return true;
    }
    // Blanks then decimal digits; no digits read as 0. Saturates.
    int64_t Number(bool* any = nullptr)
    {
        SkipBlanks();
        int64_t v = 0;
        bool got = false;
        while (IsDigit(Peek())) {
            v = std::min(v * 10 + (Peek() - '0'), kNumberCeiling);
            got = true;
            ++m_pos;
        }
        if (any)
            *any = got;
        return v;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
};

int32_t ClampTick(int64_t t)
{
    return static_cast<int32_t>(std::clamp<int64_t>(t, 0, kMaxTick));
}
int32_t ClampInt(int64_t v)
{
    return static_cast<int32_t>(std::min<int64_t>(v, kMaxTick));
}

// The beat length of durations: that of the time signature used last.
int32_t LastBeatTicks(const TimeParams& p)
{
    const TimeSigMap& map = *p.timeSigs;
    const int32_t i = std::clamp<int32_t>(map.cursor, 0, static_cast<int32_t>(map.entries.size()) - 1);
    return BeatTicks(map.entries[i], p.timebase);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string FormatTime(const TimeParams& p, int32_t tick, bool measures)
{
    char text[48];
    if (measures && p.timeFormat != 0) {
        MeasureTime m;
        TickToMeasureTime(p, tick, m);
        std::snprintf(text, sizeof text, "%d.%d:%03d", m.measure, m.beat, m.tick);
        return text;
    }
    const int32_t beatTicks = LastBeatTicks(p);
    const int64_t magnitude = tick < 0 ? -int64_t(tick) : tick;
    int64_t beats = magnitude / beatTicks;
    int64_t ticks = magnitude % beatTicks;
    if (beats > kMaxBeats) {
        beats = kMaxBeats;
        ticks = beatTicks - 1;
    }
    std::snprintf(text, sizeof text, "%s%ld:%03ld", tick < 0 ? "-" : "", static_cast<long>(beats),
                  static_cast<long>(ticks));
    return text;
}

std::string FormatClock(uint32_t ms)
{
    char text[40];
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld.%03ld", long(ms / 3600000u), long(ms / 60000u % 60u),
                  long(ms / 1000u % 60u), long(ms % 1000u));
    return text;
}

std::string FormatSmpte(uint32_t s)
{
    char text[40];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld.%02ld", long((s >> 24) & 0x1F),
                  long((s >> 16) & 0x3F), long((s >> 8) & 0x3F), long(s & 0x1F));
    return text;
}

TickTexts DescribeTick(const TimeParams& p, int32_t tick)
{
    static const TempoMap kNoTempos;
    TickTexts texts;
    texts.measureTime = FormatTime(p, tick, true);
    texts.beatsTicks = FormatTime(p, tick, false);
    const uint32_t ms = TickToMs(p.tempos ? *p.tempos : kNoTempos, p.timebase, tick);
    texts.clock = FormatClock(ms);
    texts.smpte = FormatSmpte(MsToSmpte(p.smpteOffset, ms));
    return texts;
}

int32_t ParseTime(const TimeParams& p, std::string_view text, bool measures)
{
    Reader in(text);
    in.SkipBlanks();
    if (in.Accept('/')) {
        const int64_t n = in.Number();
        return n == 0 ? 0 : ClampTick(int64_t(p.timebase) * 4 / n);
    }
    const bool dot = text.find('.') != std::string_view::npos;
    const bool colon = text.find(':') != std::string_view::npos;
    if (dot || (!colon && measures && p.timeFormat != 0)) {
        MeasureTime m;
        m.measure = std::max(ClampInt(in.Number()), p.firstMeasure);
        m.beat = p.firstBeat;
        if (in.Accept('.'))
            m.beat = std::max(ClampInt(in.Number()), p.firstBeat);
        if (in.Accept(':'))
            m.tick = ClampInt(in.Number());
        return ClampTick(MeasureTimeToTick(p, m));
    }
    const int64_t beats = in.Number();
    const int64_t ticks = in.Accept(':') ? in.Number() : 0;
    return ClampTick(beats * LastBeatTicks(p) + ticks);
}

std::string NoteName(const TimeParams& p, int key, int32_t tick)
{
    key &= 0x7F;
    int sig = 7;
    if (p.keySigs && !p.keySigs->entries.empty())
        sig = p.keySigs->entries[FindKeySig(*p.keySigs, tick)].key;
    const char* name = (sig >= 7 ? kSharpNames : kFlatNames)[key % 12];
    char text[24];
    std::snprintf(text, sizeof text, "%s%2d", name, key / 12 + p.middleC);
    return text;
}

const char* KeyName(int key, bool minor)
{
    key = std::clamp(key, 0, 14);
    return minor ? kMinorNames[key] : kMajorNames[key];
}

int ParseNote(std::string_view text, int fallback, int middleC)
{
    static constexpr int kPitchClass[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
    Reader in(text);
    in.SkipBlanks();
    const char c = in.Peek();
    if (IsDigit(c)) {
        const int64_t key = in.Number();
        return key <= 127 ? static_cast<int>(key) : fallback;
    }
    int pitch;
    if (c >= 'A' && c <= 'G')
        pitch = kPitchClass[c - 'A'];
    else if (c >= 'a' && c <= 'g')
        pitch = kPitchClass[c - 'a'];
    else
        return fallback;
    in.Skip();
    in.SkipBlanks();
    if (in.Accept('#') || in.Accept('+'))
        ++pitch;
    else if (in.Accept('-') || in.Accept('b'))
        --pitch;
    const int64_t octave = in.Number();
    const int64_t key = pitch + (octave - middleC) * 12;
    return static_cast<int>(((key % 128) + 128) % 128);
}

size_t ParseHexBytes(std::string_view text, uint8_t* buffer, size_t max)
{
    size_t count = 0;
    size_t i = 0;
    while (i < text.size() && count < max) {
        const char c = text[i];
        if (IsBlank(c) || c == '\r' || c == '\n') {
            ++i;
        } else if (c == ';') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (HexValue(c) >= 0) {
            int v = HexValue(c);
            ++i;
            if (i < text.size() && HexValue(text[i]) >= 0)
                v = v * 16 + HexValue(text[i++]);
            buffer[count++] = static_cast<uint8_t>(v);
        } else {
            return 0;
        }
    }
    return count;
}

size_t FormatHexBytes(const uint8_t* bytes, size_t count, char* buffer, size_t size, bool spaced)
{
    if (size == 0)
        return 0;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const size_t width = spaced ? 3 : 2;
    size_t used = 0;
    for (size_t i = 0; i < count && used + width < size; ++i) {
        buffer[used++] = kDigits[bytes[i] >> 4];
        buffer[used++] = kDigits[bytes[i] & 0xF];
        if (spaced)
            buffer[used++] = ' ';
    }
    buffer[used] = '\0';
    return used;
}

std::string FormatHexBytes(const uint8_t* bytes, size_t count, bool spaced)
{
    std::string text(count * 3 + 1, '\0');
    text.resize(FormatHexBytes(bytes, count, text.data(), text.size(), spaced));
    return text;
}

}  // namespace kv
