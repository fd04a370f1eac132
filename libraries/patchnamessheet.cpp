#include "libraries/patchnamessheet.h"

#include <algorithm>
#include <system_error>

#include "platform/messages.h"

namespace kv {

PatchNamesSheet::PatchNamesSheet(PatchLibrary& library, Messages& messages,
                                 std::function<void()> presentationChanged)
    : m_library(library),
      m_messages(messages),
      m_presentationChanged(std::move(presentationChanged)),
      m_saved(library.Assignments())
{
}

int PatchNamesSheet::PortCount() const
{
    // With no output port configured, port 0 still carries the first set.
    return std::clamp(int(m_library.Ports().size()), 1, kPorts);
}

int PatchNamesSheet::EntryCount() const
{
    return PortCount() * kChannels;
}

int PatchNamesSheet::SetOfEntry(int entry) const
{
    return m_library.AssignedSet(entry / kChannels, entry % kChannels);
}

std::string PatchNamesSheet::EntryText(int entry) const
{
    const int set = SetOfEntry(entry);
    const std::string name = set < 0 ? std::string(kNoSetName) : m_library.Database().Set(set).name;
    return "Chan " + std::to_string(entry % kChannels + 1) + ", Port " +
           std::to_string(entry / kChannels + 1) + ": " + name;
}

std::vector<std::string> PatchNamesSheet::SetNames() const
{
    std::vector<std::string> names;
    for (int s = 0; s < m_library.Database().SetCount(); ++s)
        names.push_back(m_library.Database().Set(s).name);
    return names;
}

void PatchNamesSheet::AssignEntry(int entry, int set)
{
    if (entry < 0 || entry >= EntryCount())
        return;
    m_library.Assign(entry / kChannels, entry % kChannels, set);
}

PatchNamesSheet::Check PatchNamesSheet::Validate()
{
    switch (action) {
        case Action::None:
            return {};
        case Action::Import: {
            if (importFile.empty()) {
                m_messages.ShowInfo(390);
                return {false, Field::ImportFile};
            }
            std::error_code ec;
            if (!std::filesystem::is_regular_file(importFile, ec)) {
                m_messages.ShowInfo(391);
                return {false, Field::ImportFile};
            }
            return {};
        }
        case Action::Export:
            if (exportFile.empty()) {
                m_messages.ShowInfo(392);
                return {false, Field::ExportFile};
            }
            if (chosenSet < 0 || chosenSet >= m_library.Database().SetCount())
                return {false, Field::SetList};
            return {};
        case Action::Delete:
            if (chosenSet < 0 || chosenSet >= m_library.Database().SetCount())
                return {false, Field::SetList};
            if (m_messages.AskYesNoText("Are you sure you want to delete the patch set %s?",
                                        m_library.Database().Set(chosenSet).name) != 0)
                return {false, Field::None};
            return {};
    }
    return {};
}

bool PatchNamesSheet::Ok()
{
    bool done = true;
    switch (action) {
        case Action::None:
            break;
        case Action::Import:
            done = m_library.ImportSets(importFile);
            break;
        case Action::Export:
            done = m_library.ExportSet(chosenSet, exportFile);
            break;
        case Action::Delete:
            done = m_library.DeleteSet(chosenSet);
            break;
    }
    m_library.SaveAssignments();
    if (m_presentationChanged)
        m_presentationChanged();
    m_saved = m_library.Assignments();
    return done;
}

void PatchNamesSheet::Cancel()
{
    m_library.RestoreAssignments(m_saved);
}

}  // namespace kv
