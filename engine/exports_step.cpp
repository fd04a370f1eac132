#include <cstring>

#include "engine/engine.h"
#include "engine/errors.h"
#include "engine/exports.h"

namespace kv::engine {

namespace {

int FindByName(const SystemDevice* list, int count, const char* name)
{
    for (int i = 0; i < count; ++i)
        if (strncmp(list[i].name, name, kNameSize) == 0)
            return i;
    return -1;
}

int UsedInputs(const PortConfig& config)
{
    int n = 0;
    while (n < kMaxPorts && config.inputs[n].id != 0)
        ++n;
    return n;
}

// A failing step abandons the whole stepwise configuration.
int32_t Abandon(Engine& engine, int32_t code)
{
    engine.Config().Clear();
    engine.SetState(kIdle);
    SetError(code);
    return 0;
}

int32_t AddOutput(Engine& engine, int32_t index, const char* name)
{
    PortConfig& config = engine.Config();
    const DeviceLists& lists = engine.Lists();
    if (index != config.OutputCount() || index >= kMaxPorts)
        return Abandon(engine, kErrInvalidRequest);
    int device = FindByName(lists.outputs, lists.outputCount, name);
    if (device < 0)
        return Abandon(engine, kErrDriverMissing);
    TakeDevice(&config.outputs[index], lists, device);
    return 1;
}

int32_t AddInput(Engine& engine, int32_t index, const char* name)
{
    PortConfig& config = engine.Config();
    const DeviceLists& lists = engine.Lists();
    int used = UsedInputs(config);
    if (index != used || index >= kMaxPorts)
        return Abandon(engine, kErrInvalidRequest);
    int device = FindByName(lists.inputs, lists.inputCount, name);
    if (device < 0)
        return Abandon(engine, kErrDriverMissing);
    for (int i = 0; i < used; ++i)
        if (strncmp(config.inputs[i].name, lists.inputs[device].name, kNameSize) == 0) {
            // The entry is dropped, the configuration so far stands.
            SetError(kErrOpenTwice);
            return 0;
        }
    TakeDevice(&config.inputs[index], lists, device, kRecordInput);
    return 1;
}

int32_t AddSyncInput(Engine& engine, const char* name)
{
    PortConfig& config = engine.Config();
    const DeviceLists& lists = engine.Lists();
    int device = FindByName(lists.inputs, lists.inputCount, name);
    if (device < 0)
        return Abandon(engine, kErrDriverMissing);
    int used = UsedInputs(config);
    for (int i = 0; i < used; ++i)
        if (config.inputs[i].kind != kRecordInput)
            return Abandon(engine, kErrInvalidRequest);
    for (int i = 0; i < used; ++i)
        if (strncmp(config.inputs[i].name, lists.inputs[device].name, kNameSize) == 0) {
            config.inputs[i].kind = kSyncAndRecord;
            return 1;
        }
    if (used >= kMaxPorts)
        return Abandon(engine, kErrInvalidRequest);
    // A synchronisation-only input goes first, where a configuration string
    // puts it, so that writing and reading the string give the same ports.
    memmove(&config.inputs[1], &config.inputs[0], sizeof(InputEntry) * used);
    config.inputs[0] = InputEntry();
    TakeDevice(&config.inputs[0], lists, device, kSyncInput);
    return 1;
}

}  // namespace

int32_t MidiLibConfigureStep(int32_t step, int32_t index, const char* name)
{
    Engine& engine = Engine::Get();
    if (step == kStepBegin) {
        if (engine.State() != kIdle) {
            SetError(kErrDevicesInUse);
            return 0;
        }
        engine.SetState(kConfiguring);
        engine.CloseDevices();
        engine.Config().Clear();
        engine.BuildDeviceLists();
        return 1;
    }
    if (engine.State() != kConfiguring) {
        SetError(kErrNotOwner);
        return 0;
    }
    switch (step) {
        case kStepAddOutput:
            return name ? AddOutput(engine, index, name) : Abandon(engine, kErrInvalidRequest);
        case kStepAddInput:
            return name ? AddInput(engine, index, name) : Abandon(engine, kErrInvalidRequest);
        case kStepSyncInput:
            return name ? AddSyncInput(engine, name) : Abandon(engine, kErrInvalidRequest);
        case kStepEnd:
            if (engine.OpenDevices() != 0)
                return Abandon(engine, kErrNotConfigured);
            engine.SetState(kIdle);
            return 1;
        default:
            return Abandon(engine, kErrInvalidRequest);
    }
}

}  // namespace kv::engine
