#pragma once

// What the main window calls to bind the MIDI engine and run the transport.
// One object, owned by the program for its whole life, created before the
// settings are read. The wiring in CMainFrame (or the program object):
//
//   start-up, before ReadSettings:
//     m_transport = std::make_unique<ProgramTransport>(messages, settings, doc.song(), host);
//     m_transport->SetWake([this] {   // engine threads: only queue
//         QMetaObject::invokeMethod(this, [this] { m_transport->OnWake(); }, Qt::QueuedConnection);
//     });
//     if (!ReadSettings(store, settings, true, folder, &m_transport->Setup()))
//         { m_transport->Shutdown(); return false; }   // 202/297 shown: the program ends
//   after the main window is shown:   m_transport->ConnectAtStartUp();
//   application activated:            m_transport->OnActivate();
//   each transport menu item/button:  m_transport->OnCommand(id)   (ids: transport/transportcommands.h)
//   updating the actions:             IsEnabled(id), IsChecked(id); texts and keys from TransportCommands()
//   the idle processing: OnWake already refreshes the position once per
//   wake-up; with UpdateTimer below 10 ms the refresh is continuous: from
//   PlayingChanged(true) on, a 0 ms QTimer calls
//                                     if (!m_transport->OnIdle()) timer.stop();
//   hint kind 14 while playing:       m_transport->MuteSoloChanged();
//   the document's UndoHost:          IsPlaying() -> m_transport->IsPlaying();
//                                     RefreshPlaying(song, dropped) -> m_transport->RefreshPlaying(dropped);
//   exit, after WriteSettings:        m_transport->Shutdown();
//
// TransportHost (transport/transporthost.h) is the window's side, e.g.:
//   SongPosition()          -> doc.NowTime()
//   GoToTime(tick, select)  -> doc.SetNowTime(tick); doc.GoToTime(select, tick)   (hint 8)
//   PlayPosition(v)         -> doc.PlayState(v)                                  (hint 6)
//   TrackEventMark(t, i)    -> the track list's current event mark of track t
//   StatusTime(text)        -> status bar pane 32871, StatusMessage -> message pane
//   TempoBox(bpm)           -> the Play Controls Toolbar's tempo field
//   PlayingChanged(p)       -> doc.SetPlaying(p); refresh the actions
//   FocusPositionField()    -> focus the position field, select its text
//   StepRecording()         -> false until step recording exists

#include <functional>
#include <memory>
#include <vector>

#include "transport/enginebinding.h"
#include "transport/transport.h"

namespace kv {

class ProgramTransport {
public:
    ProgramTransport(Messages& messages, Settings& settings, Song& song, TransportHost& host)
        : m_engine(messages, settings), m_transport(m_engine, song, settings, messages, host)
    {
        m_engine.SetSink(&m_transport);
    }
    ~ProgramTransport() { Shutdown(); }
    ProgramTransport(const ProgramTransport&) = delete;
    ProgramTransport& operator=(const ProgramTransport&) = delete;

    // Called on engine threads; must only queue a call of OnWake on the main
    // thread. Set before ReadSettings.
    void SetWake(std::function<void()> wake) { m_engine.SetWake(std::move(wake)); }
    // Handed to ReadSettings and WriteSettings.
    EngineSetup& Setup() { return m_engine; }

    void ConnectAtStartUp() { m_engine.Connect(kConnectRenew); }
    void OnActivate() { m_engine.Connect(kConnectEnsure); }
    void OnWake() { m_engine.OnWake(); }
    bool OnIdle() { return m_transport.OnIdle(); }
    void Shutdown() { m_engine.Shutdown(); }

    bool OnCommand(int32_t id) { return m_transport.OnCommand(id); }
    // Record stays disabled until recording runs exist.
    bool IsEnabled(int32_t id) const { return id != kCmdRecord && m_transport.IsEnabled(id); }
    bool IsChecked(int32_t id) const { return m_transport.IsChecked(id); }
    bool IsPlaying() const { return m_transport.IsPlaying(); }
    bool EngineBusy() const { return m_engine.EngineBusy(); }

    void MuteSoloChanged() { m_transport.MuteSoloChanged(); }
    void RefreshPlaying(const std::vector<int32_t>& droppedFileNumbers)
    {
        m_transport.RefreshPlaying(droppedFileNumbers);
    }
    // The output device choice until the MIDI Configure sheet exists.
    bool ChooseOutput(const std::string& deviceName) { return m_engine.ChooseOutput(deviceName); }

    EngineBinding& Engine() { return m_engine; }
    Transport& Core() { return m_transport; }

private:
    EngineBinding m_engine;
    Transport m_transport;
};

}  // namespace kv
