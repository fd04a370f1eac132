#include "libraries/patchfile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kv {
namespace {

std::vector<uint8_t> Entry(const CompiledSet& set)
{
    std::vector<uint8_t> out;
    AppendSetEntry(out, set);
    return out;
}

std::vector<uint8_t> TwoSetFile()
{
    CompiledSet a{"Alpha", 0, 0, {{0, -1, kNoKey, "Piano"}, {0, -1, 36, "Kick"}, {5, -1, kNoKey, "EP"}}};
    CompiledSet b{"Beta", 2, 259, {{0, 259, kNoKey, "Bank Piano"}}};
    const std::vector<uint8_t> ea = Entry(a), eb = Entry(b);
    return BuildPatchFile({ea, eb});
}

TEST(PatchFile, EntryLayoutIsLittleEndianWithMarkers)
{
    CompiledSet set{"S", 1, 0x0103, {{4, 0x0102, kNoKey, "P"}}};
    const std::vector<uint8_t> expected = {
        'S',  0,    1,    0x03, 0x01,     // name, method, default bank 3/1
        4,    0x02, 0x01, 0xFF, 'P',  0,  // program 4, bank 2/1, program name "P"
        0xFF, 0xFF, 0xFF, 0xFF,           // end of the set
    };
    EXPECT_EQ(Entry(set), expected);
}

TEST(PatchFile, BuiltFileParsesBack)
{
    const std::vector<uint8_t> file = TwoSetFile();
    ASSERT_GE(file.size(), kPatchHeaderSize);
    EXPECT_EQ(std::memcmp(file.data(), "KVPro Patches\0", 14), 0);
    EXPECT_EQ(file[14] | file[15] << 8, 261);
    EXPECT_EQ(size_t(file[16] | file[17] << 8), file.size());
    EXPECT_EQ(file.back(), 0);

    std::vector<SetLocation> sets;
    ASSERT_EQ(ParsePatchFile(file, sets), PatchFileStatus::Ok);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].name, "Alpha");
    EXPECT_EQ(sets[1].name, "Beta");
    EXPECT_EQ(sets[1].method, 2);
    EXPECT_EQ(sets[1].defaultBank, 259);
    EXPECT_EQ(sets[1].entryEnd, file.size() - 1);
}

TEST(PatchFile, RejectsForeignAndDamagedFiles)
{
    struct Case {
        const char* what;
        void (*damage)(std::vector<uint8_t>&);
        PatchFileStatus expected;
    };
    const Case cases[] = {
        {"signature", [](std::vector<uint8_t>& f) { f[0] = 'X'; }, PatchFileStatus::Incompatible},
        {"version 260",
         [](std::vector<uint8_t>& f) {
             f[14] = 4;
             f[15] = 1;
         },
         PatchFileStatus::Incompatible},
        {"length", [](std::vector<uint8_t>& f) { f[16] ^= 1; }, PatchFileStatus::Incompatible},
        {"short header", [](std::vector<uint8_t>& f) { f.resize(10); }, PatchFileStatus::Incompatible},
        {"no final zero",
         [](std::vector<uint8_t>& f) {
             f.pop_back();
             f[16] = uint8_t(f.size());
         },
         PatchFileStatus::Corrupt},
        {"no end marker",
         [](std::vector<uint8_t>& f) {
             // Cut the last set's marker and the final zero, keep the length right.
             f.resize(f.size() - 5);
             f[16] = uint8_t(f.size());
         },
         PatchFileStatus::Corrupt},
        {"key above 127",
         [](std::vector<uint8_t>& f) {
             // Alpha's key record: header 20, "Alpha\0" 6, method and bank 3,
             // first record 4 + "Piano\0" 6, then program, bank, key.
             f[20 + 6 + 3 + 10 + 3] = 200;
         },
         PatchFileStatus::Corrupt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> file = TwoSetFile();
        c.damage(file);
        std::vector<SetLocation> sets;
        EXPECT_EQ(ParsePatchFile(file, sets), c.expected);
    }
}

TEST(PatchFile, EveryByteDamagedStaysInsideTheBuffer)
{
    // Each byte set to 0, 0xFF and 0x7F in turn, the length kept right: the
    // parse must end with some status and never read past the end (the
    // sanitizer build checks the reads).
    const std::vector<uint8_t> good = TwoSetFile();
    for (size_t i = kPatchHeaderSize; i < good.size(); ++i) {
        for (uint8_t v : {0x00, 0xFF, 0x7F}) {
            std::vector<uint8_t> file = good;
            file[i] = v;
            std::vector<SetLocation> sets;
            const PatchFileStatus status = ParsePatchFile(file, sets);
            if (status == PatchFileStatus::Ok) {
                for (const SetLocation& s : sets)
                    ASSERT_LE(s.entryEnd, file.size());
            }
        }
    }
}

TEST(PatchFile, OnlyTheFirst80SetsAreTaken)
{
    std::vector<std::vector<uint8_t>> entries;
    for (int i = 0; i < 85; ++i)
        entries.push_back(Entry({"Set " + std::to_string(i), 0, 0, {}}));
    const std::vector<uint8_t> file = BuildPatchFile({entries.begin(), entries.end()});
    std::vector<SetLocation> sets;
    ASSERT_EQ(ParsePatchFile(file, sets), PatchFileStatus::Ok);
    EXPECT_EQ(sets.size(), 80u);
    EXPECT_EQ(sets.back().name, "Set 79");
}

TEST(PatchFile, MethodOutsideZeroToTwoReadsAsZero)
{
    for (uint8_t method : {3, 0x80, 0xFF}) {
        const std::vector<uint8_t> e = Entry({"S", method, 0, {}});
        std::vector<SetLocation> sets;
        ASSERT_EQ(ParsePatchFile(BuildPatchFile({e}), sets), PatchFileStatus::Ok);
        ASSERT_EQ(sets.size(), 1u);
        EXPECT_EQ(sets[0].method, 0);
    }
}

}  // namespace
}  // namespace kv
