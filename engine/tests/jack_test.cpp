#include <fcntl.h>
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "engine/devices/rtmidibackend.h"
#include "engine/tests/enginefixture.h"

namespace kv::engine::testing {
namespace {

bool JackdInstalled()
{
    return access("/usr/bin/jackd", X_OK) == 0;
}

// A second JACK client that sends back on "out" whatever arrives on "in".
struct EchoPeer {
    jack_client_t* client = nullptr;
    jack_port_t* in = nullptr;
    jack_port_t* out = nullptr;

    static int Process(jack_nframes_t frames, void* arg)
    {
        auto* peer = static_cast<EchoPeer*>(arg);
        void* inBuffer = jack_port_get_buffer(peer->in, frames);
        void* outBuffer = jack_port_get_buffer(peer->out, frames);
        jack_midi_clear_buffer(outBuffer);
        uint32_t count = jack_midi_get_event_count(inBuffer);
        for (uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, inBuffer, i) == 0)
                jack_midi_event_write(outBuffer, event.time, event.buffer, event.size);
        }
        return 0;
    }
    bool Open()
    {
        client = jack_client_open("KV Echo Peer", JackNoStartServer, nullptr);
        if (client == nullptr)
            return false;
        in = jack_port_register(client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        out = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client, &EchoPeer::Process, this);
        return in && out && jack_activate(client) == 0;
    }
    void Close()
    {
        if (client) {
            jack_deactivate(client);
            jack_client_close(client);
        }
        client = nullptr;
    }
};

// Starts its own JACK server on the dummy driver (no sound card needed)
// under a name of its own, and always stops it again.
class EngineJackTest : public EngineTest {
protected:
    void SetUp() override
    {
        if (!JackdInstalled())
            GTEST_SKIP() << "jackd is not installed (Debian package jackd2)";
        EngineTest::SetUp();
        m_name = "kvtest" + std::to_string(getpid());
        setenv("JACK_DEFAULT_SERVER", m_name.c_str(), 1);
        setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        m_server = fork();
        if (m_server == 0) {
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            execl("/usr/bin/jackd", "jackd", "-r", "-n", m_name.c_str(), "-d", "dummy", "-r", "48000", "-p",
                  "256", static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(m_server, 0);
        // A loaded machine can take seconds to bring a server up.
        for (int i = 0; i < 300 && !m_peer.Open(); ++i) {
            m_peer.Close();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_NE(m_peer.client, nullptr) << "jackd did not come up";
        std::vector<std::unique_ptr<Backend>> backends;
        backends.push_back(std::make_unique<RtMidiBackend>(RtMidiBackend::System::Jack, engine.Now()));
        engine.SetBackends(std::move(backends));
    }
    void TearDown() override
    {
        EngineTest::TearDown();
        m_peer.Close();
        if (m_server > 0) {
            kill(m_server, SIGTERM);
            int status;
            for (int i = 0; i < 60; ++i) {
                if (waitpid(m_server, &status, WNOHANG) == m_server) {
                    m_server = 0;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            if (m_server > 0) {
                kill(m_server, SIGKILL);
                waitpid(m_server, &status, 0);
            }
        }
        unsetenv("JACK_DEFAULT_SERVER");
    }
    bool OurPortVisible()
    {
        const char** ports = jack_get_ports(m_peer.client, "Kelvane Professional", nullptr, 0);
        bool found = ports != nullptr && ports[0] != nullptr;
        if (ports)
            jack_free(ports);
        return found;
    }
    std::string m_name;
    pid_t m_server = 0;
    EchoPeer m_peer;
};

TEST_F(EngineJackTest, MessagesGoOutThroughJackAndComeBack)
{
    const char* peerIn = "KV Echo Peer:in";
    const char* peerOut = "KV Echo Peer:out";
    int outputs = MidiLibGetDeviceCount(0);
    int inputs = MidiLibGetDeviceCount(1);
    int outIndex = -1, inIndex = -1;
    char name[32];
    for (int i = 0; i < outputs; ++i)
        if (MidiLibGetDeviceName(0, i, name, sizeof name) && std::string(name) == peerIn)
            outIndex = i;
    for (int i = 0; i < inputs; ++i)
        if (MidiLibGetDeviceName(1, i, name, sizeof name) && std::string(name) == peerOut)
            inIndex = i;
    ASSERT_GE(outIndex, 0) << "the peer's input is not listed as an output device";
    ASSERT_GE(inIndex, 0) << "the peer's output is not listed as an input device";
    ASSERT_EQ(MidiLibGetDeviceBackend(0, outIndex, name, sizeof name), 1);
    EXPECT_STREQ(name, "jack");

    ConfigureAndConnect(("D0," + KeyText(peerIn) + ";" + KeyText(peerOut)).c_str());
    EXPECT_TRUE(OurPortVisible());
    ASSERT_EQ(MidiLibSetFlag(kFlagEchoInput, 1), 1);
    ASSERT_EQ(MidiLibSendShort(0x92, 61, 99), 1);
    ASSERT_EQ(MidiLibSendShort(0xB2, 7, 100), 1);
    std::vector<MidiLibMessage> echoes;
    for (int i = 0; i < 500 && echoes.size() < 2; ++i) {
        for (const MidiLibMessage& m : TakeAll())
            if (m.message == ML_SHORT_ECHO)
                echoes.push_back(m);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(echoes.size(), 2u);
    EXPECT_EQ(echoes[0].wParam, 0);
    EXPECT_EQ(echoes[0].lParam, 0x923D63);
    EXPECT_EQ(echoes[1].lParam, 0xB20764);
}

}  // namespace
}  // namespace kv::engine::testing
