#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kv {

// "patches.bin": a 20-byte header ("KVPro Patches" NUL-terminated, u16
// version, u32 total length), one entry per set, a zero byte. Numbers are
// little-endian. A set entry: name NUL-terminated, u8 bank-select method,
// i16 default bank, records, FF FF FF FF. A record: u8 program (0xFF for a
// stand-alone key map), i16 bank (-1 without banks), u8 key (0xFF for the
// program's own name), name NUL-terminated.
inline constexpr char kPatchSignature[] = "KVPro Patches";
inline constexpr uint16_t kPatchFileVersion = 261;
inline constexpr size_t kPatchHeaderSize = 20;
inline constexpr int kMaxPatchSets = 80;
inline constexpr uint8_t kNoKey = 0xFF;
inline constexpr uint8_t kKeyMapProgram = 0xFF;

struct PatchRecord {
    uint8_t program = 0;
    int16_t bank = -1;
    uint8_t key = kNoKey;
    std::string name;
};

// One set as compiled from its INI sections, records in file order.
struct CompiledSet {
    std::string name;
    uint8_t method = 0;
    int16_t defaultBank = 0;
    std::vector<PatchRecord> records;
};

void AppendSetEntry(std::vector<uint8_t>& out, const CompiledSet& set);

// Header with the right length, the entries as given, the final zero byte.
std::vector<uint8_t> BuildPatchFile(const std::vector<std::span<const uint8_t>>& entries);

// Where one set lies in a loaded file.
struct SetLocation {
    std::string name;
    uint8_t method = 0;
    int16_t defaultBank = 0;
    size_t entryBegin = 0;    // the name's first byte
    size_t recordsBegin = 0;  // three bytes after the name's NUL
    size_t entryEnd = 0;      // just past the FF FF FF FF marker
};

enum class PatchFileStatus { Ok, Incompatible, Corrupt };

// Checks the header and walks every set and record inside the buffer, so
// that lookups never read outside it; at most kMaxPatchSets sets are taken,
// the rest of the file is ignored. A method above 2 reads as 0.
PatchFileStatus ParsePatchFile(std::span<const uint8_t> file, std::vector<SetLocation>& sets);

// Reads the record at offset; false at the end marker or when it would run
// past end. next is set to the following record.
bool ReadPatchRecord(std::span<const uint8_t> file, size_t offset, size_t end, PatchRecord& record,
                     size_t& next);

}  // namespace kv
