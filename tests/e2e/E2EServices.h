#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The outside world the end-to-end suite needs, started for the run and stopped after:
// a virtual X display, a PulseAudio server with two null sinks — "nullout" (First, the default)
// and "second" (Second) — which PortAudio reaches through ALSA's pulse plugin, and a recorder on
// each sink's monitor (48 kHz stereo float).
namespace barquill::e2e {

class Services {
public:
    enum Sink { first, second };

    explicit Services(std::filesystem::path workDir) : workDir_(std::move(workDir)) {}
    ~Services() { stop(); }

    const std::filesystem::path& workDir() const { return workDir_; }

    // Environment for child processes (the app, xdotool, pactl).
    QStringList environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtimeDir().string()));
        env.insert("PULSE_SERVER",
                   QString::fromStdString("unix:" + (runtimeDir() / "pulse" / "native").string()));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("WAYLAND_DISPLAY");
        return env.toStringList();
    }

    // Runs a helper tool with the services' environment; returns its exit status.
    int run(const QString& program, const QStringList& args, QString* output = nullptr) const {
        QProcess process;
        process.setEnvironment(environment());
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, args);
        if (!process.waitForStarted(5000)) return -1;
        if (!process.waitForFinished(20000)) {
            process.kill();
            process.waitForFinished(2000);
            return -2;
        }
        if (output) *output = QString::fromLocal8Bit(process.readAll());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
    }

    // Starts everything; on failure returns a readable reason.
    std::optional<std::string> start() {
        std::filesystem::create_directories(runtimeDir());
        std::filesystem::permissions(runtimeDir(), std::filesystem::perms::owner_all);
        // Xvfb picks a free display and tells us its number on a pipe.
        xvfb_ = std::make_unique<QProcess>();
        xvfb_->start("Xvfb", {"-displayfd", "1", "-screen", "0", "1400x900x24", "-nolisten", "tcp"});
        if (!xvfb_->waitForStarted(5000)) return "Xvfb did not start (is the xvfb package installed?)";
        for (int i = 0; i < 100 && display_.isEmpty(); ++i) {
            xvfb_->waitForReadyRead(100);
            const QString line = QString::fromLatin1(xvfb_->readAllStandardOutput()).trimmed();
            if (!line.isEmpty()) display_ = ":" + line;
        }
        if (display_.isEmpty()) return "Xvfb did not report a display number";
        QString out;
        const QString sink = "--load=module-null-sink rate=48000 format=float32le sink_name=";
        if (run("pulseaudio",
                {"-D", "--exit-idle-time=-1", "-n", "--daemonize=yes",
                 sink + "nullout sink_properties=device.description=First",
                 sink + "second sink_properties=device.description=Second",
                 "--load=module-native-protocol-unix"},
                &out) != 0)
            return "pulseaudio did not start: " + out.toStdString();
        pulseStarted_ = true;
        for (int i = 0; i < 50 && run("pactl", {"info"}) != 0; ++i)
            QThread::msleep(100);
        run("pactl", {"set-default-sink", "nullout"});
        // Without a reader an idle sink stalls the first callbacks; keep a low-latency recorder running.
        for (Sink s : {first, second}) {
            parec_[s] = std::make_unique<QProcess>();
            parec_[s]->setEnvironment(environment());
            parec_[s]->setStandardOutputFile(QString::fromStdString(recordingPath(s).string()));
            parec_[s]->start("parec",
                             {"-d", s == first ? "nullout.monitor" : "second.monitor", "--latency-msec=20",
                              "--raw", "--format=float32le", "--rate=48000", "--channels=2"});
            if (!parec_[s]->waitForStarted(5000)) return "parec did not start";
        }
        // A fresh null sink delivers nothing for its first seconds and a stream started then loses its
        // head: the suite begins once both monitors have delivered a tenth of a second.
        QElapsedTimer clock;
        clock.start();
        while (recordedFrames(first) < 4800 || recordedFrames(second) < 4800) {
            if (clock.elapsed() > 10000) return "the PulseAudio null sinks' monitors delivered no audio";
            QThread::msleep(20);
        }
        return std::nullopt;
    }

    void stop() {
        for (auto& parec : parec_)
            if (parec) {
                parec->terminate();
                if (!parec->waitForFinished(2000)) parec->kill();
                parec.reset();
            }
        if (pulseStarted_) run("pulseaudio", {"--kill"});
        pulseStarted_ = false;
        if (xvfb_) {
            xvfb_->terminate();
            if (!xvfb_->waitForFinished(2000)) xvfb_->kill();
            xvfb_.reset();
        }
    }

    // Unloads the second sink, as when an interface is unplugged; true when it went.
    bool removeSecondSink() const {
        QString modules;
        if (run("pactl", {"list", "short", "modules"}, &modules) != 0) return false;
        for (const QString& line : modules.split('\n'))
            if (line.contains("sink_name=second"))
                return run("pactl", {"unload-module", line.section('\t', 0, 0)}) == 0;
        return false;
    }

    // Frames recorded so far.
    int64_t recordedFrames(Sink sink = first) const {
        std::error_code ec;
        const auto size = std::filesystem::file_size(recordingPath(sink), ec);
        return ec ? 0 : static_cast<int64_t>(size / kFrameBytes);
    }

    // The left channel of the recorded frames from `from` to now.
    std::vector<float> recordedLeft(int64_t from, Sink sink = first) const {
        std::vector<float> interleaved(2 * std::max<int64_t>(0, recordedFrames(sink) - from)), left;
        std::ifstream in(recordingPath(sink), std::ios::binary);
        in.seekg(from * kFrameBytes);
        in.read(reinterpret_cast<char*>(interleaved.data()),
                std::streamsize(interleaved.size() * sizeof(float)));
        for (size_t f = 0; f < size_t(in.gcount()) / kFrameBytes; ++f)
            left.push_back(interleaved[2 * f]);
        return left;
    }

private:
    static constexpr size_t kFrameBytes = 2 * sizeof(float);
    std::filesystem::path runtimeDir() const { return workDir_ / "runtime"; }
    std::filesystem::path recordingPath(Sink sink) const {
        return workDir_ / (sink == first ? "monitor.f32" : "second-monitor.f32");
    }

    std::filesystem::path workDir_;
    QString display_;
    std::unique_ptr<QProcess> xvfb_, parec_[2];
    bool pulseStarted_ = false;
};

} // namespace barquill::e2e
