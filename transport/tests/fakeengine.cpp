// A stand-in engine library for the binding's failure cases: every entry
// point of the binding table answers 1, and variables of the environment
// shape it: KV_FAKE_MISSING names an ordinal it lacks, KV_FAKE_VERSION the
// interface version its info block reports, KV_FAKE_DEVICE the name of its
// one output device. A reconfiguration makes that device output port 0.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "engine/midilib.h"

namespace {

using namespace kv;

template <class F>
struct StubOf;
template <class R, class... A>
struct StubOf<R (*)(A...)> {
    static R Call(A...)
    {
        if constexpr (std::is_void_v<R>)
            return;
        else if constexpr (std::is_pointer_v<R>)
            return nullptr;
        else
            return R(1);
    }
};

void Put32(uint8_t* block, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        block[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool g_configured = false;
char g_config[kMidiLibInfoSize] = "D0,0";

int32_t Reconfigure(const char* config)
{
    if (config == nullptr || std::strlen(config) >= info::kConfigSize)
        return 0;
    std::strcpy(g_config, config);
    g_configured = true;
    return 1;
}

void Shutdown()
{
    g_configured = false;
    std::strcpy(g_config, "D0,0");
}

int32_t GetDeviceName(int32_t, int32_t index, char* name, int32_t length)
{
    const char* device = getenv("KV_FAKE_DEVICE");
    if (name == nullptr || length <= 0)
        return 0;
    std::snprintf(name, size_t(length), "%s", device && index == 0 ? device : "");
    return 1;
}

uint32_t GetInfo(void* info, uint32_t count)
{
    const char* v = getenv("KV_FAKE_VERSION");
    const uint32_t version = v ? uint32_t(atoi(v)) : kMidiLibVersion;
    uint8_t block[kMidiLibInfoSize] = {};
    Put32(block, info::kSize, kMidiLibInfoSize);
    Put32(block, info::kVersion, version);
    Put32(block, info::kFirstMessage, ML_STOPPED);
    Put32(block, info::kLastMessage, ML_RAW_DATA);
    Put32(block, info::kOptionCount, kOptionCount);
    Put32(block, info::kOldestVersion, kMidiLibOldestVersion);
    Put32(block, info::kOutputCount, g_configured ? 1 : 0);
    std::memcpy(block + info::kConfig, g_config, std::strlen(g_config) + 1);
    if (info)
        std::memcpy(info, block, count < kMidiLibInfoSize ? count : kMidiLibInfoSize);
    return version;
}

template <class F>
void* S()
{
    return reinterpret_cast<void*>(&StubOf<F>::Call);
}

void* Entry(uint32_t ordinal)
{
    switch (ordinal) {
        case 3:
            return reinterpret_cast<void*>(&GetInfo);
        case 4:
            return S<MidiLibInitFn>();
        case 9:
            return reinterpret_cast<void*>(&Reconfigure);
        case 10:
            return S<MidiLibDisconnectFn>();
        case 13:
            return S<MidiLibGetErrorFn>();
        case 16:
            return S<MidiLibReleaseTracksFn>();
        case 19:
            return S<MidiLibStartRecordStreamFn>();
        case 21:
            return S<MidiLibSetTimebaseFn>();
        case 22:
            return S<MidiLibSetOptionFn>();
        case 23:
            return S<MidiLibSetMetronomeFn>();
        case 25:
            return S<MidiLibEndRawCaptureFn>();
        case 27:
            return S<MidiLibStopFn>();
        case 28:
            return S<MidiLibSendShortFn>();
        case 30:
            return S<MidiLibGetTrackEventIndexFn>();
        case 33:
            return S<MidiLibSetMetronomeNoteFn>();
        case 34:
            return reinterpret_cast<void*>(&Shutdown);
        case 35:
            return S<MidiLibSetWindowTimerFn>();
        case 36:
            return S<MidiLibQueueBufferFn>();
        case 37:
            return S<MidiLibGetRecordedCountFn>();
        case 38:
            return S<MidiLibTrackCommandFn>();
        case 39:
            return S<MidiLibGetPortNameFn>();
        case 40:
            return S<MidiLibConnectFn>();
        case 41:
            return S<MidiLibAddTrackFn>();
        case 42:
            return S<MidiLibSendSysExFn>();
        case 43:
            return S<MidiLibSetTempoFn>();
        case 44:
            return S<MidiLibBeginRawCaptureFn>();
        case 45:
            return S<MidiLibGoFn>();
        case 46:
            return S<MidiLibGetPatchCacheFn>();
        case 47:
            return S<MidiLibGetTempoFn>();
        case 48:
            return S<MidiLibGetMessageFn>();
        case 49:
            return S<MidiLibSetFlagFn>();
        case 50:
            return S<MidiLibGetValueFn>();
        case 51:
            return S<MidiLibInputRemapFn>();
        case 52:
            return S<MidiLibSendShortToPortFn>();
        case 53:
            return S<MidiLibSendSysExToPortFn>();
        case 58:
            return S<MidiLibSetInterceptListFn>();
        case 59:
            return S<MidiLibGetErrorTextFn>();
        case 60:
            return S<MidiLibReconnectFn>();
        case 61:
            return S<MidiLibAllocTracksFn>();
        case 62:
            return S<MidiLibSetPositionTimerFn>();
        case 64:
            return S<MidiLibReplaceTrackFn>();
        case 65:
            return S<MidiLibGetDeviceCountFn>();
        case 66:
            return reinterpret_cast<void*>(&GetDeviceName);
        case 80:
            return S<MidiLibAllocBlockFn>();
        case 81:
            return S<MidiLibFreeBlockFn>();
        case 82:
            return S<MidiLibReadBlockFn>();
        case 83:
            return S<MidiLibLockBlockFn>();
        case 84:
            return S<MidiLibUnlockBlockFn>();
        default:
            return nullptr;
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void* KVMidiEntry(uint32_t ordinal)
{
    const char* missing = getenv("KV_FAKE_MISSING");
    if (missing && uint32_t(atoi(missing)) == ordinal)
        return nullptr;
    return Entry(ordinal);
}
