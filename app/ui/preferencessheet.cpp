#include "app/ui/preferencessheet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kv {
namespace {

QCheckBox* Check(const char* text, const char* name, bool on, QWidget* parent)
{
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    box->setObjectName(name);
    box->setChecked(on);
    return box;
}

QWidget* Column(std::initializer_list<QWidget*> widgets)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    for (QWidget* w : widgets) {
        w->setParent(page);
        layout->addWidget(w);
    }
    layout->addStretch();
    return page;
}

}  // namespace

PreferencesSheet::PreferencesSheet(const PreferencesValues& values, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Options Preferences"));
    m_pages = new QTabWidget(this);
    m_pages->addTab(WarningsPage(values), QStringLiteral("Warnings"));
    m_pages->addTab(RolPage(values), QStringLiteral("ROL Files"));
    m_pages->addTab(GeneralPage(values), QStringLiteral("General"));
    m_pages->addTab(AutoSavePage(values), QStringLiteral("Auto Save"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buttons);
}

QWidget* PreferencesSheet::WarningsPage(const PreferencesValues& v)
{
    m_warnFile = Check("Warn if the song is not a legal &MIDI file.", "warnFile", v.warnFile, nullptr);
    m_warnSysEx =
        Check("Warn if the song contains System E&xclusive events.", "warnSysEx", v.warnSysEx, nullptr);
    m_warnKV = Check("Warn if the song contains &Kelvane specific events.", "warnKV", v.warnKV, nullptr);
    m_warnCache = Check("Warn if Patch &Caching fails.", "warnCache", v.warnCache, nullptr);
    return Column({m_warnFile, m_warnSysEx, m_warnKV, m_warnCache});
}

QWidget* PreferencesSheet::RolPage(const PreferencesValues& v)
{
    m_rolPitchWheel = Check("Convert &Pitch Bend events", "rolPitchWheel", v.rolPitchWheel, nullptr);
    m_rolSavePatches = Check("&Save Patch Assignments", "rolSavePatches", v.rolSavePatches, nullptr);
    return Column({m_rolPitchWheel, m_rolSavePatches});
}

QWidget* PreferencesSheet::GeneralPage(const PreferencesValues& v)
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);

    auto* bases = new QWidget(page);
    auto* baseRow = new QHBoxLayout(bases);
    baseRow->setContentsMargins(0, 0, 0, 0);
    m_patchesFrom0 = new QRadioButton(QStringLiteral("0"), bases);
    m_patchesFrom0->setObjectName("patchesFrom0");
    m_patchesFrom1 = new QRadioButton(QStringLiteral("1"), bases);
    m_patchesFrom1->setObjectName("patchesFrom1");
    auto* group = new QButtonGroup(bases);
    group->addButton(m_patchesFrom0);
    group->addButton(m_patchesFrom1);
    (v.patchBase == 0 ? m_patchesFrom0 : m_patchesFrom1)->setChecked(true);
    baseRow->addWidget(m_patchesFrom0);
    baseRow->addWidget(m_patchesFrom1);
    baseRow->addStretch();
    auto* baseLabel = new QLabel(QStringLiteral("&Patches start at:"), page);
    baseLabel->setBuddy(m_patchesFrom0);
    form->addRow(baseLabel, bases);

    m_middleC = new QSpinBox(page);
    m_middleC->setObjectName("middleC");
    m_middleC->setRange(kLowestMiddleCOctave, kHighestMiddleCOctave);
    m_middleC->setValue(v.middleCOctave);
    form->addRow(QStringLiteral("Middle C &Octave:"), m_middleC);

    m_timeFormat = new QComboBox(page);
    m_timeFormat->setObjectName("timeFormat");
    m_timeFormat->addItems({"0:000", "0.0:000", "1.0:000", "1.1:000", "0.1:000"});
    m_timeFormat->setCurrentIndex(v.timeFormat);
    form->addRow(QStringLiteral("&Time Format:"), m_timeFormat);

    m_cutOffWave = Check("&Cut off a playing Wave if needed", "cutOffWave", v.cutOffWave, page);
    form->addRow(m_cutOffWave);
    return page;
}

QWidget* PreferencesSheet::AutoSavePage(const PreferencesValues& v)
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);

    m_autoSaveMinutes = new QSpinBox(page);
    m_autoSaveMinutes->setObjectName("autoSaveMinutes");
    m_autoSaveMinutes->setRange(1, kMaxAutoSaveMinutes);
    m_autoSaveMinutes->setValue(v.autoSaveMinutes);
    form->addRow(QStringLiteral("Save Interval (min):"), m_autoSaveMinutes);

    auto* fileRow = new QWidget(page);
    auto* row = new QHBoxLayout(fileRow);
    row->setContentsMargins(0, 0, 0, 0);
    m_autoSaveFile = new QLineEdit(QString::fromStdString(v.autoSaveFile), fileRow);
    m_autoSaveFile->setObjectName("autoSaveFile");
    m_autoSaveFile->setMinimumWidth(m_autoSaveFile->fontMetrics().averageCharWidth() * 40);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), fileRow);
    browse->setObjectName("browse");
    connect(browse, &QPushButton::clicked, this, &PreferencesSheet::Browse);
    row->addWidget(m_autoSaveFile, 1);
    row->addWidget(browse);
    auto* fileLabel = new QLabel(QStringLiteral("Auto Save &File:"), page);
    fileLabel->setBuddy(m_autoSaveFile);
    form->addRow(fileLabel, fileRow);

    m_autoSaveOn = Check("&Enable Auto Save", "autoSaveOn", v.autoSaveOn, page);
    form->addRow(m_autoSaveOn);
    return page;
}

void PreferencesSheet::Browse()
{
    const QString file =
        QFileDialog::getSaveFileName(this, QStringLiteral("Auto Save"), m_autoSaveFile->text(),
                                     QStringLiteral("Save Files (*.sav);;All Files (*)"));
    if (!file.isEmpty())
        m_autoSaveFile->setText(file);
}

PreferencesValues PreferencesSheet::values() const
{
    PreferencesValues v;
    v.warnFile = m_warnFile->isChecked();
    v.warnSysEx = m_warnSysEx->isChecked();
    v.warnKV = m_warnKV->isChecked();
    v.warnCache = m_warnCache->isChecked();
    v.rolPitchWheel = m_rolPitchWheel->isChecked();
    v.rolSavePatches = m_rolSavePatches->isChecked();
    v.patchBase = m_patchesFrom0->isChecked() ? 0 : 1;
    v.middleCOctave = m_middleC->value();
    v.timeFormat = m_timeFormat->currentIndex();
    v.cutOffWave = m_cutOffWave->isChecked();
    v.autoSaveMinutes = m_autoSaveMinutes->value();
    v.autoSaveFile = m_autoSaveFile->text().toStdString();
    v.autoSaveOn = m_autoSaveOn->isChecked();
    return v;
}

bool OptionsPreferences(QWidget* parent, Settings& settings, Song& song, const std::string& programFolder)
{
    PreferencesSheet sheet(PreferencesFrom(settings), parent);
    if (sheet.exec() != QDialog::Accepted)
        return false;
    ApplyPreferences(settings, song, sheet.values(), programFolder);
    return true;
}

}  // namespace kv
