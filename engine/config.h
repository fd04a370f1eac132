#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/devices/device.h"

namespace kv::engine {

inline constexpr int kMaxPorts = 32;
inline constexpr int kMaxOutputDevices = 31;
inline constexpr int kMaxInputDevices = 32;

// One entry of the system's device lists, as built at every parse.
struct SystemDevice {
    char name[kNameSize] = {};
    int32_t key = 0;
    int32_t id = 0;        // engine device id: list index + 2
    bool caching = false;  // patch caching supported (and not disabled)
    int backend = 0;       // index of the back-end that lists it
    int backendIndex = 0;  // the device's index within that back-end
};

struct DeviceLists {
    SystemDevice outputs[kMaxOutputDevices + 1];
    int outputCount = 0;
    SystemDevice inputs[kMaxInputDevices];
    int inputCount = 0;
};

enum InputKind : int32_t { kRecordInput = 0, kSyncInput = 1, kSyncAndRecord = 2 };

struct OutputEntry {
    int32_t id = 0;  // 0 = empty
    int32_t key = 0;
    bool caching = false;
    int device = -1;  // index into DeviceLists::outputs when parsed
    char name[kNameSize] = {};
};

struct InputEntry {
    int32_t id = 0;  // 0 = empty
    int32_t key = 0;
    int32_t kind = kRecordInput;
    int device = -1;  // index into DeviceLists::inputs when parsed
    char name[kNameSize] = {};
};

struct PortConfig {
    OutputEntry outputs[kMaxPorts];
    InputEntry inputs[kMaxPorts];
    int OutputCount() const;  // entries up to the first empty one
    int InputCount() const;
    void Clear();
};

// Parses a configuration string against the device lists into config.
// Returns 0 or the engine error code (10 for any malformed or unmatched
// string). The text is read up to its terminating zero only.
// Fills an entry from a device of the lists; the name is kept because the
// lists are rebuilt whenever devices are counted.
void TakeDevice(OutputEntry* entry, const DeviceLists& lists, int device);
void TakeDevice(InputEntry* entry, const DeviceLists& lists, int device, int32_t kind);

int32_t ParseConfig(const char* text, const DeviceLists& lists, PortConfig* config);

// Writes the configuration string of config into buffer (size bytes, always
// zero-terminated). A string too long for the buffer is cut before the last
// key that does not fit whole, so that what is written still parses.
void WriteConfig(const PortConfig& config, char* buffer, size_t size);

}  // namespace kv::engine
