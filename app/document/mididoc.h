#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/document/autosave.h"
#include "app/settings/settings.h"
#include "files/songfiles.h"
#include "files/wavetable.h"
#include "song/mapbuild.h"
#include "song/notify.h"
#include "song/song.h"
#include "song/undojournal.h"

namespace kv {

class Messages;

// A window that shows the song. It updates itself from the hints only.
class DocView {
public:
    virtual ~DocView() = default;
    virtual void OnUpdate(const CNotify& hint) = 0;
};

inline constexpr const char* kUntitledTitle = "Untitled";
inline constexpr const char* kAutoSaveTitle = "Auto Save";
inline constexpr const char* kLoadSongStep = "Load Song";
inline constexpr const char* kNewSongStep = "New Song";

// The song document: File New, Open and Save, the modified mark and the
// path, the automatic save, the time fields of the main toolbar and every
// change notification to the views. It owns the song and everything that
// hangs on it (undo journal, map builder, wave table); the windows are the
// shell's and reach the song through it.
class CMidiDoc : public SongNotifier {
public:
    CMidiDoc(Messages& messages, Settings& settings, AutoSaveClock& clock, AutoSaveTimer& timer);
    ~CMidiDoc() override;
    CMidiDoc(const CMidiDoc&) = delete;
    CMidiDoc& operator=(const CMidiDoc&) = delete;

    Song& song() { return m_song; }
    UndoJournal& journal() { return m_journal; }
    SongFiles& files() { return m_files; }
    AutoSave& autoSave() { return m_autoSave; }
    Settings& settings() { return m_settings; }
    // The patch names database fills it; track conversion reads it.
    ChannelSetTable& channelSets() { return m_channelSets; }

    // --- views ---------------------------------------------------------------
    void AddView(DocView* view);
    void RemoveView(DocView* view);

    // --- files -----------------------------------------------------------------
    // The program's default song; set once at start-up.
    void SetDefaultSongFile(const std::string& path) { m_defaultSongFile = path; }
    const std::string& DefaultSongFile() const { return m_defaultSongFile; }
    // File New: the default song, else an empty song with a conductor track.
    bool OnNewDocument();
    // Opens path as the song, falling back to the default song and then to an
    // empty song. True only when path itself was loaded.
    bool OnOpenDocument(const std::string& path);
    // Opening through the template (recent list, drop, command line): refused
    // with message 393 while the song plays.
    bool OpenDocumentFile(const std::string& path);
    // Saves to path and makes it the document's path. False on failure or
    // when the user cancelled a warning; the document stays modified.
    bool OnSaveDocument(const std::string& path);
    // Start-up: offers the automatic save file (message 375). True when it
    // was loaded as the song.
    bool RecoverAutoSave();
    // The automatic save file as the settings name it now.
    std::string AutoSaveFile() const;

    const std::string& PathName() const { return m_files.state.documentPath; }
    // The window title: the file's name, "Untitled" or "Auto Save".
    std::string Title() const;
    bool IsModified() const { return m_files.state.modified; }
    void SetModifiedFlag(bool modified = true) { m_files.state.modified = modified; }
    // A file was opened or saved under path (never the automatic save file):
    // the shell's recent-file list.
    std::function<void(const std::string&)> onAddRecent;
    // The title may have changed (new path, "Untitled", "Auto Save").
    std::function<void()> onTitleChanged;
    // Posted when the user agrees to change an unplayable timebase (398).
    std::function<void()> onSongTimebase;

    // --- automatic save --------------------------------------------------------
    // The one-minute timer fired.
    void OnAutoSaveTimer() { m_autoSave.OnTimer(); }

    // --- engine state, told by the transport ---------------------------------
    void SetPlaying(bool playing) { m_playing = playing; }
    // Set by the program once the transport exists: EndStep hands the tracks
    // a step changed to the engine while the song plays.
    std::function<void(const std::vector<int32_t>& droppedFileNumbers)> refreshPlaying;
    bool IsPlaying() const { return m_playing; }

    // --- notification -------------------------------------------------------
    // Builds a hint and sends it to every view, unless notifications are off
    // or a load is in progress.
    void Notify(int kind, int track = -1, int32_t a = 0, int32_t b = 0);
    int notificationsOff = 0;
    int selectionNotificationsOff = 0;
    int selectionMoving = 0;
    int soloMode = 0;

    void SongReplaced(bool isNew);                                  // 0
    void CurrentTrackChanged(int index, bool all);                  // 1
    void TrackUpdated(int track);                                   // 2
    void EventsChanged(int track, bool orderUnchanged, int first);  // 3
    void EventDeleted(int track, int index);                        // 4
    void EventInserted(int track, int index, bool select);          // 5
    void PlayState(int32_t value);                                  // 6
    void ShowEvent(int track, int index);                           // 7
    void GoToTime(bool select, int32_t time);                       // 8
    void SelectionChanged(int track, int index);                    // 9
    void TimeSigChanged();                                          // 10
    void TrackListSelection(int index);                             // 11
    void FromToChanged();                                           // 12
    // 13: the engine's running count of events sent for the track, turned into
    // an Events index; -1 for a track outside the table.
    int32_t EventPlayed(int track, int32_t counter);
    void MuteSoloChanged();           // 14
    void KeySigChanged();             // 15
    void NoteLengthChanged();         // 16
    void StepPosition(int32_t v);     // 17
    void PitchesChanging(int track);  // 18
    void TempoChanged();              // 19

    // --- main toolbar time fields -------------------------------------------
    enum class TimeField { Now, From, To };
    // A typed or stepped value was committed. While playing it only
    // refreshes the fields (kind 12).
    void CommitTimeField(TimeField field, int32_t tick);
    // A spin request on a field: the part of the time under the caret moves
    // by step. The text and caret come back rewritten; false while playing
    // (the field's spin state is reset and nothing moves).
    struct FieldStep {
        bool ok = false;
        std::string text;
        size_t caret = 0;
        int32_t tick = 0;
    };
    FieldStep StepTimeFieldText(const std::string& text, size_t caret, int32_t step);
    // A typed text read as a time (nullopt-like: ok false when empty).
    bool ParseTimeFieldText(const std::string& text, int32_t& tick) const;
    std::string FormatTimeField(int32_t tick) const;
    void SetTimeFieldEditing(bool editing) { m_timeFieldEditing = editing; }
    bool TimeFieldEditing() const { return m_timeFieldEditing; }
    int32_t NowTime() const { return m_now; }
    void SetNowTime(int32_t tick) { m_now = tick; }

    // --- track selection -----------------------------------------------------
    int SelectedTrackCount(bool includeNext) const;
    // The next selected track after index after (-1 for the first); -1 when none.
    int NextSelectedTrack(int after) const;
    // The Select Track list's entry: "%d: %s" or "%d: <<Empty>>".
    std::string SelectTrackEntry(int track) const;
    int SelectTrackEntryCount() const { return m_song.trackCount + 1; }
    // Choosing an entry of the Select Track list.
    void ChooseTrack(int track);

    // SongNotifier: the song core's hints and modified marks.
    void Notify(const CNotify& hint) override;
    void SetModified() override;

private:
    class MapHooks;
    class UndoHostImpl;

    void SyncFileSettings();
    void MakeEmptySong();
    bool LoadRequested(const std::string& path);
    void DeleteAutoSaveFile();
    AutoSave::Result WriteAutoSaveFile();

    Messages& m_messages;
    Settings& m_settings;
    Song m_song;
    ChannelSetTable m_channelSets;
    WaveTable m_waves;
    SongFiles m_files;
    std::unique_ptr<MapHooks> m_mapHooks;
    std::unique_ptr<UndoHostImpl> m_undoHost;
    UndoJournal m_journal;
    AutoSave m_autoSave;
    std::vector<DocView*> m_views;
    std::string m_defaultSongFile;
    bool m_loading = false;
    bool m_playing = false;
    bool m_autoSaveTitle = false;
    bool m_timeFieldEditing = false;
    int32_t m_now = 0;
};

// True for the backup extensions ".bmid" and ".bak", in any case.
bool IsBackupFile(const std::string& path);

}  // namespace kv
