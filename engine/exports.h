#pragma once

// The engine's exports as C++ functions; entry.cpp hands them out by ordinal.

#include "engine/midilib.h"

namespace kv::engine {

uint32_t MidiLibGetInfo(void* info, uint32_t count);
int32_t MidiLibInit(const char* config);
int32_t MidiLibReconfigure(const char* config);
void MidiLibShutdown();
int32_t MidiLibGetPortName(int32_t port, char* name, int32_t length);
int32_t MidiLibGetDeviceCount(int32_t inputs);
int32_t MidiLibGetDeviceName(int32_t input, int32_t index, char* name, int32_t length);
int32_t MidiLibConfigureStep(int32_t step, int32_t index, const char* name);
int32_t MidiLibConnect(uint32_t window);
int32_t MidiLibDisconnect();
int32_t MidiLibReconnect();
int32_t MidiLibGetError(char* text, int32_t length);
void MidiLibGetErrorText(int32_t code, char* text, int32_t length);
int32_t MidiLibGetMessage(MidiLibMessage* message);
uint32_t MidiLibAllocBlock(uint32_t size);
uint32_t MidiLibFreeBlock(uint32_t handle);
int32_t MidiLibReadBlock(void* destination, uint32_t handle, uint32_t count);
void* MidiLibLockBlock(uint32_t handle);
int32_t MidiLibUnlockBlock(uint32_t handle);
int32_t MidiLibSetOption(int32_t code, int32_t value);
int32_t MidiLibSetFlag(int32_t code, int32_t value);
int32_t MidiLibGetValue(int32_t code);
int32_t MidiLibSetWindowTimer(uint32_t window, uint32_t milliseconds, int32_t value);
int32_t MidiLibAllocTracks(int32_t maximum);
uint32_t MidiLibAddTrack(const void* data, uint32_t count, int32_t trackId);
uint32_t MidiLibReplaceTrack(const void* data, uint32_t count, int32_t trackId);
int32_t MidiLibTrackCommand(int32_t command, int32_t trackId, int32_t value);
int32_t MidiLibSetTimebase(int32_t ticksPerQuarter);
int32_t MidiLibSetTempo(uint32_t usPerQuarter);
uint32_t MidiLibGetTempo();
int32_t MidiLibSetMetronome(int32_t countInTicks, int32_t mode);
int32_t MidiLibSetMetronomeNote(int32_t which, int32_t channel, int32_t note, int32_t velocity);
int32_t MidiLibGo();
int32_t MidiLibStop();
int32_t MidiLibReleaseTracks();
int32_t MidiLibGetTrackEventIndex(int32_t trackId);
int32_t MidiLibCountHeldNotes(int32_t trackId);
int32_t MidiLibSetPositionTimer(uint32_t milliseconds);
int32_t MidiLibSendShort(int32_t status, int32_t data1, int32_t data2);
int32_t MidiLibSendShortToPort(int32_t port, int32_t status, int32_t data1, int32_t data2);
int32_t MidiLibStartRecordStream(uint32_t handle, int32_t stream);
int32_t MidiLibQueueBuffer(uint32_t handle, int32_t stream, int32_t trackId);
int32_t MidiLibGetRecordedCount(int32_t stream);
int32_t MidiLibBeginRawCapture(uint32_t handle);
int32_t MidiLibEndRawCapture();
int32_t MidiLibInputRemap(int32_t which, int32_t read, uint8_t* table, int32_t length);
int32_t MidiLibSetInterceptList(const uint16_t* entries, int32_t count);
int32_t MidiLibSendSysEx(const void* data, uint32_t count);
int32_t MidiLibSendSysExToPort(uint32_t window, int32_t port, const void* data, uint32_t count);
int32_t MidiLibGetPatchCache(int32_t port, int32_t read, void* buffer, int32_t length);
int32_t MidiLibRegisterWindow(uint32_t window, const MidiLibWindowHost* host);
uint32_t MidiLibCaptureCount();
int32_t MidiLibCaptureRead(uint32_t index, MidiLibCaptureRecord* record);
void MidiLibCaptureClear();
int32_t MidiLibGetDeviceBackend(int32_t input, int32_t index, char* name, int32_t length);
int32_t MidiLibGetDeviceErrorText(char* text, int32_t length);

// The entry point of an ordinal, or null.
void* EntryFor(uint32_t ordinal);

}  // namespace kv::engine
