// Typed times, notes and hexadecimal bytes are hostile text: every parser
// must answer for any bytes without reading outside them or overflowing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "song/timeedit.h"
#include "song/timetext.h"

namespace {

// The first bytes choose the song the text is read in; the rest is the text.
struct Setup {
    kv::TimeSigMap sigs;
    kv::KeySigMap keys;
    kv::TempoMap tempos;
    kv::TimeParams p;
};

void Configure(Setup& s, uint8_t a, uint8_t b)
{
    s.p.timeFormat = a % 5;
    s.p.firstMeasure = kv::FirstMeasureFor(s.p.timeFormat);
    s.p.firstBeat = kv::FirstBeatFor(s.p.timeFormat);
    s.p.timebase = 24 * (1 + b % 40);
    s.p.middleC = int(b >> 4) - 8;
    s.p.timeSigs = &s.sigs;
    s.p.keySigs = &s.keys;
    s.p.tempos = &s.tempos;
    s.p.smpteOffset = uint32_t(a) << 24 | uint32_t(b) << 8;
    const uint8_t numerator = s.p.timeFormat == 0 ? 1 : uint8_t(1 + a / 5 % 12);
    s.sigs.entries = {{0, s.p.firstMeasure, numerator, uint8_t(a / 60 % 4), numerator}};
    // A second signature later on, so measure lookups cross entries.
    s.sigs.entries.push_back({kv::MeasureTicks(s.sigs.entries[0], s.p.timebase) * 3, s.p.firstMeasure + 3,
                              uint8_t(1 + b % 7), 3, 1});
    s.keys.entries = {{0, uint8_t(a % 15), false}};
    s.tempos.entries = {{0, 500000, 0}, {s.p.timebase, 1u + b * 40000u, 500}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    Setup s;
    Configure(s, data[0], data[1]);
    const uint8_t mode = data[2];
    // A copy of exactly the text's size, so a read past its end is caught.
    const size_t length = size - 3;
    std::unique_ptr<char[]> text(new char[length ? length : 1]);
    for (size_t i = 0; i < length; ++i)
        text[i] = char(data[3 + i]);
    const std::string_view view(text.get(), length);

    const bool measures = mode & 1;
    const int32_t tick = kv::ParseTime(s.p, view, measures);
    if (tick < 0)
        std::abort();
    // Whatever was typed must show and read back without faults.
    kv::ParseTime(s.p, kv::FormatTime(s.p, tick, measures), measures);
    kv::DescribeTick(s.p, tick);

    const int key = kv::ParseNote(view, -1, s.p.middleC);
    if (key < -1 || key > 127)
        std::abort();
    if (key >= 0)
        kv::NoteName(s.p, key, tick);

    const size_t max = mode >> 1;  // 0..127 bytes
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[max ? max : 1]);
    const size_t count = kv::ParseHexBytes(view, bytes.get(), max);
    if (count > max)
        std::abort();
    kv::FormatHexBytes(bytes.get(), count, true);

    const kv::TimeFieldStep step =
        kv::StepTimeField(s.p, view, length == 0 ? 0 : data[0] % (length + 1), int8_t(data[1]), measures);
    if (step.caret > step.text.size())
        std::abort();
    return 0;
}
