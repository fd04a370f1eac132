#include "platform/qt/qtsettings.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace kv {
namespace {

TEST(QtSettings, RoundTripsEveryKindThroughTheFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    {
        QtSettings s(folder);
        s.WriteInt(kProgramAppKey, "General", "TimeFmt", -3);
        s.WriteString(kProgramAppKey, "General", "Folder", "/home/user/songs");
        s.WriteBinary(kProgramAppKey, "Placements", "Pos0", {0, 255, 10, 13});
        s.WriteString("MIDI Support", "General", "Config", "O1=5");
    }
    QtSettings s(folder);
    EXPECT_EQ(s.GetInt(kProgramAppKey, "General", "TimeFmt", 0), -3);
    EXPECT_EQ(s.GetString(kProgramAppKey, "General", "Folder", ""), "/home/user/songs");
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(s.GetBinary(kProgramAppKey, "Placements", "Pos0", bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0, 255, 10, 13}));
    EXPECT_EQ(s.GetString("MIDI Support", "General", "Config", ""), "O1=5");
    EXPECT_FALSE(s.Has(kProgramAppKey, "General", "Config"));  // kept apart per application key
}

TEST(QtSettings, HandEditedValuesFallBackToDefaults)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.path() + "/" + kProgramAppKey + ".conf");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Preferences]\nTimeFmt=three\nAutoSave=10\nPos0=plain text\n");
    file.close();

    QtSettings s(dir.path().toStdString());
    EXPECT_EQ(s.GetInt(kProgramAppKey, "Preferences", "TimeFmt", 3), 3);
    EXPECT_EQ(s.GetInt(kProgramAppKey, "Preferences", "AutoSave", 0), 10);
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(s.GetBinary(kProgramAppKey, "Preferences", "Pos0", bytes));
}

}  // namespace
}  // namespace kv
