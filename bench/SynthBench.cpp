#include "SynthBench.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <unistd.h>

namespace synthbench {

namespace {

double Seconds(Clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

} // namespace

bool PulseServer::start() {
    QProcess daemon;
    daemon.setProcessEnvironment(environment());
    daemon.setProcessChannelMode(QProcess::MergedChannels);
    daemon.start(QStandardPaths::findExecutable("pulseaudio"),
                 {"-n", "--daemonize=yes", "--exit-idle-time=-1",
                  "--load=module-null-sink sink_name=out", "--load=module-native-protocol-unix"});
    if (!daemon.waitForFinished(20000) || daemon.exitCode() != 0) {
        std::fprintf(stderr, "pulseaudio did not start: %s\n", daemon.readAll().constData());
        return false;
    }
    QFile pidFile(folder.filePath("pulse/pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return false;
    pid = pidFile.readAll().trimmed().toInt();
    return pid > 0;
}

PulseServer::~PulseServer() {
    QProcess kill;
    kill.setProcessEnvironment(environment());
    kill.start(QStandardPaths::findExecutable("pulseaudio"), {"-k"});
    kill.waitForFinished(10000);
}

QProcessEnvironment PulseServer::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", folder.path());
    env.insert("HOME", folder.path());
    env.remove("PULSE_SERVER");
    return env;
}

Usage ReadUsage(int pid) {
    Usage u;
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name
        if (fields.size() > 13)
            u.cpu = (fields[11].toDouble() + fields[12].toDouble()) /
                    static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    const QDir tasks(QString("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task + "/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:"))
                u.wakeups += line.mid(24).trimmed().toLong();
    }
    return u;
}

IdleCost MeasureIdle(int program, int server, double seconds) {
    const Usage p0 = ReadUsage(program), s0 = ReadUsage(server);
    const auto start = Clock::now();
    QTest::qWait(static_cast<int>(seconds * 1000));
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const Usage p1 = ReadUsage(program), s1 = ReadUsage(server);
    return {100 * (p1.cpu - p0.cpu) / wall, 100 * (s1.cpu - s0.cpu) / wall,
            static_cast<double>(p1.wakeups - p0.wakeups) / wall,
            static_cast<double>(s1.wakeups - s0.wakeups) / wall};
}

bool MonitorRecorder::start() {
    mainloop_ = pa_threaded_mainloop_new();
    context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "monitor recorder");
    pa_context_set_state_callback(
        context_, [](pa_context*, void* m) { pa_threaded_mainloop_signal(Loop(m), 0); }, mainloop_);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    pa_threaded_mainloop_lock(mainloop_);
    pa_threaded_mainloop_start(mainloop_);
    while (pa_context_get_state(context_) != PA_CONTEXT_READY) {
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
            pa_threaded_mainloop_unlock(mainloop_);
            return false;
        }
        pa_threaded_mainloop_wait(mainloop_);
    }
    const pa_sample_spec sampleFormat = {PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(Rate), 2};
    stream_ = pa_stream_new(context_, "monitor", &sampleFormat, nullptr);
    pa_stream_set_state_callback(
        stream_, [](pa_stream*, void* m) { pa_threaded_mainloop_signal(Loop(m), 0); }, mainloop_);
    pa_stream_set_read_callback(stream_, onRead, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.fragsize = 64 * 8;
    attr.tlength = attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
    const auto flags = PA_STREAM_ADJUST_LATENCY;
    pa_stream_connect_record(stream_, "out.monitor", &attr, flags);
    while (pa_stream_get_state(stream_) != PA_STREAM_READY) {
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) {
            pa_threaded_mainloop_unlock(mainloop_);
            return false;
        }
        pa_threaded_mainloop_wait(mainloop_);
    }
    pa_threaded_mainloop_unlock(mainloop_);
    return true;
}

MonitorRecorder::~MonitorRecorder() {
    if (mainloop_ != nullptr)
        pa_threaded_mainloop_stop(mainloop_);
    if (stream_ != nullptr) {
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
    }
    if (context_ != nullptr) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    if (mainloop_ != nullptr)
        pa_threaded_mainloop_free(mainloop_);
}

double MonitorRecorder::onsetAfter(Clock::time_point press, double within) const {
    const double pressed = Seconds(press);
    const auto after = std::partition_point(
        chunks_.begin(), chunks_.end(), [pressed](const Chunk& c) { return c.arrived < pressed; });
    if (after == chunks_.begin() || after == chunks_.end())
        return -1;
    const std::size_t from = std::prev(after)->end;
    const std::size_t before = from > 882 ? from - 882 : 0;
    const std::size_t end = std::min(level_.size(), from + static_cast<std::size_t>(within * Rate));
    float floor = 0;
    for (std::size_t i = before; i < from; ++i)
        floor = std::max(floor, level_[i]);
    const float threshold = std::max(2e-3f, 4 * floor);
    std::size_t onset = from;
    while (onset < end && level_[onset] <= threshold)
        ++onset;
    if (onset == end)
        return -1;
    auto chunk = std::partition_point(chunks_.begin(), chunks_.end(),
                                      [onset](const Chunk& c) { return c.end <= onset; });
    double start = chunk->arrived - static_cast<double>(chunk->end) / Rate;
    for (auto c = chunk; c != chunks_.end() && c->arrived < chunk->arrived + 0.05; ++c)
        start = std::min(start, c->arrived - static_cast<double>(c->end) / Rate);
    const double seconds = start + static_cast<double>(onset) / Rate - pressed;
    if (qEnvironmentVariableIsSet("QUINTARO_BENCH_DEBUG"))
        std::printf("  press: floor %.5f, onset %.2f ms after the press, its chunk arrived "
                    "%.2f ms after it\n",
                    floor, 1000 * seconds, 1000 * (chunk->arrived - pressed));
    return seconds;
}

void MonitorRecorder::onRead(pa_stream* stream, std::size_t, void* self) {
    auto* r = static_cast<MonitorRecorder*>(self);
    const void* data = nullptr;
    std::size_t bytes = 0;
    while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &bytes) == 0) {
        if (bytes == 0)
            break;
        const double now = Seconds(Clock::now());
        const std::size_t frames = bytes / 8;
        r->chunks_.push_back({r->level_.size() + frames, now});
        const auto* samples = static_cast<const float*>(data);
        for (std::size_t i = 0; i < frames; ++i)
            r->level_.push_back(data == nullptr ? 0.0f
                                                : std::max(std::fabs(samples[2 * i]),
                                                           std::fabs(samples[2 * i + 1])));
        pa_stream_drop(stream);
    }
}

Summary Summarise(std::vector<double> ms, std::size_t missed) {
    Summary s;
    s.missed = missed;
    s.n = ms.size();
    if (ms.empty())
        return s;
    std::sort(ms.begin(), ms.end());
    const auto at = [&ms](double q) {
        return ms[std::min(ms.size() - 1, static_cast<std::size_t>(std::ceil(q * ms.size()) - 1))];
    };
    s.median =
        ms.size() % 2 ? ms[ms.size() / 2] : 0.5 * (ms[ms.size() / 2 - 1] + ms[ms.size() / 2]);
    s.p90 = at(0.9);
    s.min = ms.front();
    s.max = ms.back();
    return s;
}

void Print(const char* who, const char* kind, const Summary& s) {
    std::printf("%-9s %-22s presses %2zu  median %6.2f ms  p90 %6.2f ms  min %6.2f  max %6.2f"
                "  (no onset: %zu)\n",
                who, kind, s.n, s.median, s.p90, s.min, s.max, s.missed);
    std::fflush(stdout);
}

} // namespace synthbench
