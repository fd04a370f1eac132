#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/ui/preferencessheet.h"
#include "song/song.h"

namespace kv {
namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "kv_app_ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

template <typename W>
W* Child(const PreferencesSheet& sheet, const char* name)
{
    W* w = sheet.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

PreferencesValues Unusual()
{
    PreferencesValues v;
    v.warnFile = false;
    v.warnSysEx = true;
    v.warnKV = false;
    v.warnCache = true;
    v.rolPitchWheel = false;
    v.rolSavePatches = false;
    v.patchBase = 0;
    v.middleCOctave = 3;
    v.timeFormat = 1;
    v.cutOffWave = false;
    v.autoSaveMinutes = 17;
    v.autoSaveFile = "/tmp/x.sav";
    v.autoSaveOn = false;
    return v;
}

TEST(PreferencesSheet, HasTheFourPagesInOrder)
{
    App();
    PreferencesSheet sheet(PreferencesValues{});
    EXPECT_EQ(sheet.windowTitle(), "Options Preferences");
    ASSERT_EQ(sheet.pages()->count(), 4);
    EXPECT_EQ(sheet.pages()->tabText(0), "Warnings");
    EXPECT_EQ(sheet.pages()->tabText(1), "ROL Files");
    EXPECT_EQ(sheet.pages()->tabText(2), "General");
    EXPECT_EQ(sheet.pages()->tabText(3), "Auto Save");
    QComboBox* formats = Child<QComboBox>(sheet, "timeFormat");
    ASSERT_NE(formats, nullptr);
    ASSERT_EQ(formats->count(), 5);
    EXPECT_EQ(formats->itemText(3), "1.1:000");
    QCheckBox* warnKV = Child<QCheckBox>(sheet, "warnKV");
    ASSERT_NE(warnKV, nullptr);
    EXPECT_EQ(warnKV->text(), "Warn if the song contains &Kelvane specific events.");
}

TEST(PreferencesSheet, ShowsTheValuesItIsGivenAndReturnsThemUnchanged)
{
    App();
    const PreferencesValues v = Unusual();
    PreferencesSheet sheet(v);
    sheet.show();
    QSpinBox* middleC = Child<QSpinBox>(sheet, "middleC");
    ASSERT_NE(middleC, nullptr);
    EXPECT_EQ(middleC->value(), 3);
    QRadioButton* from0 = Child<QRadioButton>(sheet, "patchesFrom0");
    ASSERT_NE(from0, nullptr);
    EXPECT_TRUE(from0->isChecked());
    QLineEdit* file = Child<QLineEdit>(sheet, "autoSaveFile");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->text(), "/tmp/x.sav");
    EXPECT_EQ(sheet.values(), v);
}

TEST(PreferencesSheet, ReturnsEditedValues)
{
    App();
    PreferencesSheet sheet(PreferencesValues{});
    QCheckBox* warnFile = Child<QCheckBox>(sheet, "warnFile");
    QSpinBox* middleC = Child<QSpinBox>(sheet, "middleC");
    QComboBox* formats = Child<QComboBox>(sheet, "timeFormat");
    QSpinBox* minutes = Child<QSpinBox>(sheet, "autoSaveMinutes");
    QLineEdit* file = Child<QLineEdit>(sheet, "autoSaveFile");
    QRadioButton* from0 = Child<QRadioButton>(sheet, "patchesFrom0");
    ASSERT_TRUE(warnFile && middleC && formats && minutes && file && from0);
    warnFile->setChecked(false);
    middleC->setValue(9);  // the spin keeps 3..6
    formats->setCurrentIndex(0);
    minutes->setValue(30);
    file->setText("/home/u/auto.sav");
    from0->setChecked(true);

    const PreferencesValues v = sheet.values();
    EXPECT_FALSE(v.warnFile);
    EXPECT_EQ(v.middleCOctave, 6);
    EXPECT_EQ(v.timeFormat, 0);
    EXPECT_EQ(v.autoSaveMinutes, 30);
    EXPECT_EQ(v.autoSaveFile, "/home/u/auto.sav");
    EXPECT_EQ(v.patchBase, 0);
}

// The command runs the sheet modally; a queued call plays the user.
void WhenSheetOpens(std::function<void(PreferencesSheet&)> act)
{
    QTimer::singleShot(0, [act] {
        auto* sheet = qobject_cast<PreferencesSheet*>(QApplication::activeModalWidget());
        ASSERT_NE(sheet, nullptr);
        act(*sheet);
    });
}

TEST(OptionsPreferences, OkStoresTheEditedValues)
{
    App();
    Settings settings;
    auto song = std::make_unique<Song>();
    WhenSheetOpens([](PreferencesSheet& sheet) {
        sheet.findChild<QSpinBox*>("middleC")->setValue(4);
        sheet.findChild<QCheckBox*>("warnKV")->setChecked(false);
        sheet.accept();
    });
    EXPECT_TRUE(OptionsPreferences(nullptr, settings, *song, "/data/"));
    EXPECT_EQ(settings.middleC, -1);
    EXPECT_FALSE(settings.warnKV);
}

TEST(OptionsPreferences, CancelChangesNothing)
{
    App();
    Settings settings;
    const Settings before = settings;
    auto song = std::make_unique<Song>();
    WhenSheetOpens([](PreferencesSheet& sheet) {
        sheet.findChild<QSpinBox*>("middleC")->setValue(3);
        sheet.reject();
    });
    EXPECT_FALSE(OptionsPreferences(nullptr, settings, *song, "/data/"));
    EXPECT_EQ(settings, before);
}

}  // namespace
}  // namespace kv
