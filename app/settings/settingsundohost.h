#pragma once

#include "app/settings/settings.h"
#include "song/undojournal.h"

namespace kv {

// The journal's host as far as the settings go: "AutoSaveOn" and "AutoSave"
// come from the settings record, and a timer that cannot be had switches
// "AutoSaveOn" off there. The program derives from it for the timer itself
// (StartAutoSave, AutoSavePending) and the playing engine.
class SettingsUndoHost : public UndoHost {
public:
    explicit SettingsUndoHost(Settings& settings) : m_settings(settings) {}

    bool AutoSaveOn() const override { return m_settings.autoSaveOn; }
    int32_t AutoSaveMinutes() const override { return m_settings.autoSave; }
    void DisableAutoSave() override { m_settings.autoSaveOn = false; }

protected:
    Settings& m_settings;
};

}  // namespace kv
