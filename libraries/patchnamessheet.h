#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "libraries/patchlibrary.h"

namespace kv {

class Messages;

// The state and rules of the "Patch Names" sheet: the "Assign" page (port
// and channel entries against the list of sets) and the "Define" page
// (import, export or delete a set). The dialog only shows and forwards.
class PatchNamesSheet {
public:
    enum class Action { None, Import, Export, Delete };
    enum class Field { None, ImportFile, ExportFile, SetList };

    // presentationChanged tells every view that names may read differently
    // (notification kind 0); the program passes the document's broadcast.
    PatchNamesSheet(PatchLibrary& library, Messages& messages, std::function<void()> presentationChanged);

    // --- Assign -----------------------------------------------------------
    int EntryCount() const;
    // "Chan %d, Port %d: %s" with the set's name, or "Numbers" for none.
    std::string EntryText(int entry) const;
    std::vector<std::string> SetNames() const;
    int SetOfEntry(int entry) const;
    void AssignEntry(int entry, int set);

    // --- Define -----------------------------------------------------------
    Action action = Action::None;
    std::string importFile;
    std::string exportFile;
    int chosenSet = -1;

    // The check before the sheet closes with OK: Field::None and true when it
    // may close; otherwise the field to take the focus (None when the user
    // declined a question).
    struct Check {
        bool mayClose = true;
        Field focus = Field::None;
    };
    Check Validate();
    // OK: the chosen action, the assignments written back, the views told.
    bool Ok();
    // Cancel: the assignment table as it was when the sheet opened.
    void Cancel();

private:
    int PortCount() const;

    PatchLibrary& m_library;
    Messages& m_messages;
    std::function<void()> m_presentationChanged;
    std::array<int, kPorts * kChannels> m_saved;
};

}  // namespace kv
