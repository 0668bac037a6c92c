#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The outside world the end-to-end suite needs, started for the run and stopped after:
// a virtual X display, a PulseAudio server with two null sinks — "nullout" (First, the default)
// and "second" (Second) — which PortAudio reaches through ALSA's pulse plugin, and a recorder on
// each sink's monitor.
namespace barquill::e2e {

class Services {
public:
    explicit Services(std::filesystem::path workDir);
    ~Services();

    // Starts everything; on failure returns a readable reason.
    std::optional<std::string> start();
    void stop();

    const std::filesystem::path& workDir() const { return workDir_; }
    QString display() const { return display_; }
    // Environment for child processes (the app, xdotool, ffmpeg's screen grab).
    QStringList environment() const;

    enum Sink { first, second };
    // Frames recorded so far (48 kHz stereo float).
    int64_t recordedFrames(Sink sink = first) const;
    // Recorded frames [from, to) as stereo channels.
    std::vector<std::vector<float>> recording(int64_t from, int64_t to, Sink sink = first) const;
    // Unloads the second sink, as when an interface is unplugged; true when it went.
    bool removeSecondSink() const;

    // Runs a helper tool with the services' environment; returns its exit status.
    int run(const QString& program, const QStringList& args, QString* output = nullptr,
            int timeoutMs = 20000) const;
    // Saves the whole screen as a PNG.
    bool screenshot(const std::filesystem::path& png) const;

private:
    std::filesystem::path workDir_;
    std::filesystem::path runtimeDir_;
    std::filesystem::path recordingPaths_[2];
    QString display_;
    std::unique_ptr<QProcess> xvfb_;
    std::unique_ptr<QProcess> parec_[2];
    bool pulseStarted_ = false;
};

} // namespace barquill::e2e
