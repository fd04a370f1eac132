#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "libraries/patchfile.h"
#include "song/channelset.h"

namespace kv {

// One program of a set as found in the file: its name (empty for the
// nameless holder of a stand-alone key map) and the range of its key names.
struct ProgramEntry {
    uint8_t program = 0;
    int16_t bank = -1;
    std::string_view name;
    uint32_t keysBegin = 0;
    uint32_t keysEnd = 0;
};

struct KeyEntry {
    uint8_t key = 0;
    std::string_view name;
};

struct PatchSet {
    SetHeader header;  // what the channel table points at
    std::string name;
    bool keyMap = false;  // a stand-alone NoteNames set
    bool marked = false;  // to be left out when the file is rebuilt
    size_t entryBegin = 0;
    size_t entryEnd = 0;
    std::vector<ProgramEntry> programs;   // file order
    std::vector<uint32_t> byBankProgram;  // indices into programs, sorted by (bank, program)
    std::vector<KeyEntry> keys;           // per program, in key order
    std::unordered_map<std::string_view, uint32_t> firstByName;
};

// The loaded "patches.bin" with an index per set, so that a program or key
// name is found by binary search. Names point into the loaded file, which
// the database keeps; SetHeader addresses stay valid until the next Load.
class PatchDatabase {
public:
    // Replaces the database when the bytes are a sound file; otherwise the
    // previous database stays and the status says why.
    PatchFileStatus Load(std::vector<uint8_t> file);
    void Clear();

    int SetCount() const { return int(m_sets.size()); }
    const PatchSet& Set(int index) const { return m_sets[size_t(index)]; }
    PatchSet& Set(int index) { return m_sets[size_t(index)]; }
    // The first set of exactly that name, or -1.
    int FindSet(std::string_view name) const;
    std::span<const uint8_t> Entry(int index) const;

    // Program and key lookups; a set without a bank method ignores the bank,
    // a key map ignores program and bank. nullptr when there is no name.
    const ProgramEntry* Program(int set, int program, int bank) const;
    std::string_view ProgramName(int set, int program, int bank) const;
    std::string_view KeyName(int set, int program, int bank, int key) const;
    const ProgramEntry* FindProgram(int set, std::string_view name) const;

private:
    void IndexSet(PatchSet& set, size_t recordsBegin);

    std::vector<uint8_t> m_file;
    std::vector<PatchSet> m_sets;
};

}  // namespace kv
