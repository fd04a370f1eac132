#include "libraries/ui/patchnamesdialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kv {

namespace {

const char* const kIniFilter = "INI Files (*.ini);;All Files (*)";

}  // namespace

PatchNamesDialog::PatchNamesDialog(PatchNamesSheet& sheet, QWidget* parent) : QDialog(parent), m_sheet(sheet)
{
    setWindowTitle(QStringLiteral("Patch Names"));
    m_tabs = new QTabWidget(this);
    m_tabs->addTab(MakeAssignPage(), QStringLiteral("Assign"));
    m_tabs->addTab(MakeDefinePage(), QStringLiteral("Define"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PatchNamesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PatchNamesDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
    RefreshEntries();
}

QWidget* PatchNamesDialog::MakeAssignPage()
{
    auto* page = new QWidget(this);
    m_entries = new QListWidget(page);
    m_entries->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_assignSets = new QListWidget(page);
    m_assignSets->addItem(QString::fromUtf8(kNoSetName));
    for (const std::string& name : m_sheet.SetNames())
        m_assignSets->addItem(QString::fromStdString(name));
    // Choosing a set assigns it to every selected entry; row 0 is "no set".
    connect(m_assignSets, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int set = m_assignSets->row(item) - 1;
        for (QListWidgetItem* entry : m_entries->selectedItems())
            m_sheet.AssignEntry(m_entries->row(entry), set);
        RefreshEntries();
    });
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(m_entries, 2);
    layout->addWidget(m_assignSets, 1);
    return page;
}

QWidget* PatchNamesDialog::MakeDefinePage()
{
    auto* page = new QWidget(this);
    m_actions = new QButtonGroup(page);
    auto* import = new QRadioButton(QStringLiteral("&Import a patch set"), page);
    auto* exportSet = new QRadioButton(QStringLiteral("&Export a patch  set"), page);
    auto* remove = new QRadioButton(QStringLiteral("&Delete a patch set"), page);
    m_actions->addButton(import, int(PatchNamesSheet::Action::Import));
    m_actions->addButton(exportSet, int(PatchNamesSheet::Action::Export));
    m_actions->addButton(remove, int(PatchNamesSheet::Action::Delete));
    connect(m_actions, &QButtonGroup::idClicked, this,
            [this](int id) { m_sheet.action = PatchNamesSheet::Action(id); });
    m_importFile = new QLineEdit(page);
    m_exportFile = new QLineEdit(page);
    auto* browseImport = new QPushButton(QStringLiteral("Browse..."), page);
    auto* browseExport = new QPushButton(QStringLiteral("Browse..."), page);
    connect(browseImport, &QPushButton::clicked, this, [this] { Browse(m_importFile, false); });
    connect(browseExport, &QPushButton::clicked, this, [this] { Browse(m_exportFile, true); });
    m_defineSets = new QListWidget(page);
    for (const std::string& name : m_sheet.SetNames())
        m_defineSets->addItem(QString::fromStdString(name));
    auto* grid = new QGridLayout(page);
    grid->addWidget(import, 0, 0);
    grid->addWidget(m_importFile, 0, 1);
    grid->addWidget(browseImport, 0, 2);
    grid->addWidget(exportSet, 1, 0);
    grid->addWidget(m_exportFile, 1, 1);
    grid->addWidget(browseExport, 1, 2);
    grid->addWidget(remove, 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("Patch sets:"), page), 3, 0);
    grid->addWidget(m_defineSets, 4, 0, 1, 3);
    return page;
}

void PatchNamesDialog::ChooseAction(PatchNamesSheet::Action action)
{
    if (QAbstractButton* b = m_actions->button(int(action)))
        b->setChecked(true);
    m_sheet.action = action;
}

void PatchNamesDialog::Browse(QLineEdit* field, bool save)
{
    const QString file = save ? QFileDialog::getSaveFileName(this, QString(), field->text(), tr(kIniFilter))
                              : QFileDialog::getOpenFileName(this, QString(), field->text(), tr(kIniFilter));
    if (!file.isEmpty())
        field->setText(file);
}

void PatchNamesDialog::RefreshEntries()
{
    const int current = m_entries->currentRow();
    std::vector<bool> selected(size_t(m_entries->count()));
    for (int i = 0; i < m_entries->count(); ++i)
        selected[size_t(i)] = m_entries->item(i)->isSelected();
    m_entries->clear();
    for (int i = 0; i < m_sheet.EntryCount(); ++i) {
        m_entries->addItem(QString::fromStdString(m_sheet.EntryText(i)));
        if (size_t(i) < selected.size() && selected[size_t(i)])
            m_entries->item(i)->setSelected(true);
    }
    if (current >= 0 && current < m_entries->count())
        m_entries->setCurrentRow(current, QItemSelectionModel::NoUpdate);
}

void PatchNamesDialog::SetChosen()
{
    m_sheet.importFile = m_importFile->text().toStdString();
    m_sheet.exportFile = m_exportFile->text().toStdString();
    m_sheet.chosenSet = m_defineSets->currentRow();
}

void PatchNamesDialog::accept()
{
    SetChosen();
    const PatchNamesSheet::Check check = m_sheet.Validate();
    if (!check.mayClose) {
        m_tabs->setCurrentIndex(1);
        switch (check.focus) {
            case PatchNamesSheet::Field::ImportFile:
                m_importFile->setFocus();
                break;
            case PatchNamesSheet::Field::ExportFile:
                m_exportFile->setFocus();
                break;
            case PatchNamesSheet::Field::SetList:
                m_defineSets->setFocus();
                break;
            case PatchNamesSheet::Field::None:
                break;
        }
        return;
    }
    m_sheet.Ok();
    QDialog::accept();
}

void PatchNamesDialog::reject()
{
    m_sheet.Cancel();
    QDialog::reject();
}

}  // namespace kv
