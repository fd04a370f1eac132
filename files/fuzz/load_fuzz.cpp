// The whole load of a song file from hostile bytes: header and chunk search,
// track bodies, BuildEvents, the wave chunk, the warnings and the time maps;
// then the song is saved to memory and read back, so the writer runs on
// whatever the reader let in.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "files/bytesource.h"
#include "files/songfiles.h"
#include "platform/fakemessages.h"
#include "song/mapbuild.h"
#include "song/song.h"
#include "song/songreset.h"
#include "song/timetext.h"

namespace {

struct Loaded {
    kv::Song song;
    kv::WaveTable waves;
    kv::FakeMessages messages;
    kv::TimeMapBuilder maps;
    kv::SongFiles files{song, waves};

    Loaded()
    {
        song.messages = &messages;
        song.timeMaps = &maps;
        kv::ResetSong(song);
        files.settings.warnSysEx = true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Loaded first;
    kv::MemorySource in(std::span<const uint8_t>(data, size));
    if (!kv::ReadFile(first.files, in, 0, false))
        return 0;
    const kv::TimeParams p = kv::TimeParamsOf(first.song);
    (void)kv::DescribeTick(p, kv::SongLength(first.song));

    std::vector<uint8_t> block;
    for (int i = 0; i < first.song.trackCount; ++i)
        first.song.tracks[i].trackSelected = 1;
    if (kv::WriteSong(first.files, true, false, &block) != 0)
        return 0;
    Loaded second;
    kv::ReadBlock(second.files, block, 0);
    return 0;
}
