// Run exports: state checks and argument ranges here, playback in Player.
// Recording and the system exclusive pools are not here yet: those calls
// fail with error 24.

#include <cstring>

#include "engine/blocks.h"
#include "engine/engine.h"
#include "engine/errors.h"
#include "engine/exports.h"
#include "engine/player.h"

namespace kv::engine {

namespace {

int32_t Fail(int32_t code)
{
    SetError(code);
    return 0;
}

enum Needs : unsigned { kStopped = 1, kNotRaw = 2, kRunning = 4 };

// Connected, then raw mode, then run state, in the order the errors are
// checked; returns false with the error recorded.
bool Check(unsigned needs)
{
    Engine& engine = Engine::Get();
    if (!engine.RequireConnected())
        return false;
    RunState& run = engine.Run();
    if ((needs & kNotRaw) && run.rawCapture.load(std::memory_order_acquire)) {
        SetError(kErrRawMode);
        return false;
    }
    if ((needs & kStopped) && run.Running()) {
        SetError(kErrBusy);
        return false;
    }
    if ((needs & kRunning) && !run.Running()) {
        SetError(kErrCannotStop);
        return false;
    }
    return true;
}

bool ValidShort(int32_t status, int32_t data1, int32_t data2)
{
    return status >= 0x80 && status <= 0xEF && data1 >= 0 && data1 <= 127 && data2 >= 0 && data2 <= 127;
}

bool SendShortTo(int port, int32_t status, int32_t data1, int32_t data2, int32_t origin)
{
    Engine& engine = Engine::Get();
    if (engine.Output(port) == nullptr)
        return false;
    uint32_t message = static_cast<uint32_t>(status) | data1 << 8 | data2 << 16;
    if (!Player::Get().SendNow(OutputQueues::kImmediate, port, message))
        return false;
    if (engine.Set().Flag(kFlagEchoSent))
        engine.Notify(ML_SHORT_ECHO, origin, (status << 16) | (data1 << 8) | data2);
    return true;
}

bool ValidSysEx(const void* data, uint32_t count)
{
    if (data == nullptr || count < 2)
        return false;
    auto* bytes = static_cast<const uint8_t*>(data);
    return bytes[0] == 0xF0;
}

}  // namespace

int32_t MidiLibAllocTracks(int32_t maximum)
{
    if (!Check(kStopped | kNotRaw))
        return 0;
    if (maximum <= 0 || maximum > 256)
        return Fail(kErrInvalidRequest);
    return Player::Get().AllocTracks(maximum);
}

uint32_t MidiLibAddTrack(const void* data, uint32_t count, int32_t trackId)
{
    if (!Check(kStopped | kNotRaw))
        return 0;
    if (data == nullptr || count == 0 || count > BlockTable::kMaxSize)
        return Fail(kErrInvalidRequest);
    return Player::Get().AddTrack(data, count, trackId);
}

uint32_t MidiLibReplaceTrack(const void* data, uint32_t count, int32_t trackId)
{
    if (!Check(kRunning | kNotRaw))
        return 0;
    if (data == nullptr || count == 0 || count > BlockTable::kMaxSize)
        return Fail(kErrInvalidRequest);
    return Player::Get().ReplaceTrack(data, count, trackId);
}

int32_t MidiLibTrackCommand(int32_t command, int32_t trackId, int32_t value)
{
    if (!Check(kNotRaw))
        return 0;
    return Player::Get().TrackCommand(command, trackId, value);
}

int32_t MidiLibSetTimebase(int32_t ticksPerQuarter)
{
    if (!Check(kStopped | kNotRaw))
        return 0;
    if (ticksPerQuarter <= 0 || ticksPerQuarter > 0x7FFF)
        return Fail(kErrInvalidRequest);
    Engine::Get().Set().timebase.store(ticksPerQuarter, std::memory_order_release);
    return 1;
}

int32_t MidiLibSetTempo(uint32_t usPerQuarter)
{
    if (!Check(kNotRaw))
        return 0;
    // 60000000 / tempo must give at least 1 beat per minute and a tempo of 0
    // would divide by zero in every conversion.
    if (usPerQuarter == 0 || usPerQuarter > 60000000)
        return Fail(kErrInvalidRequest);
    Engine::Get().Set().usPerQuarter.store(usPerQuarter, std::memory_order_release);
    if (Engine::Get().Run().Running())
        Player::Get().TempoChanged();
    return 1;
}

uint32_t MidiLibGetTempo()
{
    if (!Check(kNotRaw))
        return 0;
    return Engine::Get().Set().usPerQuarter.load(std::memory_order_acquire);
}

int32_t MidiLibSetMetronome(int32_t countInTicks, int32_t mode)
{
    if (!Check(kNotRaw))
        return 0;
    if (countInTicks < 0 || mode < 0 || mode > 2)
        return Fail(kErrInvalidRequest);
    Settings& s = Engine::Get().Set();
    if (!Engine::Get().Run().Running())
        s.countIn.store(countInTicks, std::memory_order_release);
    s.metronomeMode.store(mode, std::memory_order_release);
    return 1;
}

int32_t MidiLibSetMetronomeNote(int32_t which, int32_t channel, int32_t note, int32_t velocity)
{
    if (!Check(kNotRaw))
        return 0;
    if (which < 0 || which > 1 || channel < 0 || channel > 15 || note < 0 || note > 127 || velocity < 1 ||
        velocity > 127)
        return Fail(kErrInvalidRequest);
    uint32_t packed = channel | (note << 8) | (velocity << 16);
    Engine::Get().Set().metronomeNotes[which].store(packed, std::memory_order_release);
    return 1;
}

int32_t MidiLibGo()
{
    if (!Check(kStopped | kNotRaw))
        return 0;
    return Player::Get().Go();
}

int32_t MidiLibStop()
{
    if (!Check(kNotRaw))
        return 0;
    Engine& engine = Engine::Get();
    if (!engine.Run().Running()) {
        if (!Player::Get().HasTracks())
            return Fail(kErrCannotStop);
        engine.Notify(ML_STOPPED, 5, engine.Run().clockTicks.load(std::memory_order_acquire));
        return 1;
    }
    return Player::Get().Stop();
}

int32_t MidiLibReleaseTracks()
{
    if (!Check(kStopped | kNotRaw))
        return 0;
    return Player::Get().ReleaseTracks();
}

int32_t MidiLibGetTrackEventIndex(int32_t trackId)
{
    if (!Check(kRunning | kNotRaw))
        return -1;
    return Player::Get().EventIndex(trackId);
}

int32_t MidiLibCountHeldNotes(int32_t trackId)
{
    if (!Check(kNotRaw))
        return -1;
    return Player::Get().CountHeldNotes(trackId);
}

int32_t MidiLibSetPositionTimer(uint32_t milliseconds)
{
    if (!Check(kRunning))
        return 0;
    if (milliseconds != 0 && (milliseconds < 10 || milliseconds > 3600000))
        return Fail(kErrInvalidRequest);
    return Player::Get().SetPositionTimer(milliseconds);
}

int32_t MidiLibSendShort(int32_t status, int32_t data1, int32_t data2)
{
    if (!Check(kNotRaw))
        return 0;
    if (!ValidShort(status, data1, data2))
        return Fail(kErrInvalidRequest);
    Engine& engine = Engine::Get();
    if (!SendShortTo(engine.RolePort(kImmediatePort), status, data1, data2, -1))
        return Fail(kErrRetry);
    return 1;
}

int32_t MidiLibSendShortToPort(int32_t port, int32_t status, int32_t data1, int32_t data2)
{
    Engine& engine = Engine::Get();
    if (!engine.RequireConfigured())
        return 0;
    if (port < 0 || port >= engine.OutputCount() || !ValidShort(status, data1, data2))
        return Fail(kErrInvalidRequest);
    if (!SendShortTo(port, status, data1, data2, -3))
        return Fail(kErrRetry);
    return 1;
}

int32_t MidiLibSendSysEx(const void* data, uint32_t count)
{
    Engine& engine = Engine::Get();
    if (!engine.RequireConnected())
        return 0;
    if (engine.Window() == 0 && !engine.Set().Flag(kFlagQueueMode))
        return Fail(kErrCannotStop);
    if (!ValidSysEx(data, count))
        return Fail(kErrInvalidRequest);
    if (count > static_cast<uint32_t>(engine.Set().outSysExSize))
        return Fail(kErrSysExTooLong);
    if (!engine.SendToPort(engine.RolePort(kSysExPort), static_cast<const uint8_t*>(data), count))
        return Fail(kErrRetry);
    return 1;
}

int32_t MidiLibSendSysExToPort(uint32_t, int32_t port, const void* data, uint32_t count)
{
    Engine& engine = Engine::Get();
    if (!engine.RequireConfigured())
        return 0;
    if (port < 0 || port >= engine.OutputCount() || !ValidSysEx(data, count))
        return Fail(kErrInvalidRequest);
    if (count > static_cast<uint32_t>(engine.Set().outSysExSize))
        return Fail(kErrSysExTooLong);
    if (!engine.SendToPort(port, static_cast<const uint8_t*>(data), count))
        return Fail(kErrRetry);
    return 1;
}

int32_t MidiLibStartRecordStream(uint32_t handle, int32_t stream)
{
    if (!Check(kStopped | kNotRaw))
        return 0;
    if ((stream != 65535 && stream != 65534) || Blocks().Resolve(handle) == nullptr)
        return Fail(kErrInvalidRequest);
    return Fail(kErrNotAvailable);
}

int32_t MidiLibQueueBuffer(uint32_t handle, int32_t stream, int32_t trackId)
{
    if (!Check(0))
        return 0;
    if ((stream != 65535 && stream != 65534 && stream != 65533) || Blocks().Resolve(handle) == nullptr)
        return Fail(kErrInvalidRequest);
    if (stream == 65533)
        return Player::Get().QueueContinuation(handle, trackId);
    return Fail(kErrNotAvailable);
}

int32_t MidiLibGetRecordedCount(int32_t stream)
{
    if (!Check(0))
        return 0;
    if (stream != 65535 && stream != 65534)
        return Fail(kErrInvalidRequest);
    return 0;
}

int32_t MidiLibBeginRawCapture(uint32_t handle)
{
    Engine& engine = Engine::Get();
    if (!engine.RequireConnected())
        return 0;
    if (engine.Run().Running())
        return Fail(kErrRawMode);
    if (handle != 0 && Blocks().Resolve(handle) == nullptr)
        return Fail(kErrInvalidRequest);
    engine.Run().rawHandle = handle;
    engine.Run().rawCapture.store(true, std::memory_order_release);
    return 1;
}

int32_t MidiLibEndRawCapture()
{
    Engine& engine = Engine::Get();
    if (!engine.RequireConnected())
        return 0;
    if (!engine.Run().rawCapture.load(std::memory_order_acquire))
        return Fail(kErrCannotStop);
    engine.Run().rawCapture.store(false, std::memory_order_release);
    engine.Run().rawHandle = 0;
    return 1;
}

int32_t MidiLibInputRemap(int32_t which, int32_t read, uint8_t* table, int32_t length)
{
    if (!Check(kNotRaw))
        return 0;
    if (which != 65535 || table == nullptr || length < 16)
        return Fail(kErrInvalidRequest);
    uint8_t* remap = Engine::Get().Set().inputRemap;
    if (read) {
        memcpy(table, remap, 16);
        return 1;
    }
    for (int i = 0; i < 16; ++i)
        if (table[i] > 15)
            return Fail(kErrInvalidRequest);
    memcpy(remap, table, 16);
    return 1;
}

int32_t MidiLibSetInterceptList(const uint16_t* entries, int32_t count)
{
    if (!Check(0))
        return 0;
    if (count < 0 || count >= 256 || (count > 0 && entries == nullptr))
        return Fail(kErrInvalidRequest);
    Settings& s = Engine::Get().Set();
    if (count > 0)
        memcpy(s.interceptList, entries, sizeof(uint16_t) * count);
    s.interceptCount = count;
    return 1;
}

int32_t MidiLibGetPatchCache(int32_t port, int32_t, void* buffer, int32_t length)
{
    if (!Check(kRunning | kNotRaw))
        return 0;
    if (port < 0 || port >= Engine::Get().OutputCount() || buffer == nullptr || length <= 0)
        return Fail(kErrInvalidRequest);
    return Fail(kErrNotAvailable);
}

}  // namespace kv::engine
