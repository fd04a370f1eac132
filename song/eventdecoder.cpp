#include "song/eventdecoder.h"

#include "controls/scale.h"
#include "song/song.h"
#include "song/timeconvert.h"

namespace kv {

namespace {
constexpr uint8_t kOwnPrefix[3] = {0x00, 0x00, 0x5B};

bool IsOwnRecord(const RawEvent& raw)
{
    return raw.length >= 4 && raw.data[0] == kOwnPrefix[0] && raw.data[1] == kOwnPrefix[1] &&
           raw.data[2] == kOwnPrefix[2];
}

int ShiftedQuarterClocks(int denomPower)
{
    return denomPower < 8 ? (96 >> denomPower) : 0;
}
}  // namespace

int32_t ClicksFromClocks(int numerator, int denomPower, int clocks)
{
    if (clocks == 0)
        return numerator;
    const int32_t clicks = ShiftedQuarterClocks(denomPower) * numerator / clocks;
    if (clicks == 0 || numerator % clicks != 0)
        return numerator;
    return clicks;
}

uint8_t ClocksFromClicks(int numerator, int denomPower, int32_t clicks)
{
    if (clicks <= 0 || numerator % clicks != 0)
        clicks = numerator;
    if (clicks == 0)
        return 0;  // a 0/x signature; read back as 0 clicks again
    return uint8_t(ShiftedQuarterClocks(denomPower) * numerator / clicks);
}

uint32_t MicrosFromTempo(int32_t bpm100)
{
    if (bpm100 <= 0)
        return 0xFFFFFF;
    const uint32_t us = ScaleUnsigned(60000000, 100, uint32_t(bpm100));
    return us > 0xFFFFFF ? 0xFFFFFF : us;
}

int StreamPort(std::span<const uint8_t> stream, int fallback)
{
    StreamReader reader(stream);
    RawEvent raw;
    int port = fallback;
    while (reader.Next(raw) && raw.time == 0)
        if (raw.status == 0xFF && raw.metaType == 0x21 && raw.length >= 1)
            port = raw.data[0] > 31 ? 31 : raw.data[0];
    return port;
}

EventDecoder::EventDecoder(const Song& song, int port, bool names)
    : m_song(song), m_port(port), m_names(names)
{
    ResetBanks();
}

void EventDecoder::ResetBanks()
{
    for (int ch = 0; ch < 16; ++ch)
        m_bank[ch] = DefaultBankFor(m_song, m_port, ch);
}

EventDecoder::Action EventDecoder::DecodeSystem(const RawEvent& raw, Event& out)
{
    out = Event{};
    out.time = raw.time;
    if (raw.status == 0xFF)
        return DecodeMeta(raw, out);
    out.status = uint8_t(EventKind::SysEx);
    out.data1 = raw.status;
    return Action::Store;
}

EventDecoder::Action EventDecoder::DecodeMeta(const RawEvent& raw, Event& out)
{
    const uint8_t type = raw.metaType;
    if (type >= 1 && type <= 7) {
        if (m_names && raw.time == 0) {
            if ((type == 1 || type == 3) && !m_nameSkipped) {
                m_nameSkipped = true;
                return Action::Skip;
            }
            if (type == 4 && !m_instrumentSkipped) {
                m_instrumentSkipped = true;
                return Action::Skip;
            }
        }
        out.status = uint8_t(EventKind::MetaTxt);
        out.data1 = type;
        return Action::Store;
    }
    switch (type) {
        case 0x51:
            if (raw.length < 3)
                return Action::Skip;
            out.status = uint8_t(EventKind::Tempo);
            out.SetTempo(TempoValueFromUs((uint32_t(raw.data[0]) << 16) | (raw.data[1] << 8) | raw.data[2]));
            return Action::Store;
        case 0x58: {
            if (raw.length < 2)
                return Action::Skip;
            const int clocks = raw.length >= 3 ? raw.data[2] : 0;
            out.status = uint8_t(EventKind::TimeSig);
            out.data1 = raw.data[0];
            out.data2 = raw.data[1];
            out.value = ClicksFromClocks(raw.data[0], raw.data[1], clocks);
            return Action::Store;
        }
        case 0x59: {
            if (raw.length < 2)
                return Action::Skip;
            // Keys outside 7 flats..7 sharps have no name or spelling; clamp them
            // so every reader of data1 may index its 15-entry tables.
            int sf = int8_t(raw.data[0]);
            sf = sf < -7 ? -7 : (sf > 7 ? 7 : sf);
            out.status = uint8_t(EventKind::KeySig);
            out.data1 = uint8_t(sf + 7);
            out.data2 = raw.data[1] ? 1 : 0;
            return Action::Store;
        }
        case 0x7F:
            if (!IsOwnRecord(raw))
                return Action::Skip;
            if (raw.data[3] <= 0x0F) {
                out.status = uint8_t(EventKind::Own);
                out.data1 = raw.data[3];
                return Action::Store;
            }
            if (raw.data[3] == 0x10 && raw.length >= 6) {
                out.status = uint8_t(EventKind::Wave);
                out.value = raw.data[4] | (raw.data[5] << 8);
                return Action::Store;
            }
            return Action::Skip;
        default:
            return Action::Skip;
    }
}

// Controllers 0 and 32 (bank selects, folded into the program changes after
// them when the port and channel name a bank method) and 123 (all notes off).
EventDecoder::Action EventDecoder::DecodeController(const RawEvent& raw)
{
    const int ch = raw.status & 0x0F;
    if (raw.data1 == 123)
        return Action::AllNotesOff;
    const int method = BankMethodFor(m_song, m_port, ch);
    if (method == 1 || method == 2) {
        // method 1: controller 0 is the low byte; method 2: controller 32.
        const bool low = (raw.data1 == 0) == (method == 1);
        int bank = m_bank[ch] < 0 ? 0 : m_bank[ch];
        bank = low ? ((bank & 0x7F00) | raw.data2) : ((bank & 0x00FF) | (raw.data2 << 8));
        m_bank[ch] = bank == 0x7FFF ? 0x7F7F : bank;
        return Action::Skip;
    }
    return Action::Store;
}

}  // namespace kv
