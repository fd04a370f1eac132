#include "libraries/patchlibrary.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/fakemessages.h"
#include "platform/memorysettings.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

class PatchLibraryTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::path(testing::TempDir()) /
                 ("kvpatch_" + std::to_string(getpid()) + "_" +
                  std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path Write(const std::string& name, const std::string& text)
    {
        const fs::path path = folder / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // Imports one file into the library and forgets the messages of it.
    void Import(const std::string& text) { ASSERT_TRUE(library.ImportSets(Write("import.ini", text))); }

    fs::path folder;
    FakeMessages messages;
    MemorySettings settings;
    ChannelSetTable table;
    PatchLibrary library{messages, settings, table, folder_()};

private:
    // The folder member is not set yet while members are built; the library
    // takes the same name.
    static fs::path folder_()
    {
        return fs::path(testing::TempDir()) /
               ("kvpatch_" + std::to_string(getpid()) + "_" +
                std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    }
};

const char* const kSynthFile =
    "[List of Patch Sets]\n"
    "NumSets=3\n"
    "Set1=General MIDI\n"
    "Set2=General MIDI Drums\n"
    "Set3=Studio\n"
    "[General MIDI]\n"
    "0=Acoustic Grand\n"
    "1=Bright Piano\n"
    "40=Violin\n"
    "41=Viola\n"
    "[General MIDI Drums]\n"
    "Type=NoteNames\n"
    "36=Kick\n"
    "38=Snare\n"
    "[Studio]\n"
    "Type=Banks\n"
    "Method=CC0\n"
    "Default=0/1\n"
    "Bank1=Studio B1\n"
    "bank0/1=Studio B0\n"
    "[Studio B0]\n"
    "0=Piano Hall\n"
    "NoteNames=yes\n"
    "Name0=Studio Kit\n"
    "[Studio B1]\n"
    "0=Piano Dark\n"
    "7=Clav\n"
    "[Studio Kit]\n"
    "Type=NoteNames\n"
    "60=Middle\n";

TEST_F(PatchLibraryTest, DefaultsGiveGeneralMidiAndDrumsOnChannelTen)
{
    Import(kSynthFile);
    library.SetPorts({"Synth Out"});
    library.LoadAssignments();
    EXPECT_TRUE(messages.shown().empty());
    struct Case {
        int channel, program, bank, key;
        bool numbered;
        const char* patch;
        const char* keyName;
    };
    // "PatchBse" 1 below: program 4 shows as 5.
    const Case cases[] = {
        {0, 0, -1, 36, false, "Acoustic Grand", "Key #36"},
        {0, 0, -1, 36, true, "1:Acoustic Grand", "36:"},
        {0, 4, -1, 0, false, "Patch #5", "Key #0"},
        {0, 4, 7, 0, true, "5:5", "0:"},
        {0, 1, 3, 0, false, "Bright Piano", "Key #0"},  // no bank method: the bank is ignored
        {9, 0, -1, 36, false, "Patch #1", "Kick"},
        {9, 25, 12, 38, true, "26:26", "38:Snare"},  // a key map serves every program
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.channel << " " << c.program << " " << c.key);
        EXPECT_EQ(library.PatchName(0, c.channel, c.program, c.bank, c.numbered, 1), c.patch);
        EXPECT_EQ(library.KeyName(0, c.channel, c.program, c.bank, c.key, c.numbered), c.keyName);
    }
    EXPECT_EQ(table.BankMethod(0, 0), 0);
    EXPECT_EQ(table.DefaultBank(0, 9), -1);
    EXPECT_EQ(library.PatchName(5, 0, 3, -1, false, 0), "Patch #3");  // an unconfigured port
}

TEST_F(PatchLibraryTest, BankedSetFillsMethodDefaultAndNamesPerBank)
{
    Import(kSynthFile);
    settings.WriteString(kProgramAppKey, "Synth Out Patches", "Chan1", "Studio");
    library.SetPorts({"Synth Out"});
    library.LoadAssignments();
    EXPECT_EQ(table.BankMethod(0, 0), 1);
    EXPECT_EQ(table.DefaultBank(0, 0), 256);  // 0/1
    EXPECT_EQ(library.PatchName(0, 0, 0, 256, false, 0), "Piano Hall");
    EXPECT_EQ(library.PatchName(0, 0, 0, 1, false, 0), "Piano Dark");
    EXPECT_EQ(library.PatchName(0, 0, 0, 0, false, 0), "Patch #0");
    EXPECT_EQ(library.KeyName(0, 0, 0, 256, 60, false), "Middle");
    EXPECT_EQ(library.KeyName(0, 0, 0, 1, 60, false), "Key #60");
    EXPECT_EQ(library.FindPatch(0, 0, "Clav"), (std::pair<int, int>{7, 1}));
    EXPECT_EQ(library.FindPatch(0, 0, "Piano"), (std::pair<int, int>{-1, -1}));
    // Records run by program, then by bank: bank 1 (1/0) before bank 256 (0/1).
    EXPECT_EQ(library.FindPatch(0, 0, "Piano Dark"), (std::pair<int, int>{0, 1}));
}

TEST_F(PatchLibraryTest, AssignmentsComeFromSettingsWithRoundBrackets)
{
    Import(kSynthFile);
    settings.WriteString(kProgramAppKey, "Port (1) Patches", "Chan2", "Numbers");
    settings.WriteString(kProgramAppKey, "Port (1) Patches", "Chan3", "No Such Set");
    library.SetPorts({"Synth Out", "Port [1]"});
    library.LoadAssignments();
    EXPECT_EQ(library.AssignedSet(1, 0), library.Database().FindSet("General MIDI"));
    EXPECT_EQ(library.AssignedSet(1, 1), -1);
    EXPECT_EQ(library.AssignedSet(1, 2), -1);

    library.Assign(0, 3, library.Database().FindSet("Studio"));
    library.SaveAssignments();
    EXPECT_EQ(settings.GetString(kProgramAppKey, "Synth Out Patches", "Chan4", ""), "Studio");
    EXPECT_EQ(settings.GetString(kProgramAppKey, "Port (1) Patches", "Chan2", ""), "Numbers");
    EXPECT_EQ(settings.GetString(kProgramAppKey, "Port (1) Patches", "Chan10", ""), "General MIDI Drums");
}

TEST_F(PatchLibraryTest, WithoutPortsPortZeroTakesTheFirstSet)
{
    Import(kSynthFile);
    library.SetPorts({});
    library.LoadAssignments();
    for (int c = 0; c < kChannels; ++c)
        EXPECT_EQ(library.AssignedSet(0, c), 0);
    EXPECT_EQ(library.AssignedSet(1, 0), -1);
}

TEST_F(PatchLibraryTest, ImportReplacesNamedSetsAndKeepsTheOthers)
{
    Import(kSynthFile);
    messages.Clear();
    Import("[List of Patch Sets]\nNumSets=1\nSet1=General MIDI\n[General MIDI]\n0=Replaced\n");
    const PatchDatabase& db = library.Database();
    ASSERT_EQ(db.SetCount(), 3);
    EXPECT_EQ(db.Set(0).name, "General MIDI Drums");
    EXPECT_EQ(db.Set(2).name, "General MIDI");  // the new one comes after the kept ones
    EXPECT_EQ(db.ProgramName(2, 0, -1), "Replaced");
    EXPECT_EQ(db.ProgramName(2, 1, -1), "");
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(PatchLibraryTest, DeleteSetRebuildsWithoutIt)
{
    Import(kSynthFile);
    ASSERT_TRUE(library.DeleteSet(library.Database().FindSet("General MIDI Drums")));
    EXPECT_EQ(library.Database().SetCount(), 2);
    EXPECT_EQ(library.Database().FindSet("General MIDI Drums"), -1);
    EXPECT_EQ(library.Database().ProgramName(library.Database().FindSet("Studio"), 7, 1), "Clav");
}

TEST_F(PatchLibraryTest, ExportedBankedSetImportsBackTheSame)
{
    Import(kSynthFile);
    const int studio = library.Database().FindSet("Studio");
    const fs::path exported = folder / "studio.ini";
    ASSERT_TRUE(library.ExportSet(studio, exported));
    ASSERT_TRUE(library.ExportSet(library.Database().FindSet("General MIDI Drums"), folder / "drums.ini"));
    const std::vector<uint8_t> before(library.Database().Entry(studio).begin(),
                                      library.Database().Entry(studio).end());
    ASSERT_TRUE(library.DeleteSet(studio));
    ASSERT_TRUE(library.DeleteSet(library.Database().FindSet("General MIDI Drums")));
    messages.Clear();
    ASSERT_TRUE(library.ImportSets(exported));
    ASSERT_TRUE(library.ImportSets(folder / "drums.ini"));
    EXPECT_TRUE(messages.shown().empty()) << messages.shown()[0].text;
    const int again = library.Database().FindSet("Studio");
    ASSERT_GE(again, 0);
    const auto entry = library.Database().Entry(again);
    EXPECT_EQ(std::vector<uint8_t>(entry.begin(), entry.end()), before);
    EXPECT_EQ(library.Database().KeyName(library.Database().FindSet("General MIDI Drums"), 0, -1, 38),
              "Snare");
}

TEST_F(PatchLibraryTest, ListPatchesFiltersWithoutCaseAndSortsOnRequest)
{
    Import(kSynthFile);
    library.SetPorts({"Synth Out"});
    library.LoadAssignments();
    std::vector<std::string> names;
    for (const PatchListEntry& e : library.ListPatches(0, 0, "", true))
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Acoustic Grand", "Bright Piano", "Viola", "Violin"}));
    names.clear();
    for (const PatchListEntry& e : library.ListPatches(0, 0, "PIANO", false))
        names.push_back(e.name);
    EXPECT_EQ(names, std::vector<std::string>{"Bright Piano"});
    EXPECT_TRUE(library.ListPatches(0, 9, "", false).empty());  // a key map has no programs
}

TEST_F(PatchLibraryTest, CheckDuplicatesAsksForEachLaterTwinAndNoSkipsTheSet)
{
    Import(
        "[List of Patch Sets]\nNumSets=2\nSet1=A\nSet2=B\n"
        "[A]\n0=X\n1=X\n2=X\n[B]\n0=Y\n1=Y\n");
    // Import already checked once: A asks twice (X at 0 and 1 have later
    // twins), B once.
    EXPECT_EQ(messages.numbers(), (std::vector<int>{366, 366, 366}));
    messages.Clear();
    messages.Answer(Button::No);
    library.CheckDuplicates();
    EXPECT_EQ(messages.numbers(), (std::vector<int>{366, 366}));  // No ends A; B still asks
    EXPECT_EQ(messages.shown()[0].text,
              "The patch name: 'X' occurs more than once in the patch name set:\nA. Continue searching?");
}

TEST_F(PatchLibraryTest, BadSetsGiveTheirMessagesAndTheImportGoesOn)
{
    struct Case {
        const char* what;
        const char* sections;
        std::vector<int> numbers;
        const char* program0;  // the name of program 0 in set S afterwards ("" for none, nullptr for no set)
    };
    const Case cases[] = {
        {"missing section", "", {383}, ""},
        {"unknown type", "[S]\nType=Drums\n0=A\n", {384}, nullptr},
        {"SimilarTo and NoteNames", "[S]\nNoteNames=yes\nSimilarTo=T\n0=A\n[T]\n1=B\n", {381}, ""},
        {"missing key map", "[S]\nNoteNames=yes\n0=A\n", {382}, "A"},
        {"key map of wrong type", "[S]\nNoteNames=yes\n0=A\nName0=T\n[T]\n5=x\n", {363}, "A"},
        {"similar of wrong type", "[S]\nSimilarTo=T\n0=A\n[T]\nType=NoteNames\n", {363}, "A"},
        {"similar loop", "[S]\nSimilarTo=T\n[T]\nSimilarTo=S\n0=A\n", {364}, "A"},
        {"similar is read first", "[S]\nSimilarTo=T\n1=B\n[T]\n0=A\n1=Z\n", {}, "A"},
        {"bad bank method", "[S]\nType=Banks\nMethod=NRPN\nBank0=T\n[T]\n0=A\n", {385}, nullptr},
        {"bank twice", "[S]\nType=Banks\nMethod=CC32\nBank2=T\nBank2/0=U\n[T]\n0=A\n[U]\n0=B\n", {386}, "A"},
        {"bank out of range", "[S]\nType=Banks\nMethod=CC0\nBank128=T\nBank2=T\n[T]\n0=A\n", {0}, "A"},
        {"program numbers out of range", "[S]\n128=A\n-1=B\n0=C\n", {}, "C"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        messages.Clear();
        const std::string file = std::string("[List of Patch Sets]\nNumSets=2\nSet1=S\nSet2=Good\n") +
                                 c.sections + "\n[Good]\n0=Fine\n";
        ASSERT_TRUE(library.ImportSets(Write("bad.ini", file)));
        EXPECT_EQ(messages.numbers(), c.numbers);
        const PatchDatabase& db = library.Database();
        EXPECT_EQ(db.ProgramName(db.FindSet("Good"), 0, -1), "Fine");
        const int s = db.FindSet("S");
        if (c.program0 == nullptr) {
            EXPECT_EQ(s, -1);
        } else {
            ASSERT_GE(s, 0);
            EXPECT_EQ(db.ProgramName(s, 0, db.Set(s).header.bankMethod ? 2 : -1), c.program0);
        }
        library.DeleteSet(db.FindSet("S"));
    }
}

TEST_F(PatchLibraryTest, ImportFileErrors)
{
    EXPECT_FALSE(library.ImportSets(Write("empty.ini", "[List of Patch Sets]\nNumSets=0\n")));
    EXPECT_EQ(messages.numbers(), std::vector<int>{389});
    EXPECT_FALSE(library.ImportSets(folder / "missing.ini"));
    messages.Clear();
    ASSERT_TRUE(library.ImportSets(Write("gap.ini", "[List of Patch Sets]\nNumSets=2\nSet2=A\n[A]\n0=x\n")));
    EXPECT_EQ(messages.numbers(), std::vector<int>{362});
    EXPECT_EQ(messages.shown()[0].text.find("Set number 1 doesn't exist") != std::string::npos, true);
}

TEST_F(PatchLibraryTest, MissingOrCorruptDatabaseIsReportedAndRebuilt)
{
    EXPECT_FALSE(library.LoadDatabase());
    EXPECT_EQ(messages.numbers(), std::vector<int>{387});
    library.LoadAssignments();  // an empty database: every lookup falls back
    EXPECT_EQ(library.PatchName(0, 0, 4, -1, false, 1), "Patch #5");

    const fs::path share = folder / "share";
    fs::create_directories(share);
    std::ofstream(share / "synth.ini") << kSynthFile;
    std::ofstream(library.DatabasePath(), std::ios::binary) << "KVPro Patches garbage";
    messages.Clear();
    ASSERT_TRUE(library.EnsureDatabase(share));
    EXPECT_EQ(messages.numbers(), std::vector<int>{388});  // the shipped data's duplicates are not asked
    EXPECT_EQ(library.Database().SetCount(), 3);

    // A sound database is loaded as it is.
    messages.Clear();
    ASSERT_TRUE(library.EnsureDatabase(share));
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(PatchLibraryTest, AFailedReloadKeepsThePreviousDatabase)
{
    Import(kSynthFile);
    std::ofstream(library.DatabasePath(), std::ios::binary | std::ios::trunc) << "not a patch file";
    messages.Clear();
    EXPECT_FALSE(library.LoadDatabase());
    EXPECT_EQ(messages.numbers(), std::vector<int>{388});
    EXPECT_EQ(library.Database().SetCount(), 3);
}

TEST_F(PatchLibraryTest, ASetNamedByNulBytesDoesNotHideTheSetsAfterIt)
{
    // Written as an empty name, the set would read as the end of the file.
    const std::string file("[List of Patch Sets]\nNumSets=2\nSet1=\0\0\nSet2=After\n[After]\n0=P\n", 62);
    Import(file);
    EXPECT_EQ(messages.numbers(), std::vector<int>{362});
    EXPECT_EQ(library.Database().ProgramName(library.Database().FindSet("After"), 0, -1), "P");
}

TEST_F(PatchLibraryTest, MoreThan80SetsLeaveOnlyTheFirst80Usable)
{
    std::string file = "[List of Patch Sets]\nNumSets=85\n";
    for (int i = 1; i <= 85; ++i)
        file += "Set" + std::to_string(i) + "=S" + std::to_string(i) + "\n";
    for (int i = 1; i <= 85; ++i)
        file += "[S" + std::to_string(i) + "]\n0=P" + std::to_string(i) + "\n";
    Import(file);
    EXPECT_EQ(library.Database().SetCount(), 80);
    EXPECT_EQ(library.Database().FindSet("S80"), 79);
    EXPECT_EQ(library.Database().FindSet("S81"), -1);
}

}  // namespace
}  // namespace kv
