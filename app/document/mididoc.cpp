#include "app/document/mididoc.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "app/settings/settingsundohost.h"
#include "files/fileops.h"
#include "platform/messages.h"
#include "song/scan.h"
#include "song/selection.h"
#include "song/songreset.h"
#include "song/timebase.h"
#include "song/timeedit.h"
#include "song/timetext.h"
#include "song/trackstore.h"
#include "song/undostep.h"

namespace kv {

// The map builder tells the document which maps a rebuild replaced.
class CMidiDoc::MapHooks : public TimeMapBuilder {
public:
    explicit MapHooks(CMidiDoc& doc) : m_doc(doc) {}
    void MapsChanged(Song& song, unsigned changes) override
    {
        (void)song;
        // A load ends with kind 0, which rebuilds every view anyway.
        if (m_doc.m_loading)
            return;
        if (changes & kTimeSigMapChanged)
            m_doc.TimeSigChanged();
        if (changes & kKeySigMapChanged)
            m_doc.KeySigChanged();
        if (changes & kTempoMapChanged)
            m_doc.TempoChanged();
    }

private:
    CMidiDoc& m_doc;
};

class CMidiDoc::UndoHostImpl : public SettingsUndoHost {
public:
    UndoHostImpl(CMidiDoc& doc, Settings& settings) : SettingsUndoHost(settings), m_doc(doc) {}
    bool AutoSavePending() const override { return m_doc.m_autoSave.Pending(); }
    bool StartAutoSave(int64_t dueInMs) override { return m_doc.m_autoSave.Arm(dueInMs); }
    bool IsPlaying() const override { return m_doc.m_playing; }
    void RefreshPlaying(Song&, const std::vector<int32_t>& droppedFileNumbers) override
    {
        if (m_doc.refreshPlaying)
            m_doc.refreshPlaying(droppedFileNumbers);
    }

private:
    CMidiDoc& m_doc;
};

CMidiDoc::CMidiDoc(Messages& messages, Settings& settings, AutoSaveClock& clock, AutoSaveTimer& timer)
    : m_messages(messages),
      m_settings(settings),
      m_files{m_song, m_waves, {}, {}, nullptr, -1},
      m_mapHooks(std::make_unique<MapHooks>(*this)),
      m_undoHost(std::make_unique<UndoHostImpl>(*this, settings)),
      m_journal(m_undoHost.get()),
      m_autoSave(messages, clock, timer)
{
    m_song.messages = &m_messages;
    m_song.notifier = this;
    m_song.undo = &m_journal;
    m_song.timeMaps = m_mapHooks.get();
    m_song.channelSets = &m_channelSets;
    m_autoSave.save = [this] { return WriteAutoSaveFile(); };
    m_autoSave.minutes = [this] { return m_settings.autoSave; };
    m_autoSave.disable = [this] { m_settings.autoSaveOn = false; };
    ResetSong(m_song, SongResetSettings{m_settings.timeFmt, m_settings.wavePrep});
}

CMidiDoc::~CMidiDoc()
{
    m_song.notifier = nullptr;
    m_song.undo = nullptr;
    m_song.timeMaps = nullptr;
}

void CMidiDoc::AddView(DocView* view)
{
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CMidiDoc::RemoveView(DocView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

// --- files -------------------------------------------------------------------

void CMidiDoc::SyncFileSettings()
{
    FileSettings& f = m_files.settings;
    f.warnFile = m_settings.warnFile;
    f.warnSysEx = m_settings.warnSysEx;
    f.warnKV = m_settings.warnKV;
    f.useBak = m_settings.useBAK;
    f.fastPlay = m_settings.fastPlay;
    f.wavePrep = m_settings.wavePrep;
    f.timeFormat = m_settings.timeFmt;
    f.autoSaveFile = AutoSaveFile();
    f.defaultSongFile = m_defaultSongFile;
    m_files.state.changeCount = m_journal.ChangeCount();
}

std::string CMidiDoc::AutoSaveFile() const
{
    return m_settings.autoSaveFile;
}

void CMidiDoc::DeleteAutoSaveFile()
{
    const std::string file = AutoSaveFile();
    if (!file.empty()) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
    }
}

AutoSave::Result CMidiDoc::WriteAutoSaveFile()
{
    SyncFileSettings();
    if (m_files.settings.autoSaveFile.empty() || m_files.state.changeCount == m_files.state.savedChangeCount)
        return AutoSave::Result::Skipped;
    return WriteSong(m_files, false, true) == 0 ? AutoSave::Result::Saved : AutoSave::Result::Failed;
}

void CMidiDoc::MakeEmptySong()
{
    ResetSong(m_song, SongResetSettings{m_settings.timeFmt, m_settings.wavePrep});
    m_waves.Clear();
    CreateTrackZero(m_song);
    m_files.state.modified = false;
}

// The fallback chain: the file, else the default song, else an empty song.
// Runs as one step that records nothing, with the views held back until the
// song is whole.
bool CMidiDoc::LoadRequested(const std::string& path)
{
    SyncFileSettings();
    m_autoSave.Cancel();
    m_loading = true;
    BeginStep(m_song, path.empty() ? kNewSongStep : kLoadSongStep, true);
    bool ok = false;
    if (!path.empty())
        ok = LoadSong(m_files, path);
    if (!ok) {
        m_files.state.documentPath.clear();
        if (!LoadDefaultSong(m_files))
            MakeEmptySong();
    }
    EndStep(m_song);
    m_loading = false;
    m_files.state.modified = false;
    // Nothing of the new song is unsaved in the automatic save sense.
    m_files.state.changeCount = m_journal.ChangeCount();
    m_files.state.savedChangeCount = m_files.state.changeCount;
    m_autoSaveTitle = false;
    return ok;
}

bool CMidiDoc::OnNewDocument()
{
    DeleteAutoSaveFile();
    LoadRequested("");
    SongReplaced(true);
    if (onTitleChanged)
        onTitleChanged();
    return true;
}

bool CMidiDoc::OnOpenDocument(const std::string& path)
{
    const bool ok = LoadRequested(path);
    SongReplaced(true);
    // The automatic save file being recovered stays until the song is saved:
    // it is the only copy of that work outside memory.
    if (path != AutoSaveFile())
        DeleteAutoSaveFile();
    if (ok && IsBackupFile(path)) {
        // Save must never overwrite the backup.
        m_files.state.documentPath.clear();
        m_files.state.modified = true;
    } else if (ok && path != AutoSaveFile() && onAddRecent) {
        onAddRecent(path);
    }
    if (onTitleChanged)
        onTitleChanged();
    if (ok && !IsPlayableTimebase(m_song.timebase) && m_messages.AskYesNo(398, m_song.timebase) == 0 &&
        onSongTimebase)
        onSongTimebase();
    return ok;
}

bool CMidiDoc::OpenDocumentFile(const std::string& path)
{
    if (m_playing) {
        m_messages.ShowInfo(393);
        return false;
    }
    return OnOpenDocument(path);
}

bool CMidiDoc::OnSaveDocument(const std::string& path)
{
    SyncFileSettings();
    if (!kv::OnSaveDocument(m_files, path))
        return false;
    m_autoSaveTitle = false;
    if (onAddRecent && path != AutoSaveFile())
        onAddRecent(path);
    if (onTitleChanged)
        onTitleChanged();
    return true;
}

bool CMidiDoc::RecoverAutoSave()
{
    const std::string file = AutoSaveFile();
    std::error_code ec;
    if (file.empty() || !std::filesystem::is_regular_file(file, ec))
        return false;
    if (m_messages.AskYesNo(375) != 0) {
        std::filesystem::remove(file, ec);
        return false;
    }
    if (OnOpenDocument(file)) {
        m_files.state.documentPath.clear();
        m_autoSaveTitle = true;
        m_files.state.modified = true;
        if (onTitleChanged)
            onTitleChanged();
    }
    return true;
}

std::string CMidiDoc::Title() const
{
    if (m_autoSaveTitle)
        return kAutoSaveTitle;
    if (m_files.state.documentPath.empty())
        return kUntitledTitle;
    return NameOf(m_files.state.documentPath);
}

bool IsBackupFile(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".bmid" || ext == ".bak";
}

}  // namespace kv
