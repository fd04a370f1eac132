// Fuzzes the configuration string parser and writer: no input may crash or
// read past its end, and every accepted string must survive a write and a
// second parse unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/config.h"

namespace {

using namespace kv::engine;

DeviceLists MakeLists()
{
    // Short names give small keys the fuzzer finds quickly; a long one and a
    // high-bit one give large and negative keys.
    const char* const outputs[] = {"A", "B", "Kelvane Capture", "\xC3\xA9\xC3\xA9",
                                   "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz"};
    const char* const inputs[] = {"a", "b", "c", "\xFF"};
    DeviceLists lists;
    for (const char* name : outputs) {
        SystemDevice& d = lists.outputs[lists.outputCount];
        strncpy(d.name, name, kNameSize - 1);
        d.key = DeviceKey(d.name);
        d.id = ++lists.outputCount + 1;
    }
    for (const char* name : inputs) {
        SystemDevice& d = lists.inputs[lists.inputCount];
        strncpy(d.name, name, kNameSize - 1);
        d.key = DeviceKey(d.name);
        d.id = ++lists.inputCount + 1;
    }
    return lists;
}

bool SamePorts(const PortConfig& a, const PortConfig& b)
{
    if (a.OutputCount() != b.OutputCount())
        return false;
    for (int i = 0; i < a.OutputCount(); ++i)
        if (a.outputs[i].key != b.outputs[i].key)
            return false;
    // Inputs after an empty entry are never opened, so they do not count.
    int inputs = a.InputCount();
    if (inputs != b.InputCount())
        return false;
    for (int i = 0; i < inputs; ++i)
        if (a.inputs[i].key != b.inputs[i].key || a.inputs[i].kind != b.inputs[i].kind)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const DeviceLists lists = MakeLists();
    // The parser reads to the terminating zero; the copy gives it exactly one.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    PortConfig config;
    if (ParseConfig(text.data(), lists, &config) != 0) {
        if (config.OutputCount() != 0 || config.InputCount() != 0)
            abort();
        return 0;
    }
    char written[1024];
    WriteConfig(config, written, sizeof written);
    PortConfig again;
    if (config.OutputCount() > 0) {
        if (ParseConfig(written, lists, &again) != 0)
            abort();
        if (!SamePorts(config, again))
            abort();
    }
    // Every small buffer gets a terminated prefix that still parses.
    for (size_t n = 1; n < 40; n += 7) {
        char small[40];
        WriteConfig(config, small, n);
        if (strnlen(small, n) >= n)
            abort();
        if (small[0] != '\0' && config.OutputCount() > 0 && ParseConfig(small, lists, &again) != 0)
            abort();
    }
    return 0;
}
