#include "engine/exports.h"

namespace kv::engine {

namespace {

struct Entry {
    uint32_t ordinal;
    void* function;
};

template <class F>
void* Address(F* f)
{
    return reinterpret_cast<void*>(f);
}

const Entry kEntries[] = {
    {kOrdGetInfo, Address(&MidiLibGetInfo)},
    {kOrdInit, Address(&MidiLibInit)},
    {kOrdReconfigure, Address(&MidiLibReconfigure)},
    {kOrdDisconnect, Address(&MidiLibDisconnect)},
    {kOrdGetError, Address(&MidiLibGetError)},
    {kOrdReleaseTracks, Address(&MidiLibReleaseTracks)},
    {kOrdStartRecordStream, Address(&MidiLibStartRecordStream)},
    {kOrdSetTimebase, Address(&MidiLibSetTimebase)},
    {kOrdSetOption, Address(&MidiLibSetOption)},
    {kOrdSetMetronome, Address(&MidiLibSetMetronome)},
    {kOrdEndRawCapture, Address(&MidiLibEndRawCapture)},
    {kOrdStop, Address(&MidiLibStop)},
    {kOrdSendShort, Address(&MidiLibSendShort)},
    {kOrdGetTrackEventIndex, Address(&MidiLibGetTrackEventIndex)},
    {kOrdSetMetronomeNote, Address(&MidiLibSetMetronomeNote)},
    {kOrdShutdown, Address(&MidiLibShutdown)},
    {kOrdSetWindowTimer, Address(&MidiLibSetWindowTimer)},
    {kOrdQueueBuffer, Address(&MidiLibQueueBuffer)},
    {kOrdGetRecordedCount, Address(&MidiLibGetRecordedCount)},
    {kOrdTrackCommand, Address(&MidiLibTrackCommand)},
    {kOrdGetPortName, Address(&MidiLibGetPortName)},
    {kOrdConnect, Address(&MidiLibConnect)},
    {kOrdAddTrack, Address(&MidiLibAddTrack)},
    {kOrdSendSysEx, Address(&MidiLibSendSysEx)},
    {kOrdSetTempo, Address(&MidiLibSetTempo)},
    {kOrdBeginRawCapture, Address(&MidiLibBeginRawCapture)},
    {kOrdGo, Address(&MidiLibGo)},
    {kOrdGetPatchCache, Address(&MidiLibGetPatchCache)},
    {kOrdGetTempo, Address(&MidiLibGetTempo)},
    {kOrdGetMessage, Address(&MidiLibGetMessage)},
    {kOrdSetFlag, Address(&MidiLibSetFlag)},
    {kOrdGetValue, Address(&MidiLibGetValue)},
    {kOrdInputRemap, Address(&MidiLibInputRemap)},
    {kOrdSendShortToPort, Address(&MidiLibSendShortToPort)},
    {kOrdSendSysExToPort, Address(&MidiLibSendSysExToPort)},
    {kOrdSetInterceptList, Address(&MidiLibSetInterceptList)},
    {kOrdGetErrorText, Address(&MidiLibGetErrorText)},
    {kOrdReconnect, Address(&MidiLibReconnect)},
    {kOrdAllocTracks, Address(&MidiLibAllocTracks)},
    {kOrdSetPositionTimer, Address(&MidiLibSetPositionTimer)},
    {kOrdCountHeldNotes, Address(&MidiLibCountHeldNotes)},
    {kOrdReplaceTrack, Address(&MidiLibReplaceTrack)},
    {kOrdGetDeviceCount, Address(&MidiLibGetDeviceCount)},
    {kOrdGetDeviceName, Address(&MidiLibGetDeviceName)},
    {kOrdConfigureStep, Address(&MidiLibConfigureStep)},
    {kOrdAllocBlock, Address(&MidiLibAllocBlock)},
    {kOrdFreeBlock, Address(&MidiLibFreeBlock)},
    {kOrdReadBlock, Address(&MidiLibReadBlock)},
    {kOrdLockBlock, Address(&MidiLibLockBlock)},
    {kOrdUnlockBlock, Address(&MidiLibUnlockBlock)},
    {kOrdRegisterWindow, Address(&MidiLibRegisterWindow)},
    {kOrdCaptureCount, Address(&MidiLibCaptureCount)},
    {kOrdCaptureRead, Address(&MidiLibCaptureRead)},
    {kOrdCaptureClear, Address(&MidiLibCaptureClear)},
    {kOrdGetDeviceBackend, Address(&MidiLibGetDeviceBackend)},
    {kOrdGetDeviceErrorText, Address(&MidiLibGetDeviceErrorText)},
};

}  // namespace

void* EntryFor(uint32_t ordinal)
{
    for (const Entry& e : kEntries)
        if (e.ordinal == ordinal)
            return e.function;
    return nullptr;
}

}  // namespace kv::engine

extern "C" __attribute__((visibility("default"))) void* KVMidiEntry(uint32_t ordinal)
{
    return kv::engine::EntryFor(ordinal);
}
