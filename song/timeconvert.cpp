#include "song/timeconvert.h"

#include <algorithm>
#include <limits>

#include "controls/scale.h"

namespace kv {

namespace {
constexpr uint32_t kAllOnes = 0xFFFFFFFFu;
constexpr uint32_t kTempoScale = 60000000u;  // microseconds per minute; times 100 for the tempo value
constexpr uint32_t kFastestTempo = 65535;    // 655.35 beats per minute, the 16-bit limit
}  // namespace

uint32_t MulDivRound(uint32_t a, uint32_t b, uint32_t c)
{
    if (c == 0)
        return kAllOnes;
    const uint64_t p = uint64_t(a) * b + c / 2;  // cannot wrap: at most (2^32-1)^2 + 2^31
    const uint64_t q = p / c;
    return q > kAllOnes ? kAllOnes : static_cast<uint32_t>(q);
}

uint32_t TempoUsFromValue(uint32_t value)
{
    return MulDivRound(kTempoScale, 100, value);
}

uint16_t TempoValueFromUs(uint32_t usPerQuarter)
{
    if (usPerQuarter == 0)
        return kFastestTempo;
    const uint32_t v = ScaleUnsigned(kTempoScale, 100, usPerQuarter);
    return static_cast<uint16_t>(std::min(v, kFastestTempo));
}

uint32_t TickToMs(const TempoMap& map, int32_t timebase, int32_t tick)
{
    if (tick < 0)
        return 0;
    TempoEntry dflt;
    const TempoEntry& e = map.entries.empty() ? dflt : map.entries[FindTempo(map, tick)];
    // Before the first entry (which a valid map puts at tick 0) the first tempo holds.
    const uint32_t d = tick > e.tick ? uint32_t(tick - e.tick) : 0;
    const uint64_t ms = uint64_t(e.ms) + MulDivRound(d, e.usPerQuarter, uint32_t(timebase) * 1000u);
    return ms > kAllOnes ? kAllOnes : static_cast<uint32_t>(ms);
}

int32_t MsToTick(const TempoMap& map, int32_t timebase, uint32_t ms)
{
    TempoEntry dflt;
    const TempoEntry& e = map.entries.empty() ? dflt : map.entries[FindTempoByMs(map, ms)];
    const uint32_t d = ms > e.ms ? ms - e.ms : 0;
    const int64_t t = int64_t(e.tick) + MulDivRound(d, uint32_t(timebase) * 1000u, e.usPerQuarter);
    return static_cast<int32_t>(std::min<int64_t>(t, std::numeric_limits<int32_t>::max()));
}

uint32_t PackSmpte(uint32_t rate, uint32_t hours, uint32_t minutes, uint32_t seconds, uint32_t frames)
{
    return (rate & 3) << 29 | (hours & 0x1F) << 24 | (minutes & 0x3F) << 16 | (seconds & 0x3F) << 8 |
           (frames & 0x1F);
}

uint32_t SmpteToMs(uint32_t s)
{
    const uint32_t h = SmpteHours(s), m = SmpteMinutes(s), sec = SmpteSeconds(s), f = SmpteFrames(s);
    const uint32_t whole = h * 3600000u + m * 60000u + sec * 1000u;
    switch (SmpteRateOf(s)) {
        case kSmpte24:
            return whole + f * 1000u / 24u;
        case kSmpte25:
            return whole + f * 40u;
        case kSmpte30:
            return whole + f * 1000u / 30u;
        default:
            // Drop frame: every ten minutes hold exactly 17982 frames, and
            // each minute but the tenth drops two frame numbers (1798 frames).
            return (h * 6 + m / 10) * 600000u + MulDivRound(30 * sec + 1798 * (m % 10) + f, 600000, 17982);
    }
}

uint32_t MsToSmpte(uint32_t smpteOffset, uint32_t ms)
{
    const uint32_t rate = SmpteRateOf(smpteOffset);
    const uint64_t total = uint64_t(SmpteToMs(smpteOffset)) + ms;
    const uint32_t h = static_cast<uint32_t>(total / 3600000u);
    const uint32_t m = static_cast<uint32_t>(total % 3600000u / 60000u);
    const uint32_t sec = static_cast<uint32_t>(total % 60000u / 1000u);
    const uint32_t r = static_cast<uint32_t>(total % 1000u);
    static constexpr uint32_t kFps[4] = {24, 25, 30, 30};
    const uint32_t fps = kFps[rate];
    uint32_t frames = MulDivRound(r, fps, 1000);
    if (rate == kSmpte30Drop && frames > 0) {
        const uint64_t back =
            uint64_t(h / 32) * 32 * 3600000u + SmpteToMs(PackSmpte(kSmpte30Drop, h, m, sec, frames));
        if (back > total)
            --frames;
    }
    // Rounding may reach the next second (990 ms at 30 frames per second
    // gives 29.7); a frame number of fps does not exist, so such a time shows
    // the last frame of its second.
    if (frames >= fps)
        frames = fps - 1;
    return PackSmpte(0, h, m, sec, frames);
}

}  // namespace kv
