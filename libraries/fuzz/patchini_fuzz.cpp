// Hostile patch-set INI text: every listed set is compiled and written into
// a patch file, which must then load back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "libraries/inifile.h"
#include "libraries/patchdatabase.h"
#include "libraries/setcompiler.h"
#include "platform/fakemessages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kv::IniFile ini;
    ini.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    kv::FakeMessages messages;
    std::vector<std::vector<uint8_t>> entries;
    const int n = ini.GetInt("List of Patch Sets", "NumSets", 0);
    for (int i = 1; i <= n && i <= 100; ++i) {
        const std::string name = ini.GetString("List of Patch Sets", "Set" + std::to_string(i));
        kv::CompiledSet set;
        if (name.empty() || !kv::CompileSet(ini, name, messages, set))
            continue;
        entries.emplace_back();
        kv::AppendSetEntry(entries.back(), set);
    }
    kv::PatchDatabase db;
    if (db.Load(kv::BuildPatchFile({entries.begin(), entries.end()})) != kv::PatchFileStatus::Ok)
        __builtin_trap();  // what we write we must be able to read
    return 0;
}
