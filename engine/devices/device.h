#pragma once

#include <cstddef>
#include <cstdint>

namespace kv::engine {

inline constexpr int kNameSize = 32;  // device names keep at most 31 characters

// The key naming a device in configuration strings: the sum of the name's
// bytes read as signed chars, over at most 31 characters. 0 names nothing.
inline int32_t DeviceKey(const char* name)
{
    int32_t sum = 0;
    if (name == nullptr)
        return 0;
    for (int i = 0; i < kNameSize - 1 && name[i] != '\0'; ++i)
        sum += static_cast<signed char>(name[i]);
    return sum;
}

// Called by an input device for every complete message it receives, on the
// device's own thread, with the engine time of arrival in microseconds.
using InputCallback = void (*)(void* context, const uint8_t* bytes, size_t length, int64_t timeUs);

// An open output. Real-time: Send must not allocate, lock or wait.
class MidiOut {
public:
    virtual ~MidiOut() = default;
    virtual bool Send(const uint8_t* bytes, size_t length) = 0;
};

// An open input; it delivers through the callback given when opened, between
// Start and Stop.
class MidiIn {
public:
    virtual ~MidiIn() = default;
    virtual bool Start() = 0;
    virtual void Stop() = 0;
};

// Why an open failed; mapped to the engine's error codes.
enum class OpenResult { Ok, InUse, NoDevice, Failed };

// A source of devices. Names are what the back-end reports; the engine keys
// devices by name, so a back-end must list them in a stable order.
class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* Name() const = 0;
    // Rescans the system; called at every configuration parse.
    virtual void Refresh() = 0;
    virtual int OutputCount() const = 0;
    virtual int InputCount() const = 0;
    virtual const char* OutputName(int index) const = 0;
    virtual const char* InputName(int index) const = 0;
    virtual bool OutputCaches(int) const { return false; }
    virtual MidiOut* OpenOutput(int index, OpenResult* result) = 0;
    virtual MidiIn* OpenInput(int index, InputCallback callback, void* context, OpenResult* result) = 0;
};

}  // namespace kv::engine
