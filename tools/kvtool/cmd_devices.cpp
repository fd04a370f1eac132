// kvtool devices: the MIDI devices the engine can use, with the keys that
// name them in configuration strings.
#include <cstdio>
#include <cstring>

#include "tools/kvtool/cmd_engine.h"
#include "tools/kvtool/command.h"

namespace kv::tool {

namespace {

struct DeviceCalls {
    MidiLibGetDeviceCountFn count;
    MidiLibGetDeviceNameFn name;
    MidiLibGetDeviceBackendFn backend;
};

int32_t KeyOf(const char* name)
{
    int32_t sum = 0;
    for (int i = 0; i < 31 && name[i] != '\0'; ++i)
        sum += static_cast<signed char>(name[i]);
    return sum;
}

void PrintList(const DeviceCalls& calls, int input)
{
    int32_t count = calls.count(input);
    std::printf("%s devices: %d\n", input ? "Input" : "Output", count);
    for (int32_t i = 0; i < count; ++i) {
        char name[32] = "";
        char backend[32] = "";
        calls.name(input, i, name, sizeof name);
        calls.backend(input, i, backend, sizeof backend);
        std::printf("  %2d  key %-10u  %-10s  %s\n", i, static_cast<uint32_t>(KeyOf(name)), backend, name);
    }
}

}  // namespace

int RunDevices(int argc, char** argv)
{
    if (argc > 1) {
        if (!std::strcmp(argv[1], "--help")) {
            std::printf(
                "Usage: kvtool devices\nLists the MIDI output and input devices with their "
                "keys and back-ends.\n");
            return kExitOk;
        }
        std::fprintf(stderr, "kvtool devices: unexpected argument '%s'\n", argv[1]);
        return kExitUsage;
    }
    EngineLibrary engine;
    DeviceCalls calls{engine.Bind<MidiLibGetDeviceCountFn>(kOrdGetDeviceCount),
                      engine.Bind<MidiLibGetDeviceNameFn>(kOrdGetDeviceName),
                      engine.Bind<MidiLibGetDeviceBackendFn>(kOrdGetDeviceBackend)};
    if (!calls.count || !calls.name || !calls.backend)
        return kExitFailed;
    PrintList(calls, 0);
    PrintList(calls, 1);
    return kExitOk;
}

}  // namespace kv::tool
