#pragma once

#include <cstdint>
#include <string>

#include "engine/midilib.h"

namespace kv {

// The engine's entry points the program calls, bound by ordinal from the
// library chosen at run time. The first 48 are the binding table: the binding
// is valid only when every one of them resolved. The platform additions after
// them are optional; a library without them still binds.
struct MidiLibrary {
    MidiLibInitFn Init = nullptr;                              // 4
    MidiLibReconfigureFn Reconfigure = nullptr;                // 9
    MidiLibGetInfoFn GetInfo = nullptr;                        // 3
    MidiLibShutdownFn Shutdown = nullptr;                      // 34
    MidiLibGetPortNameFn GetPortName = nullptr;                // 39
    MidiLibConnectFn Connect = nullptr;                        // 40
    MidiLibDisconnectFn Disconnect = nullptr;                  // 10
    MidiLibReconnectFn Reconnect = nullptr;                    // 60
    MidiLibAllocBlockFn AllocBlock = nullptr;                  // 80
    MidiLibFreeBlockFn FreeBlock = nullptr;                    // 81
    MidiLibReadBlockFn ReadBlock = nullptr;                    // 82
    MidiLibLockBlockFn LockBlock = nullptr;                    // 83
    MidiLibUnlockBlockFn UnlockBlock = nullptr;                // 84
    MidiLibBeginRawCaptureFn BeginRawCapture = nullptr;        // 44
    MidiLibEndRawCaptureFn EndRawCapture = nullptr;            // 25
    MidiLibGetRecordedCountFn GetRecordedCount = nullptr;      // 37
    MidiLibSendSysExFn SendSysEx = nullptr;                    // 42
    MidiLibSendSysExToPortFn SendSysExToPort = nullptr;        // 53
    MidiLibSendShortFn SendShort = nullptr;                    // 28
    MidiLibSendShortToPortFn SendShortToPort = nullptr;        // 52
    MidiLibStartRecordStreamFn StartRecordStream = nullptr;    // 19
    MidiLibQueueBufferFn QueueBuffer = nullptr;                // 36
    MidiLibAllocTracksFn AllocTracks = nullptr;                // 61
    MidiLibAddTrackFn AddTrack = nullptr;                      // 41
    MidiLibReplaceTrackFn ReplaceTrack = nullptr;              // 64
    MidiLibGoFn Go = nullptr;                                  // 45
    MidiLibStopFn Stop = nullptr;                              // 27
    MidiLibReleaseTracksFn ReleaseTracks = nullptr;            // 16
    MidiLibGetErrorFn GetError = nullptr;                      // 13
    MidiLibGetErrorTextFn GetErrorText = nullptr;              // 59
    MidiLibSetTempoFn SetTempo = nullptr;                      // 43
    MidiLibSetTimebaseFn SetTimebase = nullptr;                // 21
    MidiLibSetOptionFn SetOption = nullptr;                    // 22
    MidiLibTrackCommandFn TrackCommand = nullptr;              // 38
    MidiLibSetMetronomeFn SetMetronome = nullptr;              // 23
    MidiLibSetMetronomeNoteFn SetMetronomeNote = nullptr;      // 33
    MidiLibSetFlagFn SetFlag = nullptr;                        // 49
    MidiLibInputRemapFn InputRemap = nullptr;                  // 51
    MidiLibSetInterceptListFn SetInterceptList = nullptr;      // 58
    MidiLibSetWindowTimerFn SetWindowTimer = nullptr;          // 35
    MidiLibSetPositionTimerFn SetPositionTimer = nullptr;      // 62
    MidiLibGetTrackEventIndexFn GetTrackEventIndex = nullptr;  // 30
    MidiLibGetTempoFn GetTempo = nullptr;                      // 47
    MidiLibGetPatchCacheFn GetPatchCache = nullptr;            // 46
    MidiLibGetMessageFn GetMessage = nullptr;                  // 48
    MidiLibGetValueFn GetValue = nullptr;                      // 50
    MidiLibGetDeviceCountFn GetDeviceCount = nullptr;          // 65
    MidiLibGetDeviceNameFn GetDeviceName = nullptr;            // 66

    // Platform additions (optional).
    MidiLibRegisterWindowFn RegisterWindow = nullptr;          // 90
    MidiLibCaptureCountFn CaptureCount = nullptr;              // 91
    MidiLibCaptureReadFn CaptureRead = nullptr;                // 92
    MidiLibCaptureClearFn CaptureClear = nullptr;              // 93
    MidiLibGetDeviceErrorTextFn GetDeviceErrorText = nullptr;  // 95
};

// The loaded library file: dlopen by file name, the entry points by ordinal.
// Not copyable; unloading shuts the engine down first.
class MidiLibraryFile {
public:
    MidiLibraryFile() = default;
    ~MidiLibraryFile() { Unload(); }
    MidiLibraryFile(const MidiLibraryFile&) = delete;
    MidiLibraryFile& operator=(const MidiLibraryFile&) = delete;

    // Loads name and binds every ordinal. A plain file name is looked for
    // beside the running program first, then on the loader's search path; a
    // name with a '/' is used as it stands. False (nothing kept) when the
    // file does not load or an ordinal of the binding table is missing.
    bool Load(const std::string& name);
    void Unload();
    bool Loaded() const { return m_handle != nullptr; }
    const MidiLibrary& Lib() const { return m_lib; }
    // Why the last Load failed, for a log; not shown to the user.
    const std::string& LoadError() const { return m_loadError; }

private:
    bool Bind(KVMidiEntryFn entry);

    void* m_handle = nullptr;
    MidiLibrary m_lib;
    std::string m_loadError;
};

// The folder of the running program, ending in '/'; empty when unknown.
std::string ProgramDirectory();

// The engine's name for a device in configuration strings: the signed sum of
// the name's bytes (at most 31).
int32_t DeviceKeyOf(const std::string& name);

}  // namespace kv
