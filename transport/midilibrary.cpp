#include "transport/midilibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace kv {

namespace {

template <class F>
bool Take(KVMidiEntryFn entry, uint32_t ordinal, F& out)
{
    out = reinterpret_cast<F>(entry(ordinal));
    return out != nullptr;
}

void* Open(const std::string& path)
{
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

}  // namespace

std::string ProgramDirectory()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return {};
    std::string p(path, size_t(n));
    const size_t slash = p.rfind('/');
    return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

int32_t DeviceKeyOf(const std::string& name)
{
    int32_t sum = 0;
    for (size_t i = 0; i < name.size() && i < 31 && name[i] != '\0'; ++i)
        sum += static_cast<signed char>(name[i]);
    return sum;
}

bool MidiLibraryFile::Load(const std::string& name)
{
    Unload();
    m_loadError.clear();
    if (name.find('/') == std::string::npos) {
        // The engine built with the program lives beside it; a copy elsewhere
        // on the search path may be an older, incompatible one.
        const std::string dir = ProgramDirectory();
        if (!dir.empty() && access((dir + name).c_str(), F_OK) == 0)
            m_handle = Open(dir + name);
    }
    if (m_handle == nullptr)
        m_handle = Open(name);
    if (m_handle == nullptr) {
        const char* why = dlerror();
        m_loadError = why ? why : "cannot load " + name;
        return false;
    }
    auto entry = reinterpret_cast<KVMidiEntryFn>(dlsym(m_handle, kMidiLibEntryName));
    if (entry == nullptr || !Bind(entry)) {
        m_loadError = entry == nullptr ? name + " has no entry " + kMidiLibEntryName
                                       : name + " lacks an entry point of the binding table";
        dlclose(m_handle);
        m_handle = nullptr;
        m_lib = MidiLibrary();
        return false;
    }
    return true;
}

void MidiLibraryFile::Unload()
{
    if (m_handle == nullptr)
        return;
    if (m_lib.Shutdown)
        m_lib.Shutdown();
    dlclose(m_handle);
    m_handle = nullptr;
    m_lib = MidiLibrary();
}

// In the order of the binding table; every one is required.
bool MidiLibraryFile::Bind(KVMidiEntryFn e)
{
    MidiLibrary& l = m_lib;
    bool ok = true;
    ok &= Take(e, 4, l.Init);
    ok &= Take(e, 9, l.Reconfigure);
    ok &= Take(e, 3, l.GetInfo);
    ok &= Take(e, 34, l.Shutdown);
    ok &= Take(e, 39, l.GetPortName);
    ok &= Take(e, 40, l.Connect);
    ok &= Take(e, 10, l.Disconnect);
    ok &= Take(e, 60, l.Reconnect);
    ok &= Take(e, 80, l.AllocBlock);
    ok &= Take(e, 81, l.FreeBlock);
    ok &= Take(e, 82, l.ReadBlock);
    ok &= Take(e, 83, l.LockBlock);
    ok &= Take(e, 84, l.UnlockBlock);
    ok &= Take(e, 44, l.BeginRawCapture);
    ok &= Take(e, 25, l.EndRawCapture);
    ok &= Take(e, 37, l.GetRecordedCount);
    ok &= Take(e, 42, l.SendSysEx);
    ok &= Take(e, 53, l.SendSysExToPort);
    ok &= Take(e, 28, l.SendShort);
    ok &= Take(e, 52, l.SendShortToPort);
    ok &= Take(e, 19, l.StartRecordStream);
    ok &= Take(e, 36, l.QueueBuffer);
    ok &= Take(e, 61, l.AllocTracks);
    ok &= Take(e, 41, l.AddTrack);
    ok &= Take(e, 64, l.ReplaceTrack);
    ok &= Take(e, 45, l.Go);
    ok &= Take(e, 27, l.Stop);
    ok &= Take(e, 16, l.ReleaseTracks);
    ok &= Take(e, 13, l.GetError);
    ok &= Take(e, 59, l.GetErrorText);
    ok &= Take(e, 43, l.SetTempo);
    ok &= Take(e, 21, l.SetTimebase);
    ok &= Take(e, 22, l.SetOption);
    ok &= Take(e, 38, l.TrackCommand);
    ok &= Take(e, 23, l.SetMetronome);
    ok &= Take(e, 33, l.SetMetronomeNote);
    ok &= Take(e, 49, l.SetFlag);
    ok &= Take(e, 51, l.InputRemap);
    ok &= Take(e, 58, l.SetInterceptList);
    ok &= Take(e, 35, l.SetWindowTimer);
    ok &= Take(e, 62, l.SetPositionTimer);
    ok &= Take(e, 30, l.GetTrackEventIndex);
    ok &= Take(e, 47, l.GetTempo);
    ok &= Take(e, 46, l.GetPatchCache);
    ok &= Take(e, 48, l.GetMessage);
    ok &= Take(e, 50, l.GetValue);
    ok &= Take(e, 65, l.GetDeviceCount);
    ok &= Take(e, 66, l.GetDeviceName);
    Take(e, kOrdRegisterWindow, l.RegisterWindow);
    Take(e, kOrdCaptureCount, l.CaptureCount);
    Take(e, kOrdCaptureRead, l.CaptureRead);
    Take(e, kOrdCaptureClear, l.CaptureClear);
    Take(e, kOrdGetDeviceErrorText, l.GetDeviceErrorText);
    return ok;
}

}  // namespace kv
