#pragma once

#include <string>

#include "app/settings/settings.h"

namespace kv {

class EngineSetup;
class SettingsStore;

// Reads every program-wide setting into settings. A stored "SysExSize" of 0
// first deletes the whole "Editor" section (every key back to its default).
// Missing, non-numeric and out-of-range values give defaults or the nearest
// value in range; nothing here fails. The folder list is read the first time
// only (it is kept in memory afterwards); an empty "Dir0" sets all seven
// folders under programFolder (which ends in '/'). Last, the configuration
// goes to the engine: the result is false when the engine could not be
// loaded, so start-up must end. Without an engine the result is true.
bool ReadSettings(SettingsStore& store, Settings& settings, bool firstTime, const std::string& programFolder,
                  EngineSetup* engine);

// Writes every setting ReadSettings reads, with "Version" 1286 and "Build" 42,
// and the engine's current configuration when it has one.
void WriteSettings(SettingsStore& store, const Settings& settings, const EngineSetup* engine);

// The seven default folders under programFolder (ending in '/').
void SetDefaultFolders(Settings& settings, const std::string& programFolder);

}  // namespace kv
