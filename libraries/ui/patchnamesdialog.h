#pragma once

#include <QDialog>

#include "libraries/patchnamessheet.h"

class QButtonGroup;
class QLineEdit;
class QListWidget;
class QTabWidget;

namespace kv {

// The "Patch Names" sheet: the pages "Assign" and "Define" over a
// PatchNamesSheet, which holds every rule.
class PatchNamesDialog : public QDialog {
    Q_OBJECT
public:
    PatchNamesDialog(PatchNamesSheet& sheet, QWidget* parent = nullptr);

    void accept() override;
    void reject() override;

    QListWidget* EntryList() const { return m_entries; }
    QListWidget* AssignSetList() const { return m_assignSets; }
    QListWidget* DefineSetList() const { return m_defineSets; }
    QLineEdit* ImportField() const { return m_importFile; }
    QLineEdit* ExportField() const { return m_exportFile; }
    void ChooseAction(PatchNamesSheet::Action action);

private:
    QWidget* MakeAssignPage();
    QWidget* MakeDefinePage();
    void RefreshEntries();
    void SetChosen();
    void Browse(QLineEdit* field, bool save);

    PatchNamesSheet& m_sheet;
    QTabWidget* m_tabs = nullptr;
    QListWidget* m_entries = nullptr;
    QListWidget* m_assignSets = nullptr;
    QListWidget* m_defineSets = nullptr;
    QLineEdit* m_importFile = nullptr;
    QLineEdit* m_exportFile = nullptr;
    QButtonGroup* m_actions = nullptr;
};

}  // namespace kv
