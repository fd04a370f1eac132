// kvtool engine-info: the engine's info block, field by field, and its
// configuration string, optionally after configuring it with one.
#include <cstdio>
#include <cstring>

#include "tools/kvtool/cmd_engine.h"
#include "tools/kvtool/command.h"

namespace kv::tool {

namespace {

uint32_t Field(const uint8_t* block, size_t offset)
{
    return block[offset] | block[offset + 1] << 8 | block[offset + 2] << 16 |
           static_cast<uint32_t>(block[offset + 3]) << 24;
}

void PrintInfo(const uint8_t* block)
{
    char name[13] = {};
    std::memcpy(name, block + info::kLibraryName, 12);
    char config[info::kConfigSize + 1] = {};
    std::memcpy(config, block + info::kConfig, info::kConfigSize);
    uint32_t version = Field(block, info::kVersion);
    uint32_t oldest = Field(block, info::kOldestVersion);
    std::printf("size                 %u\n", Field(block, info::kSize));
    std::printf("interface version    %u (%x.%02x)\n", version, version >> 8, version & 0xFF);
    std::printf("build date           %u\n", Field(block, info::kBuildDate));
    std::printf("library name         %s\n", name);
    std::printf("output ports         %u%s\n", Field(block, info::kOutputCount),
                Field(block, info::kOutputCount) ? "" : " (not configured)");
    std::printf("notifications        %u..%u\n", Field(block, info::kFirstMessage),
                Field(block, info::kLastMessage));
    std::printf("option codes         %u\n", Field(block, info::kOptionCount));
    std::printf("oldest version       %u (%x.%02x)\n", oldest, oldest >> 8, oldest & 0xFF);
    std::printf("constants            %u %u %u %u %u %u\n", Field(block, 28), Field(block, 44),
                Field(block, 48), Field(block, 52), Field(block, 56), Field(block, 60));
    std::printf("MIDI thru            %s\n", Field(block, info::kThruFlag) ? "on" : "off");
    std::printf("configuration        %s\n", config);
}

}  // namespace

int RunEngineInfo(int argc, char** argv)
{
    const char* config = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--config") && i + 1 < argc) {
            config = argv[++i];
        } else if (!std::strcmp(argv[i], "--help")) {
            std::printf(
                "Usage: kvtool engine-info [--config STRING]\nPrints the MIDI engine's info "
                "block; with --config, after configuring the engine with STRING.\n");
            return kExitOk;
        } else {
            std::fprintf(stderr, "kvtool engine-info: unexpected argument '%s'\n", argv[i]);
            return kExitUsage;
        }
    }
    EngineLibrary engine;
    auto getInfo = engine.Bind<MidiLibGetInfoFn>(kOrdGetInfo);
    auto init = engine.Bind<MidiLibInitFn>(kOrdInit);
    auto getError = engine.Bind<MidiLibGetErrorFn>(kOrdGetError);
    if (!getInfo || !init || !getError)
        return kExitFailed;
    int status = kExitOk;
    if (config != nullptr && init(config) == 0) {
        char text[128];
        int32_t code = getError(text, sizeof text);
        std::fprintf(stderr, "kvtool engine-info: configuration refused: error %d: %s\n", code, text);
        status = kExitFailed;
    }
    uint8_t block[kMidiLibInfoSize] = {};
    getInfo(block, sizeof block);
    getError(nullptr, 0);  // GetInfo always leaves 31 pending
    PrintInfo(block);
    return status;
}

}  // namespace kv::tool
