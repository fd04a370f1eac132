#include <cstring>

#include "engine/blocks.h"
#include "engine/devices/virtualports.h"
#include "engine/engine.h"
#include "engine/errors.h"
#include "engine/exports.h"

namespace kv::engine {

namespace {

constexpr const char* kDefaultConfig = "D0,65535";
constexpr uint32_t kBuildDate = 19981104;
constexpr const char* kLibraryName = "KVMidi";

void Put32(uint8_t* block, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        block[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

int32_t Fail(int32_t code)
{
    SetError(code);
    return 0;
}

// Parses and opens; on any failure the engine is left unconfigured.
int32_t Configure(Engine& engine, const char* text)
{
    engine.CloseDevices();
    engine.BuildDeviceLists();
    int32_t error = ParseConfig(text, engine.Lists(), &engine.Config());
    if (error != 0)
        return Fail(error);
    if (engine.OpenDevices() != 0)
        return Fail(kErrNotConfigured);
    return 1;
}

}  // namespace

uint32_t MidiLibGetInfo(void* info, uint32_t count)
{
    Engine& engine = Engine::Get();
    uint8_t block[kMidiLibInfoSize] = {};
    Put32(block, info::kSize, kMidiLibInfoSize);
    Put32(block, info::kVersion, kMidiLibVersion);
    Put32(block, info::kBuildDate, kBuildDate);
    memcpy(block + info::kLibraryName, kLibraryName, strlen(kLibraryName));
    Put32(block, info::kOutputCount, static_cast<uint32_t>(engine.OutputCount()));
    Put32(block, info::kConst28, 1);
    Put32(block, info::kFirstMessage, ML_STOPPED);
    Put32(block, info::kLastMessage, ML_RAW_DATA);
    Put32(block, info::kOptionCount, kOptionCount);
    Put32(block, info::kConst44, 0);
    for (size_t offset : {48u, 52u, 56u, 60u})
        Put32(block, offset, 1);
    Put32(block, info::kOldestVersion, kMidiLibOldestVersion);
    WriteConfig(engine.Config(), reinterpret_cast<char*>(block + info::kConfig), info::kConfigSize);
    Put32(block, info::kThruFlag, engine.Set().Flag(kFlagThru) ? 1 : 0);
    if (info != nullptr)
        memcpy(info, block, count < kMidiLibInfoSize ? count : kMidiLibInfoSize);
    // Kept for callers that probe for the installation this way; the program
    // ignores a pending 31.
    SetError(kErrFilesMissing);
    return kMidiLibVersion;
}

int32_t MidiLibInit(const char* config)
{
    Engine& engine = Engine::Get();
    if (engine.Configured()) {
        SetError(kErrAlreadyConfigured);
        return 1;
    }
    return Configure(engine, config ? config : kDefaultConfig);
}

int32_t MidiLibReconfigure(const char* config)
{
    Engine& engine = Engine::Get();
    if (engine.State() != kIdle)
        return Fail(kErrDevicesInUse);
    engine.SetState(kConfiguring);
    int32_t result = Configure(engine, config ? config : kDefaultConfig);
    engine.SetState(kIdle);
    return result;
}

void MidiLibShutdown()
{
    Engine::Get().Shutdown();
}

int32_t MidiLibGetPortName(int32_t port, char* name, int32_t length)
{
    Engine& engine = Engine::Get();
    CopyText("", name, length);
    if (!engine.RequireConfigured())
        return 0;
    const PortConfig& config = engine.Config();
    const char* device = nullptr;
    int32_t key = 0;
    if (port >= 0 && port != kSyncPortSelector) {
        if (port >= engine.OutputCount())
            return Fail(kErrInvalidRequest);
        device = config.outputs[port].name;
        key = config.outputs[port].key;
    } else if (port == kSyncPortSelector) {
        int sync = engine.SyncInput();
        if (sync < 0)
            return Fail(kErrNeedsInput);
        device = config.inputs[sync].name;
        key = config.inputs[sync].key;
    } else {
        int64_t index = -1 - int64_t{port};
        if (index >= kMaxPorts || config.inputs[index].id == 0)
            return Fail(kErrNeedsInput);
        if (config.inputs[index].kind == kSyncInput)
            return Fail(kErrSyncOnly);
        device = config.inputs[index].name;
        key = config.inputs[index].key;
    }
    CopyText(device, name, length, kNameSize - 1);
    return key;
}

int32_t MidiLibGetDeviceCount(int32_t inputs)
{
    Engine& engine = Engine::Get();
    // Rescanning here lets a configuration dialog see devices plugged in
    // since start-up; names are then read from this same scan.
    engine.BuildDeviceLists();
    return inputs ? engine.Lists().inputCount : engine.Lists().outputCount;
}

int32_t MidiLibGetDeviceName(int32_t input, int32_t index, char* name, int32_t length)
{
    Engine& engine = Engine::Get();
    const DeviceLists& lists = engine.Lists();
    int count = input ? lists.inputCount : lists.outputCount;
    if (index < 0 || index >= count || name == nullptr || length <= 0)
        return Fail(kErrInvalidRequest);
    const SystemDevice& d = input ? lists.inputs[index] : lists.outputs[index];
    CopyText(d.name, name, length, kNameSize - 1);
    return 1;
}

int32_t MidiLibGetDeviceBackend(int32_t input, int32_t index, char* name, int32_t length)
{
    Engine& engine = Engine::Get();
    const DeviceLists& lists = engine.Lists();
    int count = input ? lists.inputCount : lists.outputCount;
    if (index < 0 || index >= count || name == nullptr || length <= 0)
        return Fail(kErrInvalidRequest);
    CopyText(engine.DeviceBackendName(input != 0, index), name, length);
    return 1;
}

int32_t MidiLibGetDeviceErrorText(char* text, int32_t length)
{
    const char* error = Engine::Get().DeviceErrorText();
    CopyText(error, text, length);
    return error[0] != '\0' ? 1 : 0;
}

int32_t MidiLibGetError(char* text, int32_t length)
{
    int32_t code = TakeError();
    if (text != nullptr)
        MidiLibGetErrorText(code, text, length);
    return code;
}

void MidiLibGetErrorText(int32_t code, char* text, int32_t length)
{
    CopyText(ErrorText(code), text, length);
}

// --- blocks

uint32_t MidiLibAllocBlock(uint32_t size)
{
    uint32_t handle = Blocks().Alloc(size);
    if (handle == 0)
        SetError(kErrMemory);
    return handle;
}

uint32_t MidiLibFreeBlock(uint32_t handle)
{
    return Blocks().Free(handle) ? 0 : handle;
}

int32_t MidiLibReadBlock(void* destination, uint32_t handle, uint32_t count)
{
    uint32_t size = 0;
    const uint8_t* data = Blocks().Resolve(handle, &size);
    // The block's own size bounds the copy: a count past its end would read
    // someone else's memory.
    if (destination == nullptr || data == nullptr || count > size)
        return 0;
    memcpy(destination, data, count);
    return 1;
}

void* MidiLibLockBlock(uint32_t handle)
{
    return Blocks().Lock(handle);
}

int32_t MidiLibUnlockBlock(uint32_t handle)
{
    int32_t remaining = Blocks().Unlock(handle);
    return remaining > 0 ? remaining : 0;
}

// --- capture port

uint32_t MidiLibCaptureCount()
{
    return Capture().Count();
}

int32_t MidiLibCaptureRead(uint32_t index, MidiLibCaptureRecord* record)
{
    return Capture().Read(index, record) ? 1 : 0;
}

void MidiLibCaptureClear()
{
    Capture().Clear();
}

}  // namespace kv::engine
