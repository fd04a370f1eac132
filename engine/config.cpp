#include "engine/config.h"

#include <cstdio>
#include <cstring>

#include "engine/midilib.h"

namespace kv::engine {

int PortConfig::OutputCount() const
{
    int n = 0;
    while (n < kMaxPorts && outputs[n].id != 0)
        ++n;
    return n;
}

int PortConfig::InputCount() const
{
    int n = 0;
    while (n < kMaxPorts && inputs[n].id != 0)
        ++n;
    return n;
}

void PortConfig::Clear()
{
    *this = PortConfig();
}

void TakeDevice(OutputEntry* entry, const DeviceLists& lists, int device)
{
    const SystemDevice& d = lists.outputs[device];
    entry->id = d.id;
    entry->key = d.key;
    entry->caching = d.caching;
    entry->device = device;
    memcpy(entry->name, d.name, kNameSize);
}

void TakeDevice(InputEntry* entry, const DeviceLists& lists, int device, int32_t kind)
{
    const SystemDevice& d = lists.inputs[device];
    entry->id = d.id;
    entry->key = d.key;
    entry->kind = kind;
    entry->device = device;
    memcpy(entry->name, d.name, kNameSize);
}

namespace {

// Reads an unsigned decimal key. Keys are written as the unsigned form of a
// signed sum, so anything up to 4294967295 is valid and wraps to int32.
// Returns false when there is no digit or the number overflows 32 bits.
bool ReadKey(const char*& p, int32_t* key)
{
    if (*p < '0' || *p > '9')
        return false;
    uint64_t value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > 0xFFFFFFFFull)
            return false;
        ++p;
    }
    *key = static_cast<int32_t>(static_cast<uint32_t>(value));
    return true;
}

int FindByKey(const SystemDevice* list, int count, int32_t key)
{
    for (int i = 0; i < count; ++i)
        if (list[i].key == key)
            return i;
    return -1;
}

int32_t ParseOutputs(const char*& p, const DeviceLists& lists, PortConfig* config)
{
    for (int index = 0;; ++index) {
        // "D0," and "D0,0" both name no output: the string is valid but the
        // engine stays unconfigured.
        if (*p == '\0')
            return 0;
        int32_t key;
        if (!ReadKey(p, &key))
            return kErrInvalidRequest;
        if (key == 0 && *p == '\0')
            return 0;
        if (index >= kMaxPorts)
            return kErrInvalidRequest;
        int device = FindByKey(lists.outputs, lists.outputCount, key);
        if (device < 0)
            return kErrInvalidRequest;
        TakeDevice(&config->outputs[index], lists, device);
        if (*p == ',') {
            ++p;
            continue;
        }
        if (*p == ';' || *p == '\0')
            return 0;
        return kErrInvalidRequest;
    }
}

int32_t ParseInputs(const char*& p, const DeviceLists& lists, PortConfig* config)
{
    int index = config->inputs[0].kind == kSyncInput && config->inputs[0].id != 0 ? 1 : 0;
    for (;;) {
        if (*p == '\0')
            return 0;
        int32_t key;
        if (!ReadKey(p, &key))
            return kErrInvalidRequest;
        if (key == 0 && *p == '\0')
            return 0;
        InputEntry& first = config->inputs[0];
        if (first.id != 0 && first.kind == kSyncInput && key == first.key) {
            first.kind = kSyncAndRecord;
        } else {
            if (index >= lists.inputCount || index >= kMaxPorts)
                return kErrInvalidRequest;
            int device = FindByKey(lists.inputs, lists.inputCount, key);
            if (device >= 0)
                TakeDevice(&config->inputs[index], lists, device, kRecordInput);
            ++index;
        }
        if (*p == ',') {
            ++p;
            continue;
        }
        if (*p == '\0')
            return 0;
        return kErrInvalidRequest;
    }
}

}  // namespace

int32_t ParseConfig(const char* text, const DeviceLists& lists, PortConfig* config)
{
    config->Clear();
    if (text == nullptr || text[0] != 'D')
        return kErrInvalidRequest;
    const char* p = text + 1;
    int32_t syncKey;
    if (!ReadKey(p, &syncKey) || *p != ',')
        return kErrInvalidRequest;
    ++p;
    if (syncKey != 0) {
        int device = FindByKey(lists.inputs, lists.inputCount, syncKey);
        if (device < 0)
            return kErrInvalidRequest;
        TakeDevice(&config->inputs[0], lists, device, kSyncInput);
    }
    int32_t error = ParseOutputs(p, lists, config);
    if (error == 0 && *p == ';') {
        ++p;
        error = ParseInputs(p, lists, config);
    }
    if (error != 0)
        config->Clear();
    return error;
}

namespace {

// Appends one piece; false (and nothing appended) when it does not fit whole.
bool Append(char* buffer, size_t size, size_t* used, const char* piece)
{
    size_t n = strlen(piece);
    if (*used + n + 1 > size)
        return false;
    memcpy(buffer + *used, piece, n + 1);
    *used += n;
    return true;
}

}  // namespace

void WriteConfig(const PortConfig& config, char* buffer, size_t size)
{
    if (buffer == nullptr || size == 0)
        return;
    buffer[0] = '\0';
    size_t used = 0;
    int32_t syncKey = 0;
    for (const InputEntry& in : config.inputs)
        if (in.id != 0 && in.kind != kRecordInput) {
            syncKey = in.key;
            break;
        }
    char piece[16];
    snprintf(piece, sizeof piece, "D%u,%u", static_cast<uint32_t>(syncKey),
             static_cast<uint32_t>(config.outputs[0].id != 0 ? config.outputs[0].key : 0));
    if (!Append(buffer, size, &used, piece))
        return;
    int outputs = config.OutputCount();
    for (int i = 1; i < outputs; ++i) {
        snprintf(piece, sizeof piece, ",%u", static_cast<uint32_t>(config.outputs[i].key));
        if (!Append(buffer, size, &used, piece))
            return;
    }
    // A synchronisation-only input is named once, before the outputs; one
    // that also records is listed among the record inputs as well.
    bool firstRecord = true;
    for (int i = 0; i < kMaxPorts && config.inputs[i].id != 0; ++i) {
        if (config.inputs[i].kind == kSyncInput)
            continue;
        snprintf(piece, sizeof piece, "%c%u", firstRecord ? ';' : ',',
                 static_cast<uint32_t>(config.inputs[i].key));
        firstRecord = false;
        if (!Append(buffer, size, &used, piece))
            return;
    }
}

}  // namespace kv::engine
