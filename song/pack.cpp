#include "song/pack.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "platform/messages.h"
#include "song/eventdecoder.h"
#include "song/scan.h"
#include "song/song.h"
#include "song/streamwriter.h"

namespace kv {

namespace {

constexpr uint8_t kOwn[3] = {0x00, 0x00, 0x5B};
constexpr int32_t kFirstStreamSize = 0xFE00;

// An entry waiting to be written: a note-off, a bank-select controller or a
// wave preparation record. Entries with equal times leave in the order they
// were queued, so a note-off queued first is written first.
struct Pending {
    uint64_t key;    // time in the high word, queue order in the low one
    uint8_t status;  // channel status, or 0 for a wave preparation record
    uint8_t data1;
    uint8_t data2;
    int32_t wave;

    int32_t time() const { return int32_t(key >> 32); }
};

// The waiting entries, latest first so the next one to write is at the back.
// A handful of notes sound at once, so a sorted array beats a heap here.
class PendingList {
public:
    bool empty() const { return m_items.empty(); }
    const Pending& next() const { return m_items.back(); }
    void pop() { m_items.pop_back(); }
    void push(const Pending& p)
    {
        auto at = std::lower_bound(m_items.begin(), m_items.end(), p,
                                   [](const Pending& a, const Pending& b) { return a.key > b.key; });
        m_items.insert(at, p);
    }

private:
    std::vector<Pending> m_items;
};

struct BankBytes {
    uint8_t cc0;
    uint8_t cc32;
};

// method 1: controller 0 carries the low byte; method 2: controller 32.
BankBytes BankControllers(const Event& e, int method)
{
    const int bank = e.Bank();
    const uint8_t low = uint8_t(bank & 0x7F);
    const uint8_t high = uint8_t((bank >> 8) & 0x7F);
    return method == 1 ? BankBytes{low, high} : BankBytes{high, low};
}

class Packer {
public:
    Packer(Song& song, int track, PackMode mode, int32_t from, int32_t to, std::vector<uint8_t>& out)
        : m_song(song),
          m_trackIndex(track),
          m_t(song.tracks[track]),
          m_mode(mode),
          m_from(from),
          m_to(to),
          m_w(out)
    {
    }

    bool Run();

private:
    bool Included(const Event& e) const
    {
        switch (m_mode) {
            case PackMode::Section:
                return e.time >= m_from && e.time <= m_to;
            case PackMode::Selection:
                return e.Selected();
            default:
                return true;
        }
    }
    int32_t Rel(int64_t time) const { return int32_t(std::clamp<int64_t>(time - m_origin, 0, 0x7FFFFFFF)); }
    void Queue(int64_t time, uint8_t status, uint8_t d1, uint8_t d2, int32_t wave = 0)
    {
        m_pending.push(Pending{(uint64_t(Rel(time)) << 32) | m_seq++, status, d1, d2, wave});
    }
    void Flush(int32_t upTo);
    void WritePending(const Pending& p);
    void OwnHeader(uint8_t type, uint32_t dataLength);
    void TrackZeroRecords();
    void HeaderRecords();
    void QueueExtras();
    bool OutEvent(const Event& e);
    bool WritesNothing(const Event& e) const;
    void OutPayload(uint8_t metaOrStatus, bool meta, int32_t handle, bool text);

    Song& m_song;
    int m_trackIndex;
    Track& m_t;
    PackMode m_mode;
    int32_t m_from;
    int32_t m_to;
    int32_t m_origin = 0;
    StreamWriter m_w;
    PendingList m_pending;
    uint32_t m_seq = 0;
    std::vector<int32_t> m_inlineBanks;  // programs whose bank controllers go right before them
};

void Packer::WritePending(const Pending& p)
{
    m_w.Time(p.time());
    if (p.status != 0) {
        m_w.Channel(p.status, p.data1, p.data2);
        return;
    }
    OwnHeader(0x11, 2);
    m_w.Le(uint32_t(p.wave), 2);
}

void Packer::Flush(int32_t upTo)
{
    while (!m_pending.empty() && m_pending.next().time() <= upTo) {
        WritePending(m_pending.next());
        m_pending.pop();
    }
}

void Packer::OwnHeader(uint8_t type, uint32_t dataLength)
{
    m_w.MetaHeader(0x7F, dataLength + 4);
    m_w.Bytes(kOwn, 3);
    m_w.Byte(type);
}

void Packer::TrackZeroRecords()
{
    if (m_song.authoringMark) {
        static constexpr uint8_t kMark[3] = {0x00, 0x00, 0x41};
        m_w.Time(0);
        m_w.MetaHeader(0x7F, 3);
        m_w.Bytes(kMark, 3);
    }
    if (m_song.waveCount > 0) {
        m_w.Time(0);
        OwnHeader(0x21, 12);
        m_w.Le(uint32_t(m_song.waveLead), 4);
        m_w.Le(uint32_t(m_song.from), 4);
        m_w.Le(uint32_t(m_song.to), 4);
    }
    bool anyOwn = false;
    for (int i = 0; i < m_song.trackCount && !anyOwn; ++i)
        anyOwn = (m_song.tracks[i].contentFlags & kContentOwn) != 0;
    if (anyOwn) {
        m_w.Time(0);
        OwnHeader(0x22, 2);
        m_w.Byte(m_song.flatChar);
        m_w.Byte(m_song.sharpChar);
    }
    m_w.Time(0);
    OwnHeader(0x23, 6);
    m_w.Bytes(m_song.documentRecord.data(), 6);
}

void Packer::HeaderRecords()
{
    if (m_mode == PackMode::Normal) {
        if (m_trackIndex == 0)
            TrackZeroRecords();
        if (m_t.muteFlags & kMutedByCommand) {
            m_w.Time(0);
            OwnHeader(0x24, 1);
            m_w.Byte(1);
        }
        const std::string* names[2] = {&m_t.name, &m_t.instrument};
        for (int i = 0; i < 2; ++i) {
            if (names[i]->empty())
                continue;
            const size_t n = std::min<size_t>(names[i]->size(), 127);
            m_w.Time(0);
            m_w.MetaHeader(i == 0 ? 0x03 : 0x04, uint32_t(n));
            m_w.Bytes(reinterpret_cast<const uint8_t*>(names[i]->data()), n);
        }
        if (m_trackIndex == 0) {
            m_w.Time(0);
            m_w.MetaHeader(0x54, 5);
            m_w.Byte(uint8_t(m_song.smpteOffset >> 24));
            m_w.Byte(uint8_t(m_song.smpteOffset >> 16));
            m_w.Byte(uint8_t(m_song.smpteOffset >> 8));
            m_w.Byte(uint8_t(m_song.smpteOffset));
            m_w.Byte(0);
        }
    }
    m_w.Time(0);
    m_w.MetaHeader(0x21, 1);
    m_w.Byte(m_t.port > 31 ? 31 : m_t.port);
    if (m_mode == PackMode::Normal &&
        (m_t.transpose != 0 || m_t.velocityAdjust != 0 || m_t.loops != 1 || m_t.delay != 0)) {
        m_w.Time(0);
        OwnHeader(0x20, 8);
        m_w.Byte(uint8_t(m_t.transpose));
        m_w.Byte(uint8_t(m_t.velocityAdjust));
        m_w.Le(uint32_t(m_t.loops), 2);
        m_w.Le(uint32_t(m_t.delay), 4);
    }
}

void Packer::QueueExtras()
{
    std::array<int64_t, 16> lastBanked;
    lastBanked.fill(INT64_MIN / 2);
    for (int32_t i = 0; i < m_t.eventCount; ++i) {
        const Event& e = m_t.events[size_t(i)];
        if (!Included(e))
            continue;
        if (e.Kind() == EventKind::Wave && m_mode == PackMode::Normal) {
            Queue(std::max<int64_t>(0, int64_t(e.time) - m_song.waveLead), 0, 0, 0, e.value);
        } else if (e.Kind() == EventKind::PgmChg && e.Bank() >= 0) {
            const int method = BankMethodFor(m_song, m_t.port, e.Channel());
            if (method != 1 && method != 2)
                continue;
            // Controllers two ticks early would land before a program of the
            // same channel up to two ticks earlier and give it this bank; such
            // a program gets its controllers right before itself instead.
            int64_t& last = lastBanked[size_t(e.Channel())];
            const bool inlined = int64_t(e.time) - 2 <= last;
            last = e.time;
            if (inlined) {
                m_inlineBanks.push_back(i);
                continue;
            }
            const BankBytes b = BankControllers(e, method);
            const uint8_t status = uint8_t(0xB0 | e.Channel());
            Queue(std::max<int64_t>(0, int64_t(e.time) - 2), status, 0, b.cc0);
            Queue(std::max<int64_t>(0, int64_t(e.time) - 1), status, 32, b.cc32);
        }
    }
}

void Packer::OutPayload(uint8_t type, bool meta, int32_t handle, bool text)
{
    const uint8_t* p = m_t.heap.Payload(handle);
    if (p == nullptr)
        return;  // a dead handle is written as nothing rather than as garbage
    uint32_t n = uint32_t(m_t.heap.PayloadSize(handle));
    if (text)
        n = uint32_t(strnlen(reinterpret_cast<const char*>(p), n));
    if (text && n == 0)
        return;
    if (meta)
        m_w.MetaHeader(type, n);
    else
        m_w.SysExHeader(type, n);
    if (n > 0)
        m_w.Bytes(p, n);
}

// Empty texts and payloads whose block is gone leave no trace, not even
// their delta time.
bool Packer::WritesNothing(const Event& e) const
{
    if (e.Kind() != EventKind::MetaTxt && e.Kind() != EventKind::SysEx)
        return false;
    const uint8_t* p = m_t.heap.Payload(e.value);
    if (p == nullptr)
        return true;
    const int32_t n = m_t.heap.PayloadSize(e.value);
    return e.Kind() == EventKind::MetaTxt && (n == 0 || p[0] == 0);
}

bool Packer::OutEvent(const Event& e)
{
    switch (e.Kind()) {
        case EventKind::Tempo: {
            const uint32_t us = MicrosFromTempo(e.value & 0xFFFF);
            m_w.MetaHeader(0x51, 3);
            m_w.Byte(uint8_t(us >> 16));
            m_w.Byte(uint8_t(us >> 8));
            m_w.Byte(uint8_t(us));
            return true;
        }
        case EventKind::TimeSig:
            m_w.MetaHeader(0x58, 4);
            m_w.Byte(e.data1);
            m_w.Byte(e.data2);
            m_w.Byte(ClocksFromClicks(e.data1, e.data2, e.value));
            m_w.Byte(8);
            return true;
        case EventKind::MetaTxt:
            if (e.value != 0)
                OutPayload(e.data1 >= 1 && e.data1 <= 0x0F ? e.data1 : 0x01, true, e.value, true);
            return true;
        case EventKind::SysEx:
            if (e.value != 0)
                OutPayload(e.data1 == 0xF7 ? 0xF7 : 0xF0, false, e.value, false);
            return true;
        case EventKind::Own: {
            const int32_t n = e.value != 0 ? m_t.heap.PayloadSize(e.value) : 0;
            OwnHeader(e.data1 & 0x0F, uint32_t(n));
            if (n > 0)
                m_w.Bytes(m_t.heap.Payload(e.value), size_t(n));
            return true;
        }
        case EventKind::Wave:
            OwnHeader(0x10, 2);
            m_w.Le(uint32_t(e.value), 2);
            return true;
        case EventKind::KeySig:
            m_w.MetaHeader(0x59, 2);
            m_w.Byte(uint8_t(int(e.data1) - 7));
            m_w.Byte(e.data2);
            return true;
        case EventKind::Error60:
        case EventKind::Error70:
            if (m_song.messages)
                m_song.messages->ShowInfo(301, unsigned(e.status));
            return false;
        case EventKind::NoteOn:
            // Velocity 0 would read back as a note-off and lose the note.
            m_w.Channel(e.status, e.data1, std::max<uint8_t>(e.data2 & 0x7F, 1));
            return true;
        default:
            m_w.Channel(e.status, e.data1, e.data2);
            return true;
    }
}

bool Packer::Run()
{
    if (m_mode == PackMode::Section) {
        m_origin = m_from;
    } else if (m_mode == PackMode::Selection) {
        for (int32_t i = 0; i < m_t.eventCount; ++i)
            if (m_t.events[size_t(i)].Selected()) {
                m_origin = m_t.events[size_t(i)].time;
                break;
            }
    }
    HeaderRecords();
    QueueExtras();
    size_t nextInline = 0;
    for (int32_t i = 0; i < m_t.eventCount; ++i) {
        Event& e = m_t.events[size_t(i)];
        if (!Included(e))
            continue;
        int32_t time = Rel(e.time);
        Flush(time);
        if (WritesNothing(e))
            continue;
        if (time < m_w.lastTime()) {
            if (m_song.messages)
                m_song.messages->ShowInfo(300, long(e.time), long(m_w.lastTime() + m_origin));
            time = m_w.lastTime();
        }
        if (nextInline < m_inlineBanks.size() && m_inlineBanks[nextInline] == i) {
            ++nextInline;
            const BankBytes b = BankControllers(e, BankMethodFor(m_song, m_t.port, e.Channel()));
            const uint8_t status = uint8_t(0xB0 | e.Channel());
            m_w.Time(time);
            m_w.Channel(status, 0, b.cc0);
            m_w.Time(time);
            m_w.Channel(status, 32, b.cc32);
        }
        m_w.Time(time);
        if (!OutEvent(e))
            return false;
        if (e.Kind() == EventKind::NoteOn) {
            if (e.value <= 0 && m_mode == PackMode::Normal)
                e.value = 1;
            Queue(int64_t(e.time) + std::max(e.value, 1), e.status, e.data1, 0);
        }
    }
    Flush(0x7FFFFFFF);
    m_w.Time(m_w.lastTime());
    m_w.MetaHeader(0x2F, 0);
    m_w.Finish();
    return true;
}

void AssignFileNumber(Song& song, int track, bool renumber)
{
    Track& t = song.tracks[track];
    if (track == 0) {
        t.fileNumber = 0;
        song.nextFileNumber = 1;
    } else if (renumber || t.fileNumber < 0) {
        t.fileNumber = song.nextFileNumber++;
    }
}

}  // namespace

int PackTo(Song& song, int track, PackMode mode, int32_t from, int32_t to, std::vector<uint8_t>& out)
{
    try {
        out.clear();
        out.reserve(kFirstStreamSize);
        Packer packer(song, track, mode, from, to, out);
        if (packer.Run())
            return 0;
        out.clear();
        return 1;
    } catch (const std::bad_alloc&) {
        out.clear();
        out.shrink_to_fit();
        if (song.messages)
            song.messages->ShowInfo(339);
        return 1;
    }
}

int Pack(Song& song, int track, bool renumber)
{
    AssignFileNumber(song, track, renumber);
    Track& t = song.tracks[track];
    if (!t.changed || !t.eventsBuilt)
        return 0;
    t.changed = 0;
    std::vector<uint8_t>().swap(t.stream);
    t.streamSize = 0;
    std::vector<uint8_t> out;
    if (PackTo(song, track, PackMode::Normal, 0, 0x7FFFFFFF, out) != 0) {
        // Still stale: the next Pack tries again instead of saving nothing.
        t.changed = 1;
        return 1;
    }
    out.shrink_to_fit();
    t.stream = std::move(out);
    t.streamSize = int32_t(t.stream.size());
    ScanStream(song, track);
    return 0;
}

}  // namespace kv
