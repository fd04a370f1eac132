// kvtool play: plays a song file through the MIDI engine to a named device.
// kvtool timing: plays a dense generated song into the engine's capture port
// and reports how far each message was from its ideal time.
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "song/pack.h"
#include "song/streamwriter.h"
#include "tools/kvtool/cmd_engine.h"
#include "tools/kvtool/cmd_song.h"
#include "tools/kvtool/command.h"

namespace kv::tool {

namespace {

// The exports a run needs, bound by ordinal as the program binds them.
struct PlayCalls {
    MidiLibInitFn init;
    MidiLibConnectFn connect;
    MidiLibGetErrorFn getError;
    MidiLibSetOptionFn setOption;
    MidiLibSetFlagFn setFlag;
    MidiLibSetTimebaseFn setTimebase;
    MidiLibAllocTracksFn allocTracks;
    MidiLibAddTrackFn addTrack;
    MidiLibTrackCommandFn trackCommand;
    MidiLibGoFn go;
    MidiLibStopFn stop;
    MidiLibGetMessageFn getMessage;
    MidiLibGetValueFn getValue;
    MidiLibReleaseTracksFn releaseTracks;
    MidiLibGetDeviceCountFn deviceCount;
    MidiLibGetDeviceNameFn deviceName;
    MidiLibCaptureCountFn captureCount;
    MidiLibCaptureReadFn captureRead;
    MidiLibCaptureClearFn captureClear;

    explicit PlayCalls(const EngineLibrary& e)
        : init(e.Bind<MidiLibInitFn>(kOrdInit)),
          connect(e.Bind<MidiLibConnectFn>(kOrdConnect)),
          getError(e.Bind<MidiLibGetErrorFn>(kOrdGetError)),
          setOption(e.Bind<MidiLibSetOptionFn>(kOrdSetOption)),
          setFlag(e.Bind<MidiLibSetFlagFn>(kOrdSetFlag)),
          setTimebase(e.Bind<MidiLibSetTimebaseFn>(kOrdSetTimebase)),
          allocTracks(e.Bind<MidiLibAllocTracksFn>(kOrdAllocTracks)),
          addTrack(e.Bind<MidiLibAddTrackFn>(kOrdAddTrack)),
          trackCommand(e.Bind<MidiLibTrackCommandFn>(kOrdTrackCommand)),
          go(e.Bind<MidiLibGoFn>(kOrdGo)),
          stop(e.Bind<MidiLibStopFn>(kOrdStop)),
          getMessage(e.Bind<MidiLibGetMessageFn>(kOrdGetMessage)),
          getValue(e.Bind<MidiLibGetValueFn>(kOrdGetValue)),
          releaseTracks(e.Bind<MidiLibReleaseTracksFn>(kOrdReleaseTracks)),
          deviceCount(e.Bind<MidiLibGetDeviceCountFn>(kOrdGetDeviceCount)),
          deviceName(e.Bind<MidiLibGetDeviceNameFn>(kOrdGetDeviceName)),
          captureCount(e.Bind<MidiLibCaptureCountFn>(kOrdCaptureCount)),
          captureRead(e.Bind<MidiLibCaptureReadFn>(kOrdCaptureRead)),
          captureClear(e.Bind<MidiLibCaptureClearFn>(kOrdCaptureClear))
    {
    }
    bool Complete() const
    {
        return init && connect && getError && setOption && setFlag && setTimebase && allocTracks &&
               addTrack && trackCommand && go && stop && getMessage && getValue && releaseTracks &&
               deviceCount && deviceName && captureCount && captureRead && captureClear;
    }
    void Report(const char* what) const
    {
        char text[128] = "";
        int32_t code = getError(text, sizeof text);
        std::fprintf(stderr, "kvtool: %s failed: error %d: %s\n", what, code, text);
    }
};

int32_t KeyOf(const char* name)
{
    int32_t sum = 0;
    for (int i = 0; i < 31 && name[i] != '\0'; ++i)
        sum += static_cast<signed char>(name[i]);
    return sum;
}

// Configures the named output as port 0 and connects without a window.
bool OpenPort(const PlayCalls& calls, const std::string& port)
{
    bool found = false;
    for (int32_t i = 0; i < calls.deviceCount(0) && !found; ++i) {
        char name[32] = "";
        calls.deviceName(0, i, name, sizeof name);
        found = port == name;
    }
    if (!found) {
        std::fprintf(stderr, "kvtool: no MIDI output named '%s' (see kvtool devices)\n", port.c_str());
        return false;
    }
    std::string config = "D0," + std::to_string(static_cast<uint32_t>(KeyOf(port.c_str())));
    if (!calls.init(config.c_str())) {
        calls.Report("configuring the engine");
        return false;
    }
    if (!calls.connect(0)) {
        calls.Report("connecting to the engine");
        return false;
    }
    return true;
}

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int)
{
    g_interrupted.store(true);
}

// Takes notifications until the run stops; asks for the stop at the tick
// `to` (when positive), on Ctrl+C, or after timeoutMs.
bool WaitForStop(const PlayCalls& calls, int64_t to, int64_t timeoutMs)
{
    bool stopRequested = false;
    for (int64_t waited = 0; waited < timeoutMs; waited += 5) {
        MidiLibMessage m;
        while (calls.getMessage(&m))
            if (m.message == ML_STOPPED)
                return true;
        bool past = to > 0 && calls.getValue(kValSongTicks) >= to;
        if (!stopRequested && (past || g_interrupted.load())) {
            calls.stop();
            stopRequested = true;
        }
        usleep(5000);
    }
    return false;
}

// --- the dense song of kvtool timing

constexpr int32_t kTimebase = 480;

struct Timed {
    int64_t tick;
    int track;
    int order;
    uint32_t message;  // status | data1 << 8 | data2 << 16; 0 for a tempo
    uint32_t tempo;
};

class DenseSong {
public:
    explicit DenseSong(int seconds)
    {
        const uint32_t tempos[] = {500000, 400000, 600000, 454545, 545454, 375000};
        AddShort(0, 0, 0xB0, 121, 0);  // the reference: first message, tick 0
        double us = 0;
        int64_t tick = 0;
        for (int bar = 0; us < seconds * 1e6; ++bar, tick += 4 * kTimebase) {
            uint32_t tempo = tempos[bar % 6];
            m_events.push_back({tick, 0, m_order++, 0, tempo});
            us += 4.0 * tempo;
            for (int track = 1; track < 15; ++track)
                Bar(track, tick);
            Chords(15, tick);
        }
        m_endTick = tick;
        std::stable_sort(m_events.begin(), m_events.end(), [](const Timed& a, const Timed& b) {
            return a.tick != b.tick     ? a.tick < b.tick
                   : a.track != b.track ? a.track < b.track
                                        : a.order < b.order;
        });
    }
    std::vector<uint8_t> Track(int track) const
    {
        std::vector<uint8_t> out;
        StreamWriter w(out);
        for (const Timed& e : m_events) {
            if (e.track != track)
                continue;
            w.Time(static_cast<int32_t>(e.tick));
            if (e.message == 0) {
                w.MetaHeader(0x51, 3);
                w.Byte(uint8_t(e.tempo >> 16));
                w.Byte(uint8_t(e.tempo >> 8));
                w.Byte(uint8_t(e.tempo));
            } else {
                w.Channel(e.message & 0xFF, (e.message >> 8) & 0xFF, (e.message >> 16) & 0xFF);
            }
        }
        w.Time(static_cast<int32_t>(m_endTick));
        w.MetaHeader(0x2F, 0);
        w.Finish();
        return out;
    }
    // The messages in the order the engine sends them (tick, then track,
    // then position in the track), each with its ideal time from the start
    // computed from the tempo map in double precision.
    std::vector<std::pair<double, uint32_t>> Expected() const
    {
        std::vector<std::pair<double, uint32_t>> out;
        double anchorUs = 0;
        int64_t anchorTick = 0;
        uint32_t tempo = 500000;
        for (const Timed& e : m_events) {
            double us = anchorUs + double(e.tick - anchorTick) * tempo / kTimebase;
            if (e.message == 0) {
                anchorUs = us;
                anchorTick = e.tick;
                tempo = e.tempo;
            } else {
                out.push_back({us, e.message});
            }
        }
        return out;
    }

private:
    void AddShort(int64_t tick, int track, uint8_t status, uint8_t d1, uint8_t d2)
    {
        m_events.push_back({tick, track, m_order++, uint32_t(status) | d1 << 8 | d2 << 16, 0});
    }
    // A four-note chord and a controller every thirty-second note.
    void Bar(int track, int64_t bar)
    {
        uint8_t channel = static_cast<uint8_t>(track - 1);
        for (int i = 0; i < 32; ++i) {
            int64_t t = bar + i * (kTimebase / 8);
            uint8_t root = static_cast<uint8_t>(36 + (track * 3 + i) % 48);
            for (int k : {0, 4, 7, 12}) {
                AddShort(t, track, 0x90 | channel, root + k, 100);
                AddShort(t + kTimebase / 16, track, 0x90 | channel, root + k, 0);
            }
            AddShort(t + kTimebase / 32, track, 0xB0 | channel, 1, static_cast<uint8_t>(i * 4));
        }
    }
    // Sixteen-note chords every eighth note.
    void Chords(int track, int64_t bar)
    {
        for (int i = 0; i < 8; ++i) {
            int64_t t = bar + i * (kTimebase / 2);
            for (int k = 0; k < 16; ++k) {
                AddShort(t, track, 0x9F, static_cast<uint8_t>(40 + k * 3), 90);
                AddShort(t + kTimebase / 4, track, 0x8F, static_cast<uint8_t>(40 + k * 3), 0);
            }
        }
    }

    std::vector<Timed> m_events;
    int m_order = 0;
    int64_t m_endTick = 0;
};

double CpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double WallSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Other processes that keep every core busy while the run is measured.
std::vector<pid_t> StartLoad()
{
    std::vector<pid_t> pids;
    long cores = sysconf(_SC_NPROCESSORS_ONLN);
    for (long i = 0; i < std::max(cores, 1L); ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            volatile uint64_t x = 0;
            for (;;)
                x = x + 1;
        }
        if (pid > 0)
            pids.push_back(pid);
    }
    return pids;
}

void StopLoad(const std::vector<pid_t>& pids)
{
    for (pid_t pid : pids) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

double Percentile(std::vector<double> v, double p);

// What the machine itself allows: how late a real-time thread wakes from
// sleeps to absolute deadlines, 1 ms apart, with nothing else to do. The
// engine cannot be more exact than this.
void MeasureBaseline(int seconds, double* p99, double* max)
{
    std::vector<double> late;
    std::thread probe([&] {
        sched_param param{};
        param.sched_priority = 40;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
        timespec t;
        clock_gettime(CLOCK_MONOTONIC, &t);
        int64_t next = t.tv_sec * 1000000000LL + t.tv_nsec;
        for (int i = 0; i < seconds * 1000; ++i) {
            next += 1000000;
            timespec until{static_cast<time_t>(next / 1000000000), static_cast<long>(next % 1000000000)};
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
            clock_gettime(CLOCK_MONOTONIC, &t);
            late.push_back((t.tv_sec * 1000000000LL + t.tv_nsec - next) / 1e6);
        }
    });
    probe.join();
    *p99 = Percentile(late, 0.99);
    *max = Percentile(late, 1.0);
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t i = static_cast<size_t>(std::ceil(p * v.size())) - 1;
    return v[std::min(i, v.size() - 1)];
}

}  // namespace

int RunPlay(int argc, char** argv)
{
    std::string path, port = "Kelvane GM Synth";
    int64_t from = 0, to = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help") {
            std::printf("Usage: kvtool play FILE [--port NAME] [--from TICK] [--to TICK]\n");
            return kExitOk;
        }
        if ((a == "--port" || a == "--from" || a == "--to") && i + 1 < argc) {
            std::string v = argv[++i];
            if (a == "--port")
                port = v;
            else
                (a == "--from" ? from : to) = std::atoll(v.c_str());
        } else if (path.empty() && a.rfind("--", 0) != 0) {
            path = a;
        } else {
            std::fprintf(stderr, "kvtool play: unexpected argument '%s'\n", a.c_str());
            return kExitUsage;
        }
    }
    if (path.empty() || from < 0 || to < 0 || from > INT32_MAX) {
        std::fprintf(stderr, "kvtool play: FILE and non-negative ticks are required\n");
        return kExitUsage;
    }
    ToolSong s;
    if (!s.Load(path))
        return kExitFailed;
    EngineLibrary engine;
    PlayCalls calls(engine);
    if (!calls.Complete() || !OpenPort(calls, port))
        return kExitFailed;
    calls.setTimebase(s.song.timebase);
    calls.trackCommand(7, 0, static_cast<int32_t>(from));
    if (!calls.allocTracks(std::max(s.song.trackCount, 1))) {
        calls.Report("allocating tracks");
        return kExitFailed;
    }
    for (int i = 0; i < s.song.trackCount; ++i) {
        Track& t = s.song.tracks[i];
        if (Pack(s.song, i, false) != 0 || !t.HasStream())
            continue;
        if (!calls.addTrack(t.stream.data(), static_cast<uint32_t>(t.streamSize), i))
            calls.Report("handing a track to the engine");
    }
    signal(SIGINT, OnInterrupt);
    if (!calls.go()) {
        calls.Report("starting playback");
        return kExitFailed;
    }
    bool stopped = WaitForStop(calls, to, INT64_MAX / 2);
    calls.releaseTracks();
    signal(SIGINT, SIG_DFL);
    return stopped ? kExitOk : kExitFailed;
}

int RunTiming(int argc, char** argv)
{
    int seconds = 30;
    bool load = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help") {
            std::printf(
                "Usage: kvtool timing [--seconds N] [--load]\nPlays a dense 16-track song into the capture "
                "port and prints the timing error of every message (median, 99th percentile, maximum, in "
                "ms) and the engine's CPU use; --load keeps every core busy meanwhile.\n");
            return kExitOk;
        }
        if (a == "--seconds" && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else if (a == "--load") {
            load = true;
        } else {
            std::fprintf(stderr, "kvtool timing: unexpected argument '%s'\n", a.c_str());
            return kExitUsage;
        }
    }
    if (seconds < 1 || seconds > 90) {
        std::fprintf(stderr, "kvtool timing: --seconds takes 1 to 90\n");
        return kExitUsage;
    }
    DenseSong song(seconds);
    auto expected = song.Expected();
    EngineLibrary engine;
    PlayCalls calls(engine);
    if (!calls.Complete() || !OpenPort(calls, "Kelvane Capture"))
        return kExitFailed;
    calls.setOption(kOptSendClockOff, 0);
    calls.setOption(kOptSendRealTimeOff, 0);
    calls.setOption(kOptClockOff, 0);
    calls.setOption(kOptPlayedOff, 0);
    calls.setFlag(kFlagSendSongPosition, 0);
    // Without the chase the events at tick 0 are played, not sent ahead.
    calls.setFlag(kFlagChase, 0);
    calls.setTimebase(kTimebase);
    calls.allocTracks(16);
    for (int i = 0; i < 16; ++i) {
        auto data = song.Track(i);
        if (!calls.addTrack(data.data(), static_cast<uint32_t>(data.size()), i)) {
            calls.Report("handing a track to the engine");
            return kExitFailed;
        }
    }
    std::vector<pid_t> loaders = load ? StartLoad() : std::vector<pid_t>();
    double baseP99 = 0, baseMax = 0;
    MeasureBaseline(3, &baseP99, &baseMax);
    calls.captureClear();
    double cpu0 = CpuSeconds(), wall0 = WallSeconds();
    if (!calls.go()) {
        StopLoad(loaders);
        calls.Report("starting playback");
        return kExitFailed;
    }
    bool stopped = WaitForStop(calls, 0, (seconds + 30) * 1000);
    double cpu = CpuSeconds() - cpu0, wall = WallSeconds() - wall0;
    StopLoad(loaders);
    calls.releaseTracks();
    uint32_t count = calls.captureCount();
    std::vector<double> errors;
    size_t mismatched = 0;
    MidiLibCaptureRecord first{};
    calls.captureRead(0, &first);
    for (uint32_t i = 0; i < count && i < expected.size(); ++i) {
        MidiLibCaptureRecord r;
        if (!calls.captureRead(i, &r))
            continue;
        uint32_t message = r.bytes[0] | r.bytes[1] << 8 | (r.length > 2 ? r.bytes[2] << 16 : 0);
        if (message != expected[i].second)
            ++mismatched;
        errors.push_back((double(r.timeUs - first.timeUs) - expected[i].first) / 1000.0);
    }
    double rate = wall > 0 ? count / wall : 0;
    std::printf("this machine's real-time wake-up lateness ms (3 s before the run): p99 %.3f  max %.3f\n",
                baseP99, baseMax);
    if (!errors.empty()) {
        size_t worst = std::max_element(errors.begin(), errors.end()) - errors.begin();
        std::printf("latest message: number %zu, %.3f s into the run, %.3f ms late\n", worst,
                    expected[worst].first / 1e6, errors[worst]);
    }
    std::printf("messages %u of %zu (%zu out of order), %.0f per second, %s\n", count, expected.size(),
                mismatched, rate, stopped ? "run ended" : "run did not end");
    std::printf(
        "timing error ms: median %.3f  p99 %.3f  max %.3f  (min %.3f)  engine CPU %.2f%% of one core%s\n",
        Percentile(errors, 0.5), Percentile(errors, 0.99), Percentile(errors, 1.0),
        errors.empty() ? 0.0 : *std::min_element(errors.begin(), errors.end()), 100.0 * cpu / wall,
        load ? " (under load)" : "");
    return stopped && count == expected.size() && mismatched == 0 ? kExitOk : kExitFailed;
}

}  // namespace kv::tool
