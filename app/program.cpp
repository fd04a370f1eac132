#include "app/program.h"

#include <filesystem>

#include "app/document/startup.h"
#include "app/mainframe.h"
#include "files/filesettings.h"
#include "transport/programtransport.h"
#include "transport/transporthost.h"

#include <QMetaObject>

namespace kv {

std::string ShareFolder(const std::string& executableFolder)
{
    std::error_code ec;
    const std::filesystem::path installed =
        std::filesystem::path(executableFolder) / ".." / "share" / "kelvane";
    if (std::filesystem::is_directory(installed, ec))
        return std::filesystem::weakly_canonical(installed, ec).string();
    return KV_SHARE_DIR;
}

// What the transport shows and asks of the document and the main window.
class Program::Host : public TransportHost {
public:
    Host(CMidiDoc& doc, CMainFrame& frame) : m_doc(doc), m_frame(frame) {}
    int32_t SongPosition() const override { return m_doc.NowTime(); }
    void GoToTime(int32_t tick, bool select) override
    {
        m_doc.SetNowTime(tick);
        m_doc.GoToTime(select, tick);
    }
    void PlayPosition(int32_t value) override { m_doc.PlayState(value); }
    void StatusTime(const std::string& text) override { m_frame.ShowPlayTime(text); }
    void TempoBox(int32_t beatsPerMinute) override { m_frame.ShowTempo(beatsPerMinute); }
    void PlayingChanged(bool playing) override
    {
        m_doc.SetPlaying(playing);
        m_frame.RefreshTransportActions();
    }
    void FocusPositionField() override { m_frame.FocusNowField(); }

private:
    CMidiDoc& m_doc;
    CMainFrame& m_frame;
};

Program::Program(SettingsStore& store, Options options) : m_store(store), m_options(std::move(options))
{
    m_timer = std::make_unique<QtAutoSaveTimer>([this] { m_doc->OnAutoSaveTimer(); });
    m_doc = std::make_unique<CMidiDoc>(m_messages, m_settings, m_clock, *m_timer);
    m_frame = std::make_unique<CMainFrame>(CMainFrame::Parts{m_messages, m_store, m_settings, *m_doc,
                                                             m_options.programFolder, m_options.shareFolder});
    m_host = std::make_unique<Host>(*m_doc, *m_frame);
    m_transport = std::make_unique<ProgramTransport>(m_messages, m_settings, m_doc->song(), *m_host);
    // Engine threads only queue: the notifications are taken on this thread.
    m_transport->SetWake([this] {
        QMetaObject::invokeMethod(
            m_frame.get(), [this] { m_transport->OnWake(); }, Qt::QueuedConnection);
    });
    m_doc->refreshPlaying = [this](const std::vector<int32_t>& dropped) {
        m_transport->RefreshPlaying(dropped);
    };
    m_messages.onFatal = [this] { m_transport->Shutdown(); };
}

Program::~Program()
{
    // The frame is a view of the document and the transport's host: it goes
    // after the engine is shut down and before the document.
    m_transport->Shutdown();
    m_doc->refreshPlaying = nullptr;
    m_frame.reset();
}

bool Program::StartUp()
{
    StartupContext context{m_store,
                           m_settings,
                           *m_doc,
                           m_messages,
                           m_options.programFolder,
                           m_options.shareFolder + "/" + kDefaultSongName,
                           m_options.commandLineFile,
                           &m_transport->Setup()};
    if (!kv::StartUp(*m_frame, context)) {
        m_transport->Shutdown();
        return false;
    }
    m_frame->AttachTransport(m_transport.get());
    m_transport->ConnectAtStartUp();
    m_frame->RefreshTransportActions();
    return true;
}

}  // namespace kv
