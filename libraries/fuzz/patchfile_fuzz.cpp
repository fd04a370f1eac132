// Hostile "patches.bin": whatever the bytes, loading either refuses them or
// yields sets whose every lookup stays inside the loaded file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "libraries/patchdatabase.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kv::PatchDatabase db;
    if (db.Load(std::vector<uint8_t>(data, data + size)) != kv::PatchFileStatus::Ok)
        return 0;
    for (int s = 0; s < db.SetCount(); ++s) {
        for (int p = 0; p < 128; p += 7) {
            const std::string_view name = db.ProgramName(s, p, -1);
            db.FindProgram(s, name);
            db.KeyName(s, p, -1, p);
        }
        db.Entry(s);
    }
    return 0;
}
