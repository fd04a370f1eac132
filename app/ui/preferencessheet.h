#pragma once

#include <QDialog>
#include <string>

#include "app/settings/preferences.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace kv {

struct Song;

// The "Options Preferences" property sheet: shows a PreferencesValues and
// returns the edited one. It decides nothing; ApplyPreferences does.
class PreferencesSheet : public QDialog {
    Q_OBJECT

public:
    explicit PreferencesSheet(const PreferencesValues& values, QWidget* parent = nullptr);

    PreferencesValues values() const;
    QTabWidget* pages() const { return m_pages; }

private:
    QWidget* WarningsPage(const PreferencesValues& v);
    QWidget* RolPage(const PreferencesValues& v);
    QWidget* GeneralPage(const PreferencesValues& v);
    QWidget* AutoSavePage(const PreferencesValues& v);
    void Browse();

    QTabWidget* m_pages = nullptr;
    QCheckBox* m_warnFile = nullptr;
    QCheckBox* m_warnSysEx = nullptr;
    QCheckBox* m_warnKV = nullptr;
    QCheckBox* m_warnCache = nullptr;
    QCheckBox* m_rolPitchWheel = nullptr;
    QCheckBox* m_rolSavePatches = nullptr;
    QRadioButton* m_patchesFrom0 = nullptr;
    QRadioButton* m_patchesFrom1 = nullptr;
    QSpinBox* m_middleC = nullptr;
    QComboBox* m_timeFormat = nullptr;
    QCheckBox* m_cutOffWave = nullptr;
    QSpinBox* m_autoSaveMinutes = nullptr;
    QLineEdit* m_autoSaveFile = nullptr;
    QCheckBox* m_autoSaveOn = nullptr;
};

// The Options Preferences command: shows the sheet over parent and, on OK,
// applies it to the settings and the song. False when cancelled.
bool OptionsPreferences(QWidget* parent, Settings& settings, Song& song, const std::string& programFolder);

}  // namespace kv
