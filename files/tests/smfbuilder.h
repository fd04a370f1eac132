#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "files/songfiles.h"
#include "platform/fakemessages.h"
#include "song/mapbuild.h"
#include "song/song.h"

namespace kv::test {

using Bytes = std::vector<uint8_t>;

// A track body written event by event: delta times, raw message bytes and
// the end-of-track event.
class Body {
public:
    Body& At(uint32_t delta, std::initializer_list<uint8_t> bytes);
    Body& Raw(std::initializer_list<uint8_t> bytes);
    Body& Meta(uint32_t delta, uint8_t type, const Bytes& data);
    Body& Text(uint32_t delta, uint8_t type, const std::string& text);
    Body& SysEx(uint32_t delta, const Bytes& data);  // F0 len data
    Body& Note(uint32_t delta, int channel, int key, int velocity, uint32_t length);
    Body& End(uint32_t delta = 0);
    const Bytes& bytes() const { return m_bytes; }

private:
    Bytes m_bytes;
};

void PutVarLen(Bytes& out, uint32_t value);
Bytes Header(uint16_t format, uint16_t chunks, uint16_t division, uint32_t length = 6);
Bytes Chunk(const char* tag, const Bytes& body);
Bytes TrackChunk(const Body& body);
Bytes Cat(std::initializer_list<Bytes> parts);
Bytes Riff(const Bytes& smf);
// A whole file: header (format 0 for one track, else 1) and the tracks.
Bytes Smf(uint16_t division, std::initializer_list<Body> tracks);

// A song with every seam a loaded song needs in the program: messages that
// answer from a script, and the time-map builder.
struct SongFixture {
    SongFixture();
    Song song;
    WaveTable waves;
    FakeMessages messages;
    TimeMapBuilder maps;
    SongFiles files{song, waves};

    // Reads bytes as a load (first 0) or as a merge at first.
    bool Read(const Bytes& bytes, int first = 0);
    // The Events of a track in use (built if needed).
    std::vector<Event> Events(int track);
    // The payload of an Event of a track as bytes.
    Bytes Payload(int track, const Event& e);
};

// A folder under the test temporary area, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    std::vector<std::string> Names() const;

private:
    std::string m_path;
};

Bytes ReadAll(const std::string& path);
void WriteAll(const std::string& path, const Bytes& bytes);

}  // namespace kv::test
