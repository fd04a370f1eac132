#include "libraries/ui/patchnamesdialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>

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

class QtEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "kv_libraries_ui_tests";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
    }
};
testing::Environment* const kQt = testing::AddGlobalTestEnvironment(new QtEnvironment);

class PatchNamesDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / "sets.ini")
            << "[List of Patch Sets]\nNumSets=2\nSet1=General MIDI\nSet2=Other\n"
               "[General MIDI]\n0=Piano\n[Other]\n0=Organ\n";
        library.ImportSets(folder / "sets.ini");
        library.SetPorts({"Out"});
        library.LoadAssignments();
        sheet = std::make_unique<PatchNamesSheet>(library, messages, [this] { ++kindZero; });
        dialog = std::make_unique<PatchNamesDialog>(*sheet);
    }
    void TearDown() override
    {
        dialog.reset();
        fs::remove_all(folder);
    }

    fs::path folder = fs::path(testing::TempDir()) / ("kvpatch_dialog_" + std::to_string(getpid()));
    FakeMessages messages;
    MemorySettings settings;
    ChannelSetTable table;
    PatchLibrary library{messages, settings, table, folder};
    int kindZero = 0;
    std::unique_ptr<PatchNamesSheet> sheet;
    std::unique_ptr<PatchNamesDialog> dialog;
};

TEST_F(PatchNamesDialogTest, ChoosingASetAssignsTheSelectedEntries)
{
    ASSERT_EQ(dialog->EntryList()->count(), 16);
    dialog->EntryList()->item(2)->setSelected(true);
    QListWidget* sets = dialog->AssignSetList();
    ASSERT_EQ(sets->count(), 3);  // "Numbers" and the two sets
    emit sets->itemClicked(sets->item(2));
    EXPECT_EQ(dialog->EntryList()->item(2)->text(), "Chan 3, Port 1: Other");
    dialog->accept();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(settings.GetString(kProgramAppKey, "Out Patches", "Chan3", ""), "Other");
    EXPECT_EQ(kindZero, 1);
}

TEST_F(PatchNamesDialogTest, ImportWithoutFileStaysOpen)
{
    dialog->ChooseAction(PatchNamesSheet::Action::Import);
    dialog->accept();
    EXPECT_EQ(messages.numbers(), std::vector<int>{390});
    EXPECT_NE(dialog->result(), QDialog::Accepted);
}

}  // namespace
}  // namespace kv
