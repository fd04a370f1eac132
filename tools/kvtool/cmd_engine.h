#pragma once

// kvtool's engine commands. They reach the MIDI engine exactly as the program
// does: the library is loaded by file name and bound through its one exported
// entry function, ordinal by ordinal.

#include <dlfcn.h>

#include <cstdio>

#include "engine/midilib.h"

namespace kv::tool {

int RunDevices(int argc, char** argv);
int RunEngineInfo(int argc, char** argv);
int RunPlay(int argc, char** argv);    // kvtool play FILE [--port NAME] [--from TICK] [--to TICK]
int RunTiming(int argc, char** argv);  // kvtool timing [--seconds N] [--load]

// The loaded engine library; unloaded (after shutting the engine down) when
// it goes out of scope.
class EngineLibrary {
public:
    EngineLibrary()
    {
        m_handle = dlopen(kMidiLibFileName, RTLD_NOW | RTLD_LOCAL);
        if (m_handle == nullptr) {
            std::fprintf(stderr, "kvtool: cannot load the MIDI engine %s: %s\n", kMidiLibFileName, dlerror());
            return;
        }
        m_entry = reinterpret_cast<KVMidiEntryFn>(dlsym(m_handle, kMidiLibEntryName));
        if (m_entry == nullptr)
            std::fprintf(stderr, "kvtool: %s has no entry %s\n", kMidiLibFileName, kMidiLibEntryName);
    }
    ~EngineLibrary()
    {
        if (auto shutdown = Bind<MidiLibShutdownFn>(kOrdShutdown))
            shutdown();
        if (m_handle)
            dlclose(m_handle);
    }
    EngineLibrary(const EngineLibrary&) = delete;
    EngineLibrary& operator=(const EngineLibrary&) = delete;

    bool Loaded() const { return m_entry != nullptr; }

    // Null (with a message) when the library lacks the ordinal.
    template <class F>
    F Bind(uint32_t ordinal) const
    {
        if (m_entry == nullptr)
            return nullptr;
        void* function = m_entry(ordinal);
        if (function == nullptr)
            std::fprintf(stderr, "kvtool: the MIDI engine lacks entry %u\n", ordinal);
        return reinterpret_cast<F>(function);
    }

private:
    void* m_handle = nullptr;
    KVMidiEntryFn m_entry = nullptr;
};

}  // namespace kv::tool
