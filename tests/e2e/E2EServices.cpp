#include "E2EServices.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QThread>

#include <fstream>

namespace fs = std::filesystem;

namespace barquill::e2e {

namespace {
constexpr int kChannels = 2;
constexpr int64_t kBytesPerFrame = kChannels * sizeof(float);
constexpr int64_t kMonitorReadyFrames = 4800;
constexpr int kMonitorReadyTimeoutMs = 10000;
} // namespace

Services::Services(fs::path workDir) : workDir_(std::move(workDir)) {
    runtimeDir_ = workDir_ / "runtime";
    recordingPaths_[first] = workDir_ / "monitor.f32";
    recordingPaths_[second] = workDir_ / "second-monitor.f32";
}

Services::~Services() {
    stop();
}

QStringList Services::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display_);
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtimeDir_.string()));
    env.insert("PULSE_SERVER", QString::fromStdString("unix:" + (runtimeDir_ / "pulse" / "native").string()));
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("JACK_NO_START_SERVER", "1");
    env.remove("WAYLAND_DISPLAY");
    return env.toStringList();
}

int Services::run(const QString& program, const QStringList& args, QString* output, int timeoutMs) const {
    QProcess process;
    process.setEnvironment(environment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForStarted(5000)) return -1;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        return -2;
    }
    if (output) *output = QString::fromLocal8Bit(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
}

std::optional<std::string> Services::start() {
    std::error_code ec;
    fs::create_directories(runtimeDir_, ec);
    fs::permissions(runtimeDir_, fs::perms::owner_all, fs::perm_options::replace, ec);

    // Xvfb picks a free display and tells us its number on a pipe.
    xvfb_ = std::make_unique<QProcess>();
    xvfb_->setProcessChannelMode(QProcess::SeparateChannels);
    xvfb_->start("Xvfb", {"-displayfd", "1", "-screen", "0", "1400x900x24", "-nolisten", "tcp"});
    if (!xvfb_->waitForStarted(5000)) return "Xvfb did not start (is the xvfb package installed?)";
    for (int i = 0; i < 100 && display_.isEmpty(); ++i) {
        xvfb_->waitForReadyRead(100);
        const QString line = QString::fromLatin1(xvfb_->readAllStandardOutput()).trimmed();
        if (!line.isEmpty()) display_ = ":" + line;
    }
    if (display_.isEmpty()) return "Xvfb did not report a display number";

    // A private PulseAudio server with two 48 kHz float null sinks.
    QString out;
    const int pulse = run("pulseaudio",
                          {"-D", "--exit-idle-time=-1", "-n", "--daemonize=yes",
                           "--load=module-null-sink sink_name=nullout rate=48000 format=float32le "
                           "sink_properties=device.description=First",
                           "--load=module-null-sink sink_name=second rate=48000 format=float32le "
                           "sink_properties=device.description=Second",
                           "--load=module-native-protocol-unix"},
                          &out);
    if (pulse != 0) return "pulseaudio did not start: " + out.toStdString();
    pulseStarted_ = true;
    for (int i = 0; i < 50; ++i) {
        if (run("pactl", {"info"}) == 0) break;
        QThread::msleep(100);
    }
    run("pactl", {"set-default-sink", "nullout"});
    // Without a reader an idle sink stalls the first callbacks; keep a low-latency recorder running.
    for (Sink sink : {first, second}) {
        parec_[sink] = std::make_unique<QProcess>();
        parec_[sink]->setEnvironment(environment());
        parec_[sink]->setStandardOutputFile(QString::fromStdString(recordingPaths_[sink].string()));
        parec_[sink]->start("parec",
                            {"-d", sink == first ? "nullout.monitor" : "second.monitor", "--latency-msec=20",
                             "--raw", "--format=float32le", "--rate=48000", "--channels=2"});
        if (!parec_[sink]->waitForStarted(5000)) return "parec did not start";
    }
    // A fresh null sink delivers nothing for its first seconds and a stream started then loses its
    // head: the suite begins once both monitors have delivered a tenth of a second.
    QElapsedTimer clock;
    clock.start();
    while (recordedFrames(first) < kMonitorReadyFrames || recordedFrames(second) < kMonitorReadyFrames) {
        if (clock.elapsed() > kMonitorReadyTimeoutMs)
            return "the PulseAudio null sinks' monitors delivered no audio within " +
                   std::to_string(kMonitorReadyTimeoutMs / 1000) + " s";
        QThread::msleep(20);
    }
    return std::nullopt;
}

void Services::stop() {
    for (auto& parec : parec_) {
        if (!parec) continue;
        parec->terminate();
        if (!parec->waitForFinished(2000)) parec->kill();
        parec.reset();
    }
    if (pulseStarted_) {
        run("pulseaudio", {"--kill"});
        pulseStarted_ = false;
    }
    if (xvfb_) {
        xvfb_->terminate();
        if (!xvfb_->waitForFinished(2000)) xvfb_->kill();
        xvfb_.reset();
    }
}

bool Services::removeSecondSink() const {
    QString modules;
    if (run("pactl", {"list", "short", "modules"}, &modules) != 0) return false;
    for (const QString& line : modules.split('\n')) {
        if (!line.contains("sink_name=second")) continue;
        return run("pactl", {"unload-module", line.section('\t', 0, 0)}) == 0;
    }
    return false;
}

int64_t Services::recordedFrames(Sink sink) const {
    std::error_code ec;
    const auto size = fs::file_size(recordingPaths_[sink], ec);
    return ec ? 0 : static_cast<int64_t>(size) / kBytesPerFrame;
}

std::vector<std::vector<float>> Services::recording(int64_t from, int64_t to, Sink sink) const {
    std::vector<std::vector<float>> channels(kChannels);
    from = std::max<int64_t>(0, from);
    to = std::min(to, recordedFrames(sink));
    if (to <= from) return channels;
    std::ifstream in(recordingPaths_[sink], std::ios::binary);
    in.seekg(from * kBytesPerFrame);
    std::vector<float> interleaved(static_cast<size_t>((to - from) * kChannels));
    in.read(reinterpret_cast<char*>(interleaved.data()),
            static_cast<std::streamsize>(interleaved.size() * 4));
    const auto frames = static_cast<size_t>(in.gcount() / kBytesPerFrame);
    for (int c = 0; c < kChannels; ++c) {
        channels[c].resize(frames);
        for (size_t f = 0; f < frames; ++f)
            channels[c][f] = interleaved[f * kChannels + c];
    }
    return channels;
}

bool Services::screenshot(const fs::path& png) const {
    return run("ffmpeg", {"-v", "error", "-y", "-f", "x11grab", "-video_size", "1400x900", "-i", display_,
                          "-frames:v", "1", QString::fromStdString(png.string())}) == 0;
}

} // namespace barquill::e2e
