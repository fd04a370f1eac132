#include "files/tests/smfbuilder.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "files/bytesource.h"
#include "song/songreset.h"
#include "song/trackstore.h"

namespace kv::test {

void PutVarLen(Bytes& out, uint32_t value)
{
    uint8_t tmp[5];
    int n = 0;
    tmp[n++] = uint8_t(value & 0x7F);
    while (value >>= 7)
        tmp[n++] = uint8_t(0x80 | (value & 0x7F));
    while (n)
        out.push_back(tmp[--n]);
}

Body& Body::At(uint32_t delta, std::initializer_list<uint8_t> bytes)
{
    PutVarLen(m_bytes, delta);
    return Raw(bytes);
}

Body& Body::Raw(std::initializer_list<uint8_t> bytes)
{
    m_bytes.insert(m_bytes.end(), bytes);
    return *this;
}

Body& Body::Meta(uint32_t delta, uint8_t type, const Bytes& data)
{
    PutVarLen(m_bytes, delta);
    m_bytes.push_back(0xFF);
    m_bytes.push_back(type);
    PutVarLen(m_bytes, uint32_t(data.size()));
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    return *this;
}

Body& Body::Text(uint32_t delta, uint8_t type, const std::string& text)
{
    return Meta(delta, type, Bytes(text.begin(), text.end()));
}

Body& Body::SysEx(uint32_t delta, const Bytes& data)
{
    PutVarLen(m_bytes, delta);
    m_bytes.push_back(0xF0);
    PutVarLen(m_bytes, uint32_t(data.size()));
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    return *this;
}

Body& Body::Note(uint32_t delta, int channel, int key, int velocity, uint32_t length)
{
    At(delta, {uint8_t(0x90 | channel), uint8_t(key), uint8_t(velocity)});
    return At(length, {uint8_t(0x80 | channel), uint8_t(key), 0x40});
}

Body& Body::End(uint32_t delta)
{
    return At(delta, {0xFF, 0x2F, 0x00});
}

Bytes Header(uint16_t format, uint16_t chunks, uint16_t division, uint32_t length)
{
    Bytes h = {'M',
               'T',
               'h',
               'd',
               uint8_t(length >> 24),
               uint8_t(length >> 16),
               uint8_t(length >> 8),
               uint8_t(length)};
    const uint8_t fields[] = {uint8_t(format >> 8), uint8_t(format),        uint8_t(chunks >> 8),
                              uint8_t(chunks),      uint8_t(division >> 8), uint8_t(division)};
    for (uint32_t i = 0; i < length; ++i)
        h.push_back(i < 6 ? fields[i] : 0);
    return h;
}

Bytes Chunk(const char* tag, const Bytes& body)
{
    const uint32_t n = uint32_t(body.size());
    Bytes c(tag, tag + 4);
    c.insert(c.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    c.insert(c.end(), body.begin(), body.end());
    return c;
}

Bytes TrackChunk(const Body& body)
{
    return Chunk("MTrk", body.bytes());
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes Riff(const Bytes& smf)
{
    Bytes form = {'R', 'M', 'I', 'D'};
    const Bytes data = Chunk("data", smf);
    form.insert(form.end(), data.begin(), data.end());
    return Chunk("RIFF", form);
}

Bytes Smf(uint16_t division, std::initializer_list<Body> tracks)
{
    Bytes all = Header(tracks.size() == 1 ? 0 : 1, uint16_t(tracks.size()), division);
    for (const Body& b : tracks) {
        const Bytes c = TrackChunk(b);
        all.insert(all.end(), c.begin(), c.end());
    }
    return all;
}

SongFixture::SongFixture()
{
    song.messages = &messages;
    song.timeMaps = &maps;
    ResetSong(song);
    files.settings.warnSysEx = true;
}

bool SongFixture::Read(const Bytes& bytes, int first)
{
    MemorySource in(bytes);
    return ReadFile(files, in, first, false);
}

std::vector<Event> SongFixture::Events(int track)
{
    const Event* ev = LockNotes(song, track, false);
    std::vector<Event> out;
    if (ev)
        out.assign(ev, ev + song.tracks[track].eventCount);
    Unlock(song, track, false);
    return out;
}

Bytes SongFixture::Payload(int track, const Event& e)
{
    const SubHeap& heap = song.tracks[track].heap;
    const uint8_t* p = heap.Payload(e.value);
    return p ? Bytes(p, p + heap.PayloadSize(e.value)) : Bytes{};
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kv_files_XXXXXX").string();
    m_path = mkdtemp(pattern.data()) ? pattern : std::string();
}

TempDir::~TempDir()
{
    std::error_code ec;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ec);
}

std::vector<std::string> TempDir::Names() const
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(m_path, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Bytes ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace kv::test
