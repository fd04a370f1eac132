#pragma once

#include <string>

namespace kv {

struct Settings;

// The MIDI engine as the settings see it: configured once at start-up with
// the stored device configuration, asked for its configuration at exit. The
// program's engine binding implements it.
class EngineSetup {
public:
    virtual ~EngineSetup() = default;
    // Loads the engine library, checks it and configures its devices from
    // settings.config (pushing the MIDI settings when devices are
    // configured). False when the library could not be loaded or is not
    // compatible: start-up ends.
    virtual bool Configure(const Settings& settings) = 0;
    // The engine's configuration string now; empty when it has none.
    virtual std::string CurrentConfig() const = 0;
};

}  // namespace kv
