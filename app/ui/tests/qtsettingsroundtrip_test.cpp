#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "app/settings/settingsio.h"
#include "platform/qt/qtsettings.h"

namespace kv {
namespace {

constexpr const char* kFolder = "/data/Kelvane Professional/";

TEST(QtSettingsRoundTrip, EveryValueSurvivesExitAndTheNextStart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Settings written;
    written.timeFmt = 1;
    written.middleC = -2;
    written.recFltr = 0;
    written.autoSaveOn = false;
    written.remapCh = {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 15};
    written.sxExt = "DMP";
    written.config = "D1,1";
    written.autoSaveFile = "/x/Auto Save $1.sav";
    written.version = kSettingsVersion;
    SetDefaultFolders(written, kFolder);
    {
        QtSettings store(dir.path().toStdString());
        WriteSettings(store, written, nullptr);
    }
    QtSettings store(dir.path().toStdString());
    Settings read;
    ASSERT_TRUE(ReadSettings(store, read, true, "/other/", nullptr));
    EXPECT_EQ(read, written);
}

TEST(QtSettingsRoundTrip, HandEditedFileGivesDefaultsAndRangedValues)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        std::ofstream file(dir.filePath("Kelvane Professional.conf").toStdString());
        file << "[Editor]\n"
                "AutoSave=-3\n"
                "TimeFmt=9\n"
                "DefVelc=loud\n"
                "RemapCh=000102\n"
                "MetNt1=300\n"
                "WarnFile=0\n";
    }
    QtSettings store(dir.path().toStdString());
    Settings s;
    ASSERT_TRUE(ReadSettings(store, s, true, kFolder, nullptr));
    EXPECT_EQ(s.autoSave, 1);
    EXPECT_EQ(s.timeFmt, 3);
    EXPECT_EQ(s.defVelc, 60);
    EXPECT_EQ(s.remapCh, Settings{}.remapCh);
    EXPECT_EQ(s.metNt1, 127);
    EXPECT_FALSE(s.warnFile);
}

TEST(QtSettingsRoundTrip, RemapTableAsHexadecimalTextInAFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        std::ofstream file(dir.filePath("Kelvane Professional.conf").toStdString());
        file << "[Editor]\nRemapCh=0F0E0D0C0B0A09080706050403020100\n";
    }
    QtSettings store(dir.path().toStdString());
    Settings s;
    ReadSettings(store, s, true, kFolder, nullptr);
    EXPECT_EQ(s.remapCh[0], 15);
    EXPECT_EQ(s.remapCh[15], 0);
}

// QSettings reads an unquoted "D2,1" as a list of two strings; the
// configuration must come back as typed.
TEST(QtSettingsRoundTrip, HandWrittenConfigurationWithACommaIsKept)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        std::ofstream file(dir.filePath("MIDI Support.conf").toStdString());
        // QSettings spells a group named General "[%General]".
        file << "[%General]\nConfig=D2,1\n";
    }
    QtSettings store(dir.path().toStdString());
    Settings s;
    ReadSettings(store, s, true, kFolder, nullptr);
    EXPECT_EQ(s.config, "D2,1");
}

}  // namespace
}  // namespace kv
