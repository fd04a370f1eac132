#include "libraries/patchdatabase.h"

#include <algorithm>

namespace kv {

PatchFileStatus PatchDatabase::Load(std::vector<uint8_t> file)
{
    std::vector<SetLocation> locations;
    const PatchFileStatus status = ParsePatchFile(file, locations);
    if (status != PatchFileStatus::Ok)
        return status;
    m_file = std::move(file);
    m_sets.clear();
    m_sets.resize(locations.size());
    for (size_t i = 0; i < locations.size(); ++i) {
        PatchSet& set = m_sets[i];
        const SetLocation& at = locations[i];
        set.name = at.name;
        set.header.bankMethod = at.method;
        set.header.defaultBank = at.defaultBank;
        set.entryBegin = at.entryBegin;
        set.entryEnd = at.entryEnd;
        IndexSet(set, at.recordsBegin);
    }
    return PatchFileStatus::Ok;
}

void PatchDatabase::Clear()
{
    m_sets.clear();
    m_file.clear();
}

void PatchDatabase::IndexSet(PatchSet& set, size_t recordsBegin)
{
    const std::span<const uint8_t> file(m_file);
    size_t at = recordsBegin;
    PatchRecord record;
    size_t next = 0;
    bool first = true;
    while (ReadPatchRecord(file, at, set.entryEnd, record, next)) {
        // The name is NUL-terminated in the file, four bytes into the record.
        const std::string_view name(reinterpret_cast<const char*>(&m_file[at + 4]), record.name.size());
        at = next;
        if (first)
            set.keyMap = record.program == kKeyMapProgram;
        first = false;
        if (record.key == kNoKey) {
            set.programs.push_back(
                {record.program, record.bank, name, uint32_t(set.keys.size()), uint32_t(set.keys.size())});
            set.firstByName.try_emplace(name, uint32_t(set.programs.size() - 1));
            continue;
        }
        if (set.programs.empty() || set.programs.back().program != record.program ||
            set.programs.back().bank != record.bank)
            set.programs.push_back(
                {record.program, record.bank, {}, uint32_t(set.keys.size()), uint32_t(set.keys.size())});
        set.keys.push_back({record.key, name});
        set.programs.back().keysEnd = uint32_t(set.keys.size());
    }
    // Hand-written files may list keys out of order; lookups need them sorted.
    for (ProgramEntry& p : set.programs)
        std::stable_sort(set.keys.begin() + p.keysBegin, set.keys.begin() + p.keysEnd,
                         [](const KeyEntry& a, const KeyEntry& b) { return a.key < b.key; });
    set.byBankProgram.resize(set.programs.size());
    for (uint32_t i = 0; i < set.byBankProgram.size(); ++i)
        set.byBankProgram[i] = i;
    std::stable_sort(set.byBankProgram.begin(), set.byBankProgram.end(), [&](uint32_t a, uint32_t b) {
        const ProgramEntry& x = set.programs[a];
        const ProgramEntry& y = set.programs[b];
        return x.bank != y.bank ? x.bank < y.bank : x.program < y.program;
    });
}

int PatchDatabase::FindSet(std::string_view name) const
{
    for (size_t i = 0; i < m_sets.size(); ++i)
        if (m_sets[i].name == name)
            return int(i);
    return -1;
}

std::span<const uint8_t> PatchDatabase::Entry(int index) const
{
    const PatchSet& set = m_sets[size_t(index)];
    return std::span<const uint8_t>(m_file).subspan(set.entryBegin, set.entryEnd - set.entryBegin);
}

const ProgramEntry* PatchDatabase::Program(int setIndex, int program, int bank) const
{
    if (setIndex < 0 || setIndex >= SetCount())
        return nullptr;
    const PatchSet& set = m_sets[size_t(setIndex)];
    if (set.keyMap) {
        program = kKeyMapProgram;
        bank = -1;
    } else if (set.header.bankMethod == 0) {
        bank = -1;
    }
    const auto it =
        std::lower_bound(set.byBankProgram.begin(), set.byBankProgram.end(), 0, [&](uint32_t index, int) {
            const ProgramEntry& e = set.programs[index];
            return e.bank != bank ? e.bank < bank : e.program < program;
        });
    if (it == set.byBankProgram.end())
        return nullptr;
    const ProgramEntry& found = set.programs[*it];
    if (found.bank != bank || found.program != program)
        return nullptr;
    return &found;
}

std::string_view PatchDatabase::ProgramName(int set, int program, int bank) const
{
    const ProgramEntry* p = Program(set, program, bank);
    return p != nullptr ? p->name : std::string_view();
}

std::string_view PatchDatabase::KeyName(int setIndex, int program, int bank, int key) const
{
    const ProgramEntry* p = Program(setIndex, program, bank);
    if (p == nullptr)
        return {};
    const PatchSet& set = m_sets[size_t(setIndex)];
    const auto begin = set.keys.begin() + p->keysBegin;
    const auto end = set.keys.begin() + p->keysEnd;
    const auto it = std::lower_bound(begin, end, key, [](const KeyEntry& e, int k) { return e.key < k; });
    if (it == end || it->key != key)
        return {};
    return it->name;
}

const ProgramEntry* PatchDatabase::FindProgram(int setIndex, std::string_view name) const
{
    if (setIndex < 0 || setIndex >= SetCount() || name.empty())
        return nullptr;
    const PatchSet& set = m_sets[size_t(setIndex)];
    const auto it = set.firstByName.find(name);
    return it != set.firstByName.end() ? &set.programs[it->second] : nullptr;
}

}  // namespace kv
