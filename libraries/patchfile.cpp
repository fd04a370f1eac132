#include "libraries/patchfile.h"

#include <cstring>

namespace kv {

namespace {

void PutU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t(v >> 8));
}

void PutU32At(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + size_t(i)] = uint8_t(v >> (8 * i));
}

void PutName(std::vector<uint8_t>& out, const std::string& name)
{
    // A NUL inside a name would end it early and shift every later record.
    for (char c : name)
        if (c != '\0')
            out.push_back(uint8_t(c));
    out.push_back(0);
}

uint16_t GetU16(std::span<const uint8_t> f, size_t at)
{
    return uint16_t(f[at] | (f[at + 1] << 8));
}

// The offset just past the NUL of the string at `at`, or 0 when there is
// none before end.
size_t SkipString(std::span<const uint8_t> f, size_t at, size_t end)
{
    for (size_t i = at; i < end; ++i)
        if (f[i] == 0)
            return i + 1;
    return 0;
}

bool IsEndMarker(std::span<const uint8_t> f, size_t at, size_t end)
{
    return at + 4 <= end && f[at] == 0xFF && f[at + 1] == 0xFF && f[at + 2] == 0xFF && f[at + 3] == 0xFF;
}

}  // namespace

void AppendSetEntry(std::vector<uint8_t>& out, const CompiledSet& set)
{
    PutName(out, set.name);
    out.push_back(set.method);
    PutU16(out, uint16_t(set.defaultBank));
    for (const PatchRecord& r : set.records) {
        out.push_back(r.program);
        PutU16(out, uint16_t(r.bank));
        out.push_back(r.key);
        PutName(out, r.name);
    }
    for (int i = 0; i < 4; ++i)
        out.push_back(0xFF);
}

std::vector<uint8_t> BuildPatchFile(const std::vector<std::span<const uint8_t>>& entries)
{
    std::vector<uint8_t> out(kPatchHeaderSize, 0);
    std::memcpy(out.data(), kPatchSignature, sizeof kPatchSignature);
    out[14] = uint8_t(kPatchFileVersion & 0xFF);
    out[15] = uint8_t(kPatchFileVersion >> 8);
    for (std::span<const uint8_t> e : entries)
        out.insert(out.end(), e.begin(), e.end());
    out.push_back(0);
    PutU32At(out, 16, uint32_t(out.size()));
    return out;
}

bool ReadPatchRecord(std::span<const uint8_t> file, size_t offset, size_t end, PatchRecord& record,
                     size_t& next)
{
    if (IsEndMarker(file, offset, end) || offset + 5 > end)
        return false;
    const size_t after = SkipString(file, offset + 4, end);
    if (after == 0)
        return false;
    record.program = file[offset];
    record.bank = int16_t(GetU16(file, offset + 1));
    record.key = file[offset + 3];
    record.name.assign(reinterpret_cast<const char*>(&file[offset + 4]), after - offset - 5);
    next = after;
    return true;
}

PatchFileStatus ParsePatchFile(std::span<const uint8_t> file, std::vector<SetLocation>& sets)
{
    sets.clear();
    if (file.size() < kPatchHeaderSize ||
        std::memcmp(file.data(), kPatchSignature, sizeof kPatchSignature) != 0)
        return PatchFileStatus::Incompatible;
    const uint16_t version = GetU16(file, 14);
    const uint32_t length = uint32_t(file[16] | file[17] << 8 | file[18] << 16) | uint32_t(file[19]) << 24;
    if (version <= 260 || length != file.size())
        return PatchFileStatus::Incompatible;

    const size_t end = file.size();
    size_t at = kPatchHeaderSize;
    while (int(sets.size()) < kMaxPatchSets) {
        if (at >= end)
            return PatchFileStatus::Corrupt;  // the final zero byte is missing
        if (file[at] == 0)
            break;
        SetLocation set;
        set.entryBegin = at;
        const size_t afterName = SkipString(file, at, end);
        if (afterName == 0 || afterName + 3 > end)
            return PatchFileStatus::Corrupt;
        set.name.assign(reinterpret_cast<const char*>(&file[at]), afterName - at - 1);
        const int8_t method = int8_t(file[afterName]);
        set.method = (method < 0 || method > 2) ? 0 : uint8_t(method);
        set.defaultBank = int16_t(GetU16(file, afterName + 1));
        set.recordsBegin = afterName + 3;
        size_t record = set.recordsBegin;
        PatchRecord scratch;
        while (!IsEndMarker(file, record, end)) {
            size_t next = 0;
            if (!ReadPatchRecord(file, record, end, scratch, next))
                return PatchFileStatus::Corrupt;
            if (scratch.key != kNoKey && scratch.key > 127)
                return PatchFileStatus::Corrupt;
            record = next;
        }
        set.entryEnd = record + 4;
        at = set.entryEnd;
        sets.push_back(std::move(set));
    }
    return PatchFileStatus::Ok;
}

}  // namespace kv
