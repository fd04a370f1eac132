#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "transport/enginebinding.h"
#include "transport/transportcommands.h"
#include "transport/transporthost.h"

namespace kv {

class Messages;
struct Settings;
struct Song;

// The main window's transport: Play, Stop, Rewind, Fast Forward and the
// toggles, how a run is prepared and handed to the engine, the play position
// while playing, the end of a run, and mute, solo and edits reaching a song
// that plays. No window of its own: it reports through TransportHost.
//
// During a run a Track keeps the handle of the engine's copy of its data in
// reserved1 and the last event index shown in reserved2[1]; the engine names
// tracks by fileNumber, which the run's Pack makes 0..n-1 in table order.
class Transport : public EngineNotificationSink {
public:
    Transport(EngineBinding& engine, Song& song, Settings& settings, Messages& messages, TransportHost& host);

    // --- commands -------------------------------------------------------------
    // Runs a transport command; false for an id that is not the transport's
    // or a command that is disabled now.
    bool OnCommand(int32_t id);
    bool IsEnabled(int32_t id) const { return TransportEnabled(id, State()); }
    // The check mark of the toggles.
    bool IsChecked(int32_t id) const;
    TransportState State() const;

    void Play();
    void Stop();
    void PlayStop();  // Space
    void Rewind();
    void FastForward();

    bool IsPlaying() const { return m_playing; }
    int32_t LastStartPosition() const { return m_lastStart; }
    int32_t FastForwardScale() const { return m_fastForwardScale; }

    // --- while playing ----------------------------------------------------------
    // The program's idle processing. True when it wants to be called again at
    // once ("UpdateTimer" below 10 ms refreshes continuously).
    bool OnIdle();
    // Clock position, track event marks, status bar time and engine errors.
    void RefreshPosition();
    // Hint kind 14 (mute or solo changed) while playing.
    void MuteSoloChanged();
    // The end of an undo step while playing (UndoHost::RefreshPlaying): the
    // changed tracks go to the engine again, deleted ones fall silent.
    void RefreshPlaying(const std::vector<int32_t>& droppedFileNumbers);

    // --- EngineNotificationSink ---------------------------------------------
    void OnEngineNotification(const MidiLibMessage& message) override;
    void NotificationsTaken() override;

private:
    bool PrepareRun(bool record);
    void PushRunSettings();
    void SetMetronome(bool record);
    bool StartRun(int32_t startAt, int32_t position);
    void EndOfRun(int32_t position);
    void RewindFrom(int32_t position);
    void Failed();
    void SetPlaying(bool playing);
    void ShowStatusTime(const std::string& text);
    std::string PositionText(int32_t clockTicks);
    void ShowEngineError();

    EngineBinding& m_engine;
    Song& m_song;
    Settings& m_settings;
    Messages& m_messages;
    TransportHost& m_host;

    bool m_playing = false;
    bool m_rewindRequested = false;
    bool m_startedDisplay = false;
    int32_t m_fastForwardScale = 1000;
    int32_t m_lastStart = 0;
    std::string m_statusTime;
};

// The status bar time at rest.
inline constexpr const char* kZeroClockText = "0:00:00.000";
inline constexpr const char* kWaitingText = "Waiting...";
inline constexpr const char* kStoppedText = "Stopped";

}  // namespace kv
