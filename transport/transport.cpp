#include "transport/transport.h"

#include <algorithm>

#include "app/settings/settings.h"
#include "platform/messages.h"
#include "song/pack.h"
#include "song/song.h"
#include "song/timebase.h"
#include "song/timeconvert.h"
#include "song/timetext.h"
#include "transport/resets.h"

namespace kv {

namespace {

// The synchronisation option of each "SyncMode".
int32_t SyncOption(int32_t syncMode)
{
    static const int32_t kOptions[] = {kOptSyncInternal, kOptSyncMidiClock, kOptSyncSmpte, kOptSyncSoftware};
    return kOptions[syncMode >= 0 && syncMode <= 3 ? syncMode : 0];
}

constexpr uint8_t kEmptyTrack[] = {0x00, 0xFF, 0x2F, 0x00};
constexpr int32_t kMutedFilter = 0xFF;

int32_t ControllerRange(int low, int high)
{
    return low | high << 8;
}

}  // namespace

Transport::Transport(EngineBinding& engine, Song& song, Settings& settings, Messages& messages,
                     TransportHost& host)
    : m_engine(engine), m_song(song), m_settings(settings), m_messages(messages), m_host(host)
{
}

// --- commands --------------------------------------------------------------------

TransportState Transport::State() const
{
    return {m_playing, m_engine.EngineBusy(), m_settings.realTime};
}

bool Transport::IsChecked(int32_t id) const
{
    switch (id) {
        case kCmdAutoReset:
            return m_settings.aReset;
        case kCmdAutoRewind:
            return m_settings.aRewind;
        case kCmdQuickPlay:
            return m_settings.fastPlay;
        case kCmdPatchCache:
            return m_settings.patchCache;
        default:
            return false;
    }
}

bool Transport::OnCommand(int32_t id)
{
    if (!IsEnabled(id))
        return false;
    switch (id) {
        case kCmdPlay:
            Play();
            break;
        case kCmdStop:
            Stop();
            break;
        case kCmdPlayStop:
            PlayStop();
            break;
        case kCmdRewind:
            Rewind();
            break;
        case kCmdFastForward:
            FastForward();
            break;
        case kCmdGoTo:
            m_host.FocusPositionField();
            break;
        case kCmdJumpFrom:
            m_host.GoToTime(m_song.from, true);
            break;
        case kCmdJumpTo:
            m_host.GoToTime(m_song.to, true);
            break;
        case kCmdAutoReset:
            m_settings.aReset = !m_settings.aReset;
            break;
        case kCmdAutoRewind:
            m_settings.aRewind = !m_settings.aRewind;
            break;
        case kCmdQuickPlay:
            m_settings.fastPlay = !m_settings.fastPlay;
            break;
        case kCmdPatchCache:
            m_settings.patchCache = !m_settings.patchCache;
            break;
        default:
            // Record: the recording run comes with the record buffers.
            return false;
    }
    return true;
}

void Transport::PlayStop()
{
    if (m_playing)
        Stop();
    else
        Play();
}

// --- play --------------------------------------------------------------------------

void Transport::Play()
{
    if (m_playing || m_engine.EngineBusy())
        return;
    if (!PrepareRun(false)) {
        Failed();
        return;
    }
    const int32_t position = m_settings.syncMode == 2 ? 0 : std::max(m_host.SongPosition(), 0);
    if (!StartRun(0, position)) {
        Failed();
        return;
    }
    if (m_settings.realTime)
        ShowStatusTime(kWaitingText);
}

void Transport::Failed()
{
    if (const MidiLibrary* lib = m_engine.Lib(); lib && m_engine.Connected())
        lib->ReleaseTracks();
    m_engine.SetEngineBusy(false);
    SetPlaying(false);
    m_host.PlayPosition(-1);
}

bool Transport::PrepareRun(bool record)
{
    for (int i = 0; i < m_song.trackCount; ++i) {
        m_messages.SetProgress(i, m_song.trackCount);
        Pack(m_song, i, true);
    }
    m_messages.SetProgress(0, 0);
    if (record && m_song.trackCount >= kMaxTracks) {
        m_messages.ShowInfo(325);
        return false;
    }
    if (m_host.StepRecording()) {
        m_messages.ShowInfo(326);
        return false;
    }
    if (m_engine.EngineBusy()) {
        m_messages.ShowInfo(327);
        return false;
    }
    if (!m_engine.Connect(kConnectReport))
        return false;
    const MidiLibrary& lib = *m_engine.Lib();
    // The engine would take any timebase, but its timer period and the
    // clock messages assume a playable one.
    if (!IsPlayableTimebase(m_song.timebase) || !lib.SetTimebase(m_song.timebase)) {
        m_messages.ShowInfo(328, m_song.timebase);
        return false;
    }
    PushRunSettings();
    m_engine.SetEngineBusy(true);
    SetPlaying(true);
    m_startedDisplay = false;
    int32_t position = m_host.SongPosition();
    if (position < 0) {
        position = 0;
        m_host.GoToTime(0, false);
    }
    m_lastStart = position;
    m_fastForwardScale = 1000;
    m_rewindRequested = false;
    lib.SetTempo(500000);
    SetMetronome(record);
    ShowStatusTime(m_settings.syncMode == 0 ? kZeroClockText : kWaitingText);
    if (m_settings.syncMode == 2)
        m_messages.SetPrompt(370);
    return true;
}

void Transport::PushRunSettings()
{
    const MidiLibrary& lib = *m_engine.Lib();
    const Settings& s = m_settings;
    lib.SetOption(kOptClockPort, s.rtPort);
    lib.SetFlag(kFlagThru, s.thru);
    lib.SetFlag(kFlagRealTime, s.realTime);
    lib.SetOption(SyncOption(s.syncMode), 0);
    // Only program changes and controller 0 pass the played-event and
    // recorded-event notification filters.
    lib.SetOption(kOptFilterLow, 231);
    lib.SetOption(kOptControllerRange, ControllerRange(0, 0));
    lib.SetOption(kOptPlayedFilter, 0);
    lib.SetOption(kOptRecordedFilter, 0);
    lib.SetOption(kOptControllerRange, ControllerRange(0, 127));
    for (int32_t flag : {kFlagPlayedNotify, kFlagRecordedNotify, kFlagChaseNotify, kFlagClockNotify})
        lib.SetFlag(flag, 0);
    lib.SetFlag(kFlagSendSongPosition, s.sendSPP);
    lib.SetFlag(kFlagMetaNotify, 1);
    if (s.realTime)
        lib.SetFlag(kFlagFollowSongPosition, s.useSPP);
    lib.SetFlag(kFlagChase, s.chase);
    lib.SetFlag(kFlagChaseSysEx, s.chSysex);
    lib.SetFlag(kFlagFreewheel, s.freeWhl);
    lib.SetFlag(kFlagPatchCaching, s.patchCache);
}

void Transport::SetMetronome(bool record)
{
    const MidiLibrary& lib = *m_engine.Lib();
    const Settings& s = m_settings;
    const int32_t timebase = m_song.timebase;
    int32_t measure = 4 * timebase;
    if (!m_song.timeSigMap.entries.empty())
        measure =
            MeasureTicks(m_song.timeSigMap.entries[size_t(FindTimeSig(m_song.timeSigMap, 0))], timebase);
    const int32_t measures = s.cntRec && !record ? 0 : std::max(s.countIn, 0);
    const int32_t countIn = s.sendClk && measures == 0 ? timebase : measures * measure + timebase / 24;
    const int32_t mode = !s.recOnly || record ? s.metro : 0;
    lib.SetMetronome(countIn, mode);
    lib.SetMetronomeNote(0, s.metCh1, s.metNt1, s.metVc1);
    lib.SetMetronomeNote(1, s.metCh2, s.metNt2, s.metVc2);
    lib.SetOption(kOptMetronomePort, s.metPort);
    lib.SetOption(kOptTimerResolution, s.timer);
    // A metronome port or velocity the engine refuses leaves the run as it
    // is; its error must not reach the status bar as the run's.
    lib.GetError(nullptr, 0);
}

bool Transport::StartRun(int32_t startAt, int32_t position)
{
    const MidiLibrary& lib = *m_engine.Lib();
    m_host.PlayPosition(-2);
    if (!lib.AllocTracks(kMaxTracks)) {
        ShowEngineError();
        return false;
    }
    lib.TrackCommand(7, 0, position);
    for (int i = 0; i < m_song.trackCount; ++i) {
        Track& t = m_song.tracks[i];
        if (!t.HasStream())
            continue;
        m_messages.SetProgress(i, m_song.trackCount);
        lib.SetOption(kOptFilterLow, t.muteFlags != 0 ? kMutedFilter : 0);
        t.reserved2[1] = -2;
        m_host.TrackEventMark(i, -2);
        const uint32_t handle = lib.AddTrack(t.stream.data(), uint32_t(t.streamSize), t.fileNumber);
        t.reserved1 = int32_t(handle);
        if (handle == 0) {
            m_messages.SetProgress(0, 0);
            m_messages.ShowInfo(332, i, m_engine.GetError());
            return false;
        }
    }
    m_messages.SetProgress(0, 0);
    lib.SetOption(kOptFilterLow, 0);
    if (startAt != 0 && !lib.TrackCommand(48, 0, startAt)) {
        ShowEngineError();
        return false;
    }
    m_host.PlayPosition(position);
    m_startedDisplay = !m_settings.realTime;
    {
        WaitCursor wait(m_messages);
        if (!lib.Go()) {
            ShowEngineError();
            return false;
        }
    }
    if (m_settings.updateTimer >= 10)
        lib.SetPositionTimer(uint32_t(m_settings.updateTimer));
    return true;
}

void Transport::ShowEngineError()
{
    std::string text;
    m_engine.GetError(&text);
    m_messages.ShowInfoText("%s", text);
}

// --- stop, rewind, fast forward ----------------------------------------------------

void Transport::Stop()
{
    const MidiLibrary* lib = m_engine.Lib();
    if (lib == nullptr || !m_engine.Connected())
        return;
    if (!lib->Stop()) {
        const int32_t code = m_engine.GetError();
        if (code != kErrCannotStop)
            m_messages.ShowInfo(322, code);
    }
}

void Transport::Rewind()
{
    if (m_playing) {
        m_rewindRequested = true;
        Stop();
        return;
    }
    RewindFrom(m_host.SongPosition());
}

void Transport::RewindFrom(int32_t position)
{
    m_host.GoToTime(m_lastStart < position ? m_lastStart : 0, false);
}

void Transport::FastForward()
{
    if (m_playing) {
        m_fastForwardScale = m_fastForwardScale >= 4000 ? 1000 : m_fastForwardScale * 2;
        if (const MidiLibrary* lib = m_engine.Lib())
            lib->SetOption(kOptTempoScale, m_fastForwardScale);
        return;
    }
    const int32_t position = m_host.SongPosition();
    m_host.GoToTime(position < m_lastStart ? m_lastStart : SongLength(m_song), false);
}

// --- the end of a run ----------------------------------------------------------------

void Transport::EndOfRun(int32_t position)
{
    // A stop report with no run of ours (a stop while already stopped, a
    // report left from a run another window ended) has nothing to end, and
    // must not move the song position.
    if (!m_playing)
        return;
    if (const MidiLibrary* lib = m_engine.Lib())
        lib->ReleaseTracks();
    m_engine.Connect(kConnectRenew);
    m_engine.SetEngineBusy(false);
    SetPlaying(false);
    m_host.PlayPosition(-1);
    for (int i = 0; i < m_song.trackCount; ++i) {
        m_song.tracks[i].reserved2[1] = -1;
        m_host.TrackEventMark(i, -1);
    }
    if (m_settings.aReset)
        SendResets(m_engine, m_settings, m_messages, true);
    if (m_settings.syncMode != 3) {
        // The run went from the last start to position; the song position
        // shown before the run is no guide to where it ended.
        if (m_rewindRequested || m_settings.aRewind)
            RewindFrom(position);
        else
            m_host.GoToTime(position, false);
    }
    m_rewindRequested = false;
    if (!m_startedDisplay || m_settings.syncMode == 2)
        ShowStatusTime(kZeroClockText);
}

void Transport::SetPlaying(bool playing)
{
    if (m_playing == playing)
        return;
    m_playing = playing;
    m_host.PlayingChanged(playing);
}

// --- notifications -------------------------------------------------------------------

void Transport::OnEngineNotification(const MidiLibMessage& m)
{
    switch (m.message) {
        case ML_STOPPED:
            EndOfRun(m.lParam);
            break;
        case ML_CLOCK:
            if (m_playing)
                m_host.PlayPosition(m.lParam);
            break;
        case ML_TEMPO:
            m_host.TempoBox(m.lParam);
            break;
        default:
            // ML_POSITION_TICK and everything else only wake the display,
            // which NotificationsTaken refreshes once per wake-up.
            break;
    }
}

void Transport::NotificationsTaken()
{
    if (m_playing)
        RefreshPosition();
}

bool Transport::OnIdle()
{
    if (!m_playing)
        return false;
    RefreshPosition();
    return m_settings.updateTimer < 10;
}

void Transport::RefreshPosition()
{
    const MidiLibrary* lib = m_engine.Lib();
    if (!m_playing || lib == nullptr || !m_engine.Connected())
        return;
    const int32_t clock = lib->GetValue(kValClockTicks);
    m_host.PlayPosition(clock);
    for (int i = 0; i < m_song.trackCount; ++i) {
        Track& t = m_song.tracks[i];
        if (!t.HasStream() || t.reserved1 == 0)
            continue;
        const int32_t index = lib->GetTrackEventIndex(t.fileNumber);
        if (index >= 0 && index != t.reserved2[1]) {
            t.reserved2[1] = index;
            m_host.TrackEventMark(i, index);
        }
    }
    if (m_settings.realTime && !m_startedDisplay && lib->GetValue(kValClockMs) > 0)
        m_startedDisplay = true;
    ShowStatusTime(m_startedDisplay || !m_settings.realTime ? PositionText(clock) : kWaitingText);
    std::string text;
    const int32_t code = m_engine.GetError(&text);
    if (code != kErrNone && code != kErrCannotStop && code != kErrWaitingSmpte && code != kErrFilesMissing)
        m_host.StatusMessage(text);
}

std::string Transport::PositionText(int32_t clock)
{
    const MidiLibrary& lib = *m_engine.Lib();
    switch (m_settings.syncMode) {
        case 2: {
            const int32_t smpte = lib.GetValue(kValSmpteTime);
            if (smpte != -1)
                return FormatSmpte(uint32_t(smpte));
            return m_engine.GetError() == kErrLostSmpte ? kStoppedText : kWaitingText;
        }
        case 3:
            // Started by the external software: its protocol comes with the
            // external synchronisation.
            return kWaitingText;
        default:
            return FormatClock(TickToMs(m_song.tempoMap, m_song.timebase, std::max(clock, 0)));
    }
}

void Transport::ShowStatusTime(const std::string& text)
{
    if (text == m_statusTime)
        return;
    m_statusTime = text;
    m_host.StatusTime(text);
}

// --- changes while playing -----------------------------------------------------------

void Transport::MuteSoloChanged()
{
    const MidiLibrary* lib = m_engine.Lib();
    if (!m_playing || lib == nullptr)
        return;
    for (int i = 0; i < m_song.trackCount; ++i) {
        const Track& t = m_song.tracks[i];
        if (t.HasStream() && t.fileNumber >= 0)
            lib->TrackCommand(14, t.fileNumber, t.muteFlags != 0 ? kMutedFilter : 0);
    }
}

void Transport::RefreshPlaying(const std::vector<int32_t>& droppedFileNumbers)
{
    const MidiLibrary* lib = m_engine.Lib();
    if (!m_playing || lib == nullptr)
        return;
    for (int32_t fileNumber : droppedFileNumbers) {
        lib->TrackCommand(14, fileNumber, kMutedFilter);
        lib->ReplaceTrack(kEmptyTrack, sizeof kEmptyTrack, fileNumber);
    }
    for (int i = 0; i < m_song.trackCount; ++i) {
        Track& t = m_song.tracks[i];
        if (!t.changed && t.fileNumber >= 0)
            continue;
        if (Pack(m_song, i, false) != 0 || !t.HasStream())
            continue;
        if (const uint32_t handle = lib->ReplaceTrack(t.stream.data(), uint32_t(t.streamSize), t.fileNumber))
            t.reserved1 = int32_t(handle);
    }
}

}  // namespace kv
