// Load and save times of the program's own reader and writer on the files
// named on the command line. Load is the whole of what "kvtool info" does:
// read, ToNote and ScanStream for every track, the time maps. Save packs
// every track again (as after an edit of each) and writes the file through
// the atomic save. files/bench/run_bench.py runs this beside libsmf and mido.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "files/songfiles.h"
#include "platform/fakemessages.h"
#include "song/mapbuild.h"
#include "song/song.h"
#include "song/songreset.h"

namespace {

struct BenchSong {
    kv::Song song;
    kv::WaveTable waves;
    kv::FakeMessages messages;
    kv::TimeMapBuilder maps;
    kv::SongFiles files{song, waves};

    BenchSong()
    {
        song.messages = &messages;
        song.timeMaps = &maps;
        files.settings.useBak = false;
        files.settings.warnFile = files.settings.warnKV = false;
    }
};

int64_t EventCount(const kv::Song& song)
{
    int64_t n = 0;
    for (int i = 0; i < song.trackCount; ++i)
        n += song.tracks[i].eventCount;
    return n;
}

int64_t FileSize(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fclose(f);
    return size;
}

void Load(benchmark::State& state, const std::string& path)
{
    int64_t events = 0;
    for (auto _ : state) {
        auto s = std::make_unique<BenchSong>();
        if (!kv::LoadSong(s->files, path)) {
            state.SkipWithError("load failed");
            return;
        }
        events = EventCount(s->song);
        benchmark::DoNotOptimize(s->song.tempoMap.entries.data());
    }
    state.SetBytesProcessed(state.iterations() * FileSize(path));
    state.counters["events"] = double(events);
}

void Save(benchmark::State& state, const std::string& path, const std::string& out)
{
    BenchSong s;
    if (!kv::LoadSong(s.files, path)) {
        state.SkipWithError("load failed");
        return;
    }
    for (auto _ : state) {
        for (int i = 0; i < s.song.trackCount; ++i)
            s.song.tracks[i].changed = 1;
        if (!kv::OnSaveDocument(s.files, out)) {
            state.SkipWithError("save failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * FileSize(out));
}

}  // namespace

// Usage: kv_files_bench [benchmark flags] FILE... (saves go to FILE.kvbench.mid
// under /tmp).
int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string path = argv[i];
        const std::string name = path.substr(path.rfind('/') + 1);
        const std::string out = "/tmp/" + name + ".kvbench.mid";
        benchmark::RegisterBenchmark(("load/" + name).c_str(), Load, path)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("save/" + name).c_str(), Save, path, out)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
