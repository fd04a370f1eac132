#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "libraries/patchlibrary.h"
#include "platform/fakemessages.h"
#include "platform/memorysettings.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// 128 banks of 128 programs: 16,384 names in one set.
std::string BigSetFile()
{
    std::string text = "[List of Patch Sets]\nNumSets=1\nSet1=Big\n[Big]\nType=Banks\nMethod=CC0\n";
    for (int b = 0; b < 128; ++b)
        text += "Bank" + std::to_string(b) + "=B" + std::to_string(b) + "\n";
    for (int b = 0; b < 128; ++b) {
        text += "[B" + std::to_string(b) + "]\n";
        for (int p = 0; p < 128; ++p)
            text += std::to_string(p) + "=Bank " + std::to_string(b) + " Program " + std::to_string(p) + "\n";
    }
    return text;
}

struct Fixture {
    Fixture()
    {
        fs::create_directories(folder);
        std::ofstream(file) << BigSetFile();
    }
    ~Fixture() { fs::remove_all(folder); }
    fs::path folder = fs::temp_directory_path() / "kvpatch_bench";
    fs::path file = folder / "big.ini";
};

void BM_Import16384Names(benchmark::State& state)
{
    Fixture f;
    FakeMessages messages;
    MemorySettings settings;
    ChannelSetTable table;
    PatchLibrary library(messages, settings, table, f.folder);
    for (auto _ : state)
        benchmark::DoNotOptimize(library.ImportSets(f.file));
}
BENCHMARK(BM_Import16384Names)->Unit(benchmark::kMillisecond);

void BM_PatchNameLookup(benchmark::State& state)
{
    Fixture f;
    FakeMessages messages;
    MemorySettings settings;
    ChannelSetTable table;
    PatchLibrary library(messages, settings, table, f.folder);
    library.ImportSets(f.file);
    library.SetPorts({});
    library.LoadAssignments();
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(library.PatchName(0, 0, i & 127, (i >> 7) & 127, false, 1));
        ++i;
    }
}
BENCHMARK(BM_PatchNameLookup);

}  // namespace
}  // namespace kv

BENCHMARK_MAIN();
