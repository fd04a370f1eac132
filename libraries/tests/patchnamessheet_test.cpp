#include "libraries/patchnamessheet.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/fakemessages.h"
#include "platform/memorysettings.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

class PatchNamesSheetTest : public testing::Test {
protected:
    PatchNamesSheetTest()
    {
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / "sets.ini")
            << "[List of Patch Sets]\nNumSets=3\nSet1=General MIDI\n"
               "Set2=General MIDI Drums\nSet3=Other\n"
               "[General MIDI]\n0=Piano\n[General MIDI Drums]\nType=NoteNames\n"
               "36=Kick\n[Other]\n0=Organ\n";
        library.ImportSets(folder / "sets.ini");
        library.SetPorts({"Out A", "Out B"});
        library.LoadAssignments();
        messages.Clear();
        // The sheet remembers the table as it is when it opens.
        sheetOwner = std::make_unique<PatchNamesSheet>(library, messages, [this] { ++kindZero; });
    }
    ~PatchNamesSheetTest() override { fs::remove_all(folder); }

    fs::path folder = fs::path(testing::TempDir()) / ("kvpatch_sheet_" + std::to_string(getpid()));
    FakeMessages messages;
    MemorySettings settings;
    ChannelSetTable table;
    PatchLibrary library{messages, settings, table, folder};
    int kindZero = 0;
    std::unique_ptr<PatchNamesSheet> sheetOwner;
    PatchNamesSheet& sheet() { return *sheetOwner; }
};

TEST_F(PatchNamesSheetTest, EntriesNamePortChannelAndSet)
{
    EXPECT_EQ(sheet().EntryCount(), 32);
    EXPECT_EQ(sheet().EntryText(0), "Chan 1, Port 1: General MIDI");
    EXPECT_EQ(sheet().EntryText(9), "Chan 10, Port 1: General MIDI Drums");
    sheet().AssignEntry(17, -1);
    EXPECT_EQ(sheet().EntryText(17), "Chan 2, Port 2: Numbers");
}

TEST_F(PatchNamesSheetTest, OkWritesAssignmentsAndTellsTheViews)
{
    sheet().AssignEntry(1, library.Database().FindSet("Other"));
    EXPECT_EQ(library.PatchName(0, 1, 0, -1, false, 0), "Organ");  // assigned at once
    ASSERT_TRUE(sheet().Ok());
    EXPECT_EQ(settings.GetString(kProgramAppKey, "Out A Patches", "Chan2", ""), "Other");
    EXPECT_EQ(kindZero, 1);
}

TEST_F(PatchNamesSheetTest, CancelRestoresTheTable)
{
    sheet().AssignEntry(0, library.Database().FindSet("Other"));
    sheet().Cancel();
    EXPECT_EQ(library.PatchName(0, 0, 0, -1, false, 0), "Piano");
    EXPECT_FALSE(settings.Has(kProgramAppKey, "Out A Patches", "Chan1"));
}

TEST_F(PatchNamesSheetTest, DefinePageRefusesIncompleteActions)
{
    using Field = PatchNamesSheet::Field;
    using Action = PatchNamesSheet::Action;
    struct Case {
        Action action;
        std::string importFile, exportFile;
        int set;
        std::vector<int> numbers;
        bool mayClose;
        Field focus;
    };
    const std::string existing = (folder / "sets.ini").string();
    const Case cases[] = {
        {Action::Import, "", "", -1, {390}, false, Field::ImportFile},
        {Action::Import, (folder / "none.ini").string(), "", -1, {391}, false, Field::ImportFile},
        {Action::Import, existing, "", -1, {}, true, Field::None},
        {Action::Export, "", "", 0, {392}, false, Field::ExportFile},
        {Action::Export, "", "out.ini", -1, {}, false, Field::SetList},
        {Action::Delete, "", "", -1, {}, false, Field::SetList},
        {Action::None, "", "", -1, {}, true, Field::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.action));
        messages.Clear();
        sheet().action = c.action;
        sheet().importFile = c.importFile;
        sheet().exportFile = c.exportFile;
        sheet().chosenSet = c.set;
        const PatchNamesSheet::Check check = sheet().Validate();
        EXPECT_EQ(messages.numbers(), c.numbers);
        EXPECT_EQ(check.mayClose, c.mayClose);
        EXPECT_EQ(check.focus, c.focus);
    }
}

TEST_F(PatchNamesSheetTest, DeleteAsksWithTheSetNameAndNoKeepsTheSheetOpen)
{
    sheet().action = PatchNamesSheet::Action::Delete;
    sheet().chosenSet = library.Database().FindSet("Other");
    messages.Answer(Button::No);
    EXPECT_FALSE(sheet().Validate().mayClose);
    EXPECT_EQ(messages.shown().back().text, "Are you sure you want to delete the patch set Other?");
    EXPECT_TRUE(sheet().Validate().mayClose);  // the script's default answer is Yes
    ASSERT_TRUE(sheet().Ok());
    EXPECT_EQ(library.Database().FindSet("Other"), -1);
    EXPECT_EQ(library.PatchName(0, 0, 0, -1, false, 0), "Piano");  // assignments reloaded
}

}  // namespace
}  // namespace kv
