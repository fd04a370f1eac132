#pragma once

// The MIDI engine's public interface. The program loads libkvmidi.so by file
// name, calls the one exported C function KVMidiEntry for each ordinal it
// needs and casts the result to the matching function type below. This header
// must stay free of the engine's internals: the program includes it alone.

#include <cstddef>
#include <cstdint>

namespace kv {

// Ordinals of the engine's entry points. The numbers are the interface: they
// never change meaning.
enum MidiLibOrdinal : uint32_t {
    kOrdGetInfo = 3,
    kOrdInit = 4,
    kOrdReconfigure = 9,
    kOrdDisconnect = 10,
    kOrdGetError = 13,
    kOrdReleaseTracks = 16,
    kOrdStartRecordStream = 19,
    kOrdSetTimebase = 21,
    kOrdSetOption = 22,
    kOrdSetMetronome = 23,
    kOrdEndRawCapture = 25,
    kOrdStop = 27,
    kOrdSendShort = 28,
    kOrdGetTrackEventIndex = 30,
    kOrdSetMetronomeNote = 33,
    kOrdShutdown = 34,
    kOrdSetWindowTimer = 35,
    kOrdQueueBuffer = 36,
    kOrdGetRecordedCount = 37,
    kOrdTrackCommand = 38,
    kOrdGetPortName = 39,
    kOrdConnect = 40,
    kOrdAddTrack = 41,
    kOrdSendSysEx = 42,
    kOrdSetTempo = 43,
    kOrdBeginRawCapture = 44,
    kOrdGo = 45,
    kOrdGetPatchCache = 46,
    kOrdGetTempo = 47,
    kOrdGetMessage = 48,
    kOrdSetFlag = 49,
    kOrdGetValue = 50,
    kOrdInputRemap = 51,
    kOrdSendShortToPort = 52,
    kOrdSendSysExToPort = 53,
    kOrdSetInterceptList = 58,
    kOrdGetErrorText = 59,
    kOrdReconnect = 60,
    kOrdAllocTracks = 61,
    kOrdSetPositionTimer = 62,
    kOrdCountHeldNotes = 63,
    kOrdReplaceTrack = 64,
    kOrdGetDeviceCount = 65,
    kOrdGetDeviceName = 66,
    kOrdConfigureStep = 67,
    kOrdAllocBlock = 80,
    kOrdFreeBlock = 81,
    kOrdReadBlock = 82,
    kOrdLockBlock = 83,
    kOrdUnlockBlock = 84,
    // Additions of this platform: how a window is made known to the engine
    // (it stands in for a window handle the engine could post to), the
    // capture port's record, device back-end names and the device error text.
    kOrdRegisterWindow = 90,
    kOrdCaptureCount = 91,
    kOrdCaptureRead = 92,
    kOrdCaptureClear = 93,
    kOrdGetDeviceBackend = 94,
    kOrdGetDeviceErrorText = 95,
};

// The ordinals the program binds, in its binding order; binding is valid only
// when every one of them resolves.
inline constexpr uint32_t kProgramOrdinals[] = {
    4,  9,  3,  34, 39, 40, 10, 60, 80, 81, 82, 83, 84, 44, 25, 37, 42, 53, 28, 52, 19, 36, 61, 41,
    64, 45, 27, 16, 13, 59, 43, 21, 22, 38, 23, 33, 49, 51, 58, 35, 62, 30, 47, 46, 48, 50, 65, 66,
};

inline constexpr uint32_t kMidiLibVersion = 1328;  // 0x530, "5.30"
inline constexpr uint32_t kMidiLibOldestVersion = 522;
inline constexpr uint32_t kMidiLibInfoSize = 200;
inline constexpr const char* kMidiLibFileName = "libkvmidi.so";
inline constexpr const char* kMidiLibEntryName = "KVMidiEntry";

// Byte offsets in the 200-byte info block; every field is a little-endian
// unsigned 32-bit value except the two character fields.
namespace info {
inline constexpr size_t kSize = 0;
inline constexpr size_t kVersion = 4;
inline constexpr size_t kBuildDate = 8;
inline constexpr size_t kLibraryName = 12;  // 12 bytes, zero-terminated
inline constexpr size_t kOutputCount = 24;
inline constexpr size_t kConst28 = 28;
inline constexpr size_t kFirstMessage = 32;
inline constexpr size_t kLastMessage = 36;
inline constexpr size_t kOptionCount = 40;
inline constexpr size_t kConst44 = 44;
inline constexpr size_t kConst48 = 48;  // 48, 52, 56 and 60 all hold 1
inline constexpr size_t kOldestVersion = 64;
inline constexpr size_t kConfig = 68;  // 128 bytes, zero-terminated
inline constexpr size_t kConfigSize = 128;
inline constexpr size_t kThruFlag = 196;
}  // namespace info

// Error codes recorded by a failing export and read by MidiLibGetError.
enum MidiLibError : int32_t {
    kErrNone = 0,
    kErrAlreadyConfigured = 1,
    kErrNotConfigured = 2,
    kErrDevicesInUse = 3,
    kErrNotOpened = 4,
    kErrNotOwner = 5,
    kErrRawMode = 6,
    kErrCannotStop = 8,
    kErrInvalidRequest = 10,
    kErrBusy = 11,
    kErrAlreadyRecording = 12,
    kErrMemory = 13,
    kErrTooManyTracks = 14,
    kErrTooManyTimers = 16,
    kErrTooMuchData = 17,
    kErrIllegalData = 18,
    kErrMapping = 19,
    kErrRetry = 20,
    kErrNeedsInput = 21,
    kErrSysExTooLong = 22,
    kErrNotAvailable = 24,
    kErrSomePatches = 25,
    kErrPostFailed = 26,
    kErrNoWindow = 27,
    kErrLostSmpte = 28,
    kErrWaitingSmpte = 29,
    kErrMediaControl = 30,
    kErrFilesMissing = 31,
    kErrInvalidInput = 32,
    kErrCrashedConnection = 33,
    kErrSyncOnly = 34,
    kErrOpenTwice = 35,
    kErrDriverMissing = 36,
};
inline constexpr int32_t kMidiLibLastError = 36;

// Notification message numbers.
enum MidiLibNotification : uint32_t {
    ML_STOPPED = 1124,
    ML_CLOCK = 1125,
    ML_TEMPO = 1126,
    ML_EVENT_PLAYED = 1127,
    ML_RECORD_FULL = 1128,
    ML_EVENT_RECORDED = 1129,
    ML_RECORD_ENDED = 1130,
    ML_SYSTEM_MESSAGE = 1131,
    ML_ENGINE_WORK = 1132,
    ML_WINDOW_TIMER = 1133,
    ML_RECORD_BUFFER = 1134,
    ML_QUEUE_READY = 1135,
    ML_SYSEX_RECORDED = 1136,
    ML_META_REACHED = 1137,
    ML_SOLO_EVENT = 1138,
    ML_TRACK_LOOPED = 1139,
    ML_SHORT_ECHO = 1140,
    ML_SMPTE_LOCKED = 1141,
    ML_POSITION_TICK = 1142,
    ML_CONNECTED = 1143,
    ML_DISCONNECTED = 1144,
    ML_RAW_DATA = 1145,
};

// Stepwise configuration steps of MidiLibConfigureStep.
enum MidiLibStep : int32_t {
    kStepBegin = 10,
    kStepAddOutput = 11,
    kStepAddInput = 12,
    kStepSyncInput = 13,
    kStepEnd = 14,
};

inline constexpr int32_t kSyncPortSelector = 30000;  // MidiLibGetPortName
inline constexpr int32_t kOptionCount = 61;          // option codes 0..60
inline constexpr int32_t kFlagCount = 25;            // flag codes 0..24

// Option codes of MidiLibSetOption.
enum MidiLibOption : int32_t {
    kOptThruOn = 0,
    kOptThruOff = 1,
    kOptSyncInternal = 2,
    kOptSyncMidiClock = 3,
    kOptSyncSmpte = 4,
    kOptRealTimeOn = 5,
    kOptRealTimeOff = 6,
    kOptStartPosition = 7,
    kOptClockOff = 8,
    kOptPlayedOff = 9,
    kOptRecordedOff = 10,
    kOptChaseNotifyOn = 11,
    kOptChaseNotifyOff = 12,
    kOptFilterLow = 13,
    kOptTrackFilter = 14,
    kOptSendRealTimeOn = 15,
    kOptSendRealTimeOff = 16,
    kOptSendClockOn = 17,
    kOptSendClockOff = 18,
    kOptMetronomePort = 19,
    kOptImmediatePort = 20,
    kOptClockPort = 21,
    kOptThruPort = 22,
    kOptSysExPort = 23,
    kOptPlayedFilter = 24,
    kOptRecordedFilter = 25,
    kOptTimerResolution = 26,
    kOptInSysExSize = 27,
    kOptInSysExCount = 28,
    kOptOutSysExSize = 29,
    kOptOutSysExCount = 30,
    kOptRecordFilter = 31,
    kOptRecordSysExOn = 32,
    kOptRecordSysExOff = 33,
    kOptTempoScale = 34,
    kOptSystemReportMask = 35,
    kOptQueueOn = 41,
    kOptQueueOff = 42,
    kOptControllerRange = 44,
    kOptChaseAdd = 45,
    kOptChaseRemove = 46,
    kOptEchoFilter = 52,
    kOptNoPatchCaching = 53,
    kOptTimerMessage = 58,
    kOptSyncSoftware = 59,
    kOptDefaultTrackPort = 61,
};

// Flag codes of MidiLibSetFlag.
enum MidiLibFlag : int32_t {
    kFlagThru = 0,
    kFlagRealTime = 1,
    kFlagClockNotify = 2,
    kFlagPlayedNotify = 3,
    kFlagRecordedNotify = 4,
    kFlagChaseNotify = 5,
    kFlagSendRealTime = 6,
    kFlagSendClock = 7,
    kFlagRecordSysEx = 8,
    kFlagQueueMode = 9,
    kFlagChaseAllControllers = 10,
    kFlagCoalesceClock = 11,
    kFlagRecordedNotify2 = 12,
    kFlagSysExNotify = 13,
    kFlagSendSongPosition = 14,
    kFlagFollowSongPosition = 15,
    kFlagMetaNotify = 16,
    kFlagChase = 17,
    kFlagFreewheel = 18,
    kFlagEchoInput = 19,
    kFlagEchoIntercepted = 20,
    kFlagEchoSent = 21,
    kFlagChaseSysEx = 22,
    kFlagPatchCaching = 23,
    kFlagRawNotify = 24,
};

// Value codes of MidiLibGetValue.
enum MidiLibValue : int32_t {
    kValLastEventTick = 1,
    kValClockMs = 2,
    kValSmpteTime = 3,
    kValClockTicks = 4,
    kValSmpteDeviation = 5,
    kValLockSystemMs = 6,
    kValLockSmpte = 7,
    kValSongTicks = 8,
    kValEngineMs = 9,
};

// The four words MidiLibGetMessage fills.
struct MidiLibMessage {
    uint32_t window;
    uint32_t message;
    int32_t wParam;
    int32_t lParam;
};

// What the program gives the engine for one of its windows. Post may be called
// on any engine thread (timer, MIDI callbacks) and must only queue the message
// for the window's thread and return at once: 1 when queued, 0 when refused.
// With sync set it is called on the window's own thread from inside an export
// and the window handles the message before returning. Pending, when given,
// tells whether other messages already wait for the window's thread; it is
// called only on that thread.
struct MidiLibWindowHost {
    int32_t (*post)(void* context, uint32_t window, uint32_t message, int32_t wParam, int32_t lParam,
                    int32_t sync);
    int32_t (*pending)(void* context, uint32_t window);
    void* context;
};

// One message kept by the capture output port: engine time of the send in
// microseconds, its length and its first bytes (long messages are cut at 12).
struct MidiLibCaptureRecord {
    int64_t timeUs;
    uint32_t length;
    uint8_t bytes[12];
};

// Function types, one per ordinal.
using MidiLibGetInfoFn = uint32_t (*)(void* info, uint32_t count);
using MidiLibInitFn = int32_t (*)(const char* config);
using MidiLibReconfigureFn = int32_t (*)(const char* config);
using MidiLibShutdownFn = void (*)();
using MidiLibGetPortNameFn = int32_t (*)(int32_t port, char* name, int32_t length);
using MidiLibGetDeviceCountFn = int32_t (*)(int32_t inputs);
using MidiLibGetDeviceNameFn = int32_t (*)(int32_t input, int32_t index, char* name, int32_t length);
using MidiLibConfigureStepFn = int32_t (*)(int32_t step, int32_t index, const char* name);
using MidiLibConnectFn = int32_t (*)(uint32_t window);
using MidiLibDisconnectFn = int32_t (*)();
using MidiLibReconnectFn = int32_t (*)();
using MidiLibGetErrorFn = int32_t (*)(char* text, int32_t length);
using MidiLibGetErrorTextFn = void (*)(int32_t code, char* text, int32_t length);
using MidiLibGetMessageFn = int32_t (*)(MidiLibMessage* message);
using MidiLibAllocBlockFn = uint32_t (*)(uint32_t size);
using MidiLibFreeBlockFn = uint32_t (*)(uint32_t handle);
using MidiLibReadBlockFn = int32_t (*)(void* destination, uint32_t handle, uint32_t count);
using MidiLibLockBlockFn = void* (*)(uint32_t handle);
using MidiLibUnlockBlockFn = int32_t (*)(uint32_t handle);
using MidiLibSetOptionFn = int32_t (*)(int32_t code, int32_t value);
using MidiLibSetFlagFn = int32_t (*)(int32_t code, int32_t value);
using MidiLibGetValueFn = int32_t (*)(int32_t code);
using MidiLibSetWindowTimerFn = int32_t (*)(uint32_t window, uint32_t milliseconds, int32_t value);
using MidiLibAllocTracksFn = int32_t (*)(int32_t maximum);
using MidiLibAddTrackFn = uint32_t (*)(const void* data, uint32_t count, int32_t trackId);
using MidiLibReplaceTrackFn = uint32_t (*)(const void* data, uint32_t count, int32_t trackId);
using MidiLibTrackCommandFn = int32_t (*)(int32_t command, int32_t trackId, int32_t value);
using MidiLibSetTimebaseFn = int32_t (*)(int32_t ticksPerQuarter);
using MidiLibSetTempoFn = int32_t (*)(uint32_t usPerQuarter);
using MidiLibGetTempoFn = uint32_t (*)();
using MidiLibSetMetronomeFn = int32_t (*)(int32_t countInTicks, int32_t mode);
using MidiLibSetMetronomeNoteFn = int32_t (*)(int32_t which, int32_t channel, int32_t note, int32_t velocity);
using MidiLibGoFn = int32_t (*)();
using MidiLibStopFn = int32_t (*)();
using MidiLibReleaseTracksFn = int32_t (*)();
using MidiLibGetTrackEventIndexFn = int32_t (*)(int32_t trackId);
using MidiLibCountHeldNotesFn = int32_t (*)(int32_t trackId);
using MidiLibSetPositionTimerFn = int32_t (*)(uint32_t milliseconds);
using MidiLibSendShortFn = int32_t (*)(int32_t status, int32_t data1, int32_t data2);
using MidiLibSendShortToPortFn = int32_t (*)(int32_t port, int32_t status, int32_t data1, int32_t data2);
using MidiLibStartRecordStreamFn = int32_t (*)(uint32_t handle, int32_t stream);
using MidiLibQueueBufferFn = int32_t (*)(uint32_t handle, int32_t stream, int32_t trackId);
using MidiLibGetRecordedCountFn = int32_t (*)(int32_t stream);
using MidiLibBeginRawCaptureFn = int32_t (*)(uint32_t handle);
using MidiLibEndRawCaptureFn = int32_t (*)();
using MidiLibInputRemapFn = int32_t (*)(int32_t which, int32_t read, uint8_t* table, int32_t length);
using MidiLibSetInterceptListFn = int32_t (*)(const uint16_t* entries, int32_t count);
using MidiLibSendSysExFn = int32_t (*)(const void* data, uint32_t count);
using MidiLibSendSysExToPortFn = int32_t (*)(uint32_t window, int32_t port, const void* data, uint32_t count);
using MidiLibGetPatchCacheFn = int32_t (*)(int32_t port, int32_t read, void* buffer, int32_t length);
using MidiLibRegisterWindowFn = int32_t (*)(uint32_t window, const MidiLibWindowHost* host);
using MidiLibCaptureCountFn = uint32_t (*)();
using MidiLibCaptureReadFn = int32_t (*)(uint32_t index, MidiLibCaptureRecord* record);
using MidiLibCaptureClearFn = void (*)();
using MidiLibGetDeviceBackendFn = int32_t (*)(int32_t input, int32_t index, char* name, int32_t length);
using MidiLibGetDeviceErrorTextFn = int32_t (*)(char* text, int32_t length);

}  // namespace kv

// The library's single exported symbol: the entry point of an ordinal, or null
// for an ordinal the library does not have.
extern "C" {
using KVMidiEntryFn = void* (*)(uint32_t ordinal);
}
