// The whole mission as a person at the desk would live it: the real barquill binary
// in a virtual X display, real key presses, real audio through PulseAudio, and the
// files it writes. Steps run in order and share one app session.

#include "AnalysisFixtures.h"
#include "E2EServices.h"
#include "TestSupport.h"
#include "TransientSignals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <regex>

namespace fs = std::filesystem;
using namespace barquill;
using namespace barquill::e2e;

namespace {

constexpr int kRate = 48000;
constexpr float kVolume = 0.9f; // the document's initial output level
using Samples = std::vector<float>;

void fft(std::vector<std::complex<double>>& a, bool inverse) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = 2 * M_PI / static_cast<double>(len) * (inverse ? 1 : -1);
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w(1);
            for (size_t j = 0; j < len / 2; ++j, w *= std::polar(1.0, angle)) {
                const auto u = a[i + j], v = a[i + j + len / 2] * w;
                a[i + j] = u + v;
                a[i + j + len / 2] = u - v;
            }
        }
    }
}

struct Match {
    int64_t offset = -1;    // where the wanted run starts inside what was searched
    double correlation = 0; // normalised, 1 = identical shape
    double levelRatio = 0;  // rms(found run) / rms(wanted)
};

// Finds `b` inside the longer `a` by cross-correlation.
Match findInside(const Samples& a, const Samples& b) {
    if (b.empty() || a.size() < b.size()) return {};
    size_t n = 1;
    while (n < a.size() + b.size())
        n <<= 1;
    std::vector<std::complex<double>> fa(a.begin(), a.end()), fb(b.begin(), b.end());
    fa.resize(n), fb.resize(n);
    fft(fa, false), fft(fb, false);
    for (size_t i = 0; i < n; ++i)
        fa[i] *= std::conj(fb[i]);
    fft(fa, true);
    // The best normalised match, not the largest raw product: a loud stretch elsewhere (a kick)
    // must not win over the quieter place the excerpt really comes from.
    std::vector<double> energy(a.size() + 1, 0.0); // energy[k]: sum of a[i]^2 for i < k
    for (size_t i = 0; i < a.size(); ++i)
        energy[i + 1] = energy[i] + double(a[i]) * a[i];
    Match m;
    double best = -2;
    for (size_t k = 0; k + b.size() <= a.size(); ++k) {
        const double window = energy[k + b.size()] - energy[k];
        const double score = window > 0 ? fa[k].real() / std::sqrt(window) : -1;
        if (score > best) best = score, m.offset = int64_t(k);
    }
    double dot = 0, ea = 0, eb = 0;
    for (size_t i = 0; i < b.size(); ++i) {
        dot += double(a[m.offset + i]) * b[i], ea += double(a[m.offset + i]) * a[m.offset + i];
        eb += double(b[i]) * b[i];
    }
    m.correlation = ea > 0 && eb > 0 ? dot / std::sqrt(ea * eb) : 0;
    m.levelRatio = eb > 0 ? std::sqrt(ea / eb) : 0;
    return m;
}

bool loud(float x) {
    return std::fabs(x) > 1e-3f;
}

// From the first to the last loud sample.
Samples sound(const Samples& heard) {
    const auto first = std::find_if(heard.begin(), heard.end(), loud);
    const auto last = std::find_if(heard.rbegin(), heard.rend(), loud).base();
    return first < last ? Samples(first, last) : Samples{};
}

// One running app plus what the suite knows about it.
class Session {
public:
    Services services{test::fixtureDir() / "e2e-session"};
    fs::path home, exportDir, statePath, loopPath, breakdownPath;
    std::unique_ptr<QProcess> app;
    QString windowId;
    Samples loop;               // the drum loop the app plays, left channel
    size_t breakdownOthers = 0; // hats and claps placed in the breakdown
    std::string startError;

    void start() {
        std::error_code ec;
        fs::remove_all(services.workDir(), ec);
        home = services.workDir() / "home";
        exportDir = services.workDir() / "Loops";
        statePath = services.workDir() / "state.json";
        fs::create_directories(home / ".config" / "Barquill");
        fs::create_directories(exportDir);
        writeDefaults();
        // The analyzer's drum loop at 120 BPM: hats and noise make every beat unlike the others, so a
        // recording can be placed exactly. Scaled to leave headroom.
        loop = test::makeDrumLoop({.sampleRate = kRate, .bars = 8});
        for (float& x : loop)
            x *= 0.7f;
        loopPath = services.workDir() / "DrumLoop.wav";
        test::writeFloatWav(loopPath, {loop, loop}, kRate);
        // The detector's breakdown scene: loud bed, eight near-silent seconds with kicks, hats and claps.
        const auto scene = test::BreakdownScene::make();
        breakdownOthers = scene.otherSeconds.size();
        breakdownPath = services.workDir() / "Breakdown.wav";
        test::writeFloatWav(breakdownPath, {scene.samples, scene.samples}, int(scene.sampleRate));
        if (auto error = services.start()) startError = *error;
    }

    // The export folder is already chosen, as it would be after the first export; so is the output
    // device when one is named.
    void writeDefaults(const QString& outputDevice = {}) {
        QJsonObject defaults;
        defaults["Barquill.exportFolderBookmark"] = QJsonObject{
            {"data", QString::fromLatin1(QByteArray::fromStdString(exportDir.string()).toBase64())}};
        if (!outputDevice.isEmpty())
            defaults["Barquill.outputDevice"] = QJsonObject{{"string", outputDevice}};
        QFile file(QString::fromStdString((home / ".config" / "Barquill" / "defaults.json").string()));
        if (file.open(QIODevice::WriteOnly)) file.write(QJsonDocument(defaults).toJson());
    }

    bool launch(const fs::path& file) {
        quit();
        std::error_code ec;
        fs::remove(statePath, ec);
        app = std::make_unique<QProcess>();
        app->setEnvironment(services.environment()
                            << "HOME=" + QString::fromStdString(home.string())
                            << "XDG_CONFIG_HOME=" + QString::fromStdString((home / ".config").string())
                            << "BARQUILL_AUTOMATION_STATE=" + QString::fromStdString(statePath.string()));
        const QString log = QString::fromStdString((services.workDir() / "app-").string());
        app->setStandardOutputFile(log + "stdout.txt", QIODevice::Append);
        app->setStandardErrorFile(log + "stderr.txt", QIODevice::Append);
        app->start(BARQUILL_APP_PATH, {QString::fromStdString(file.string())});
        windowId = app->waitForStarted(10000) ? findWindow("Barquill", 100) : QString();
        return !windowId.isEmpty();
    }

    // The newest visible window whose title matches, looked for every 200 ms.
    QString findWindow(const QString& title, int tries = 1) const {
        QString out;
        for (int i = 0; i < tries && out.trimmed().isEmpty(); ++i) {
            if (services.run("xdotool", {"search", "--onlyvisible", "--name", title}, &out) != 0) out.clear();
            if (out.trimmed().isEmpty()) QThread::msleep(200);
        }
        return out.trimmed().split('\n').last();
    }

    void quit() {
        if (!app) return;
        app->terminate();
        if (!app->waitForFinished(5000)) app->kill();
        app->waitForFinished(2000);
        app.reset();
    }

    QJsonObject state() const {
        QFile file(QString::fromStdString(statePath.string()));
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                              : QJsonObject{};
    }
    std::string status() const { return state()["statusMessage"].toString().toStdString(); }

    bool waitFor(const std::function<bool(const QJsonObject&)>& condition, int timeoutMs) const {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            if (condition(state())) return true;
            QThread::msleep(50);
        }
        return false;
    }
    bool waitFor(const char* flag, bool value, int timeoutMs) const {
        return waitFor([=](const QJsonObject& s) { return s[flag].toBool() == value; }, timeoutMs);
    }
    bool playing() const { return state()["isPlaying"].toBool(); }

    void press(const QString& key, const QString& window = {}) {
        services.run("xdotool", {"windowfocus", "--sync", window.isEmpty() ? windowId : window});
        services.run("xdotool", {"key", "--clearmodifiers", key});
    }

    Samples heard(int64_t from, Services::Sink sink = Services::first) const {
        return services.recordedLeft(from, sink);
    }

    // What was heard since `from` once `done` holds for it (given up after 15 s).
    Samples heardOnce(int64_t from, const std::function<bool(const Samples&)>& done) const {
        QElapsedTimer clock;
        clock.start();
        while (!done(heard(from)) && clock.elapsed() < 15000)
            QThread::msleep(50);
        return heard(from);
    }

    Samples source(double fromSeconds, double toSeconds) const {
        const auto at = [&](double s) {
            return std::clamp<int64_t>(std::llround(s * kRate), 0, int64_t(loop.size()));
        };
        return {loop.begin() + at(fromSeconds), loop.begin() + std::max(at(fromSeconds), at(toSeconds))};
    }
};

Session* session = nullptr;

class EndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        session = new Session();
        session->start();
    }
    static void TearDownTestSuite() {
        session->quit();
        session->services.stop();
        delete session;
        session = nullptr;
    }
    void SetUp() override {
        if (!session->startError.empty())
            GTEST_FAIL() << "the audio/display services did not start: " << session->startError;
        stepStart_ = session->services.recordedFrames();
    }
    // A failing step keeps what was heard.
    void TearDown() override {
        const Samples heard = session->heard(stepStart_);
        if (!HasFailure() || heard.empty()) return;
        fs::create_directories(BARQUILL_E2E_ARTIFACTS);
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        test::writeFloatWav(fs::path(BARQUILL_E2E_ARTIFACTS) / (name + "-recording.wav"), {heard}, kRate);
    }
    int64_t stepStart_ = 0;
};

} // namespace

TEST_F(EndToEnd, Step1_OpeningTheDrumLoopShowsItsTempo) {
    ASSERT_TRUE(session->launch(session->loopPath)) << "the main window never appeared";
    ASSERT_TRUE(session->waitFor(
        [](const QJsonObject& s) { return s["analysisNote"].toString().contains("BPM"); }, 90000))
        << "no BPM in the status bar; it says: " << session->status();
    EXPECT_EQ(session->state()["fileName"].toString(), "DrumLoop");
}

// Space plays the file from its start and stops it.
TEST_F(EndToEnd, Step2_SpacePlaysTheFileFromItsStart) {
    const int64_t before = session->services.recordedFrames();
    session->press("space");
    ASSERT_TRUE(session->waitFor("isPlaying", true, 5000))
        << "Space did not start playback: " << session->status();
    ASSERT_TRUE(
        session->waitFor([](const QJsonObject& s) { return s["currentTime"].toDouble() >= 2.0; }, 15000))
        << "the playhead did not reach 2 s";
    session->press("space");
    ASSERT_TRUE(session->waitFor("isPlaying", false, 5000));
    // All that was played has reached the capture once it ends in a fifth of a second of silence.
    const Samples heard = sound(session->heardOnce(before, [](const Samples& h) {
        return std::find_if(h.rbegin(), h.rend(), loud) - h.rbegin() >= kRate / 5;
    }));
    ASSERT_FALSE(heard.empty()) << "nothing was heard";
    // The capture can miss the first tens of milliseconds of a stream (52 ms seen), so the search
    // starts 150 ms into the file.
    const Match match = findInside(heard, session->source(0.15, 1.15));
    EXPECT_GT(match.correlation, 0.98) << "the recording does not hold the file's first second";
    EXPECT_NEAR(match.levelRatio, kVolume, 0.05);
}

TEST_F(EndToEnd, Step3_LoopRepeatsTheBarSeamlessly) {
    session->press("l");
    ASSERT_TRUE(session->waitFor("loopEnabled", true, 5000));
    const double start = session->state()["loopStart"].toDouble(),
                 end = session->state()["loopEnd"].toDouble();
    ASSERT_GT(end, start);
    const auto loopFrames = static_cast<int64_t>(std::llround((end - start) * kRate));
    const int64_t before = session->services.recordedFrames();
    session->press("space");
    // Two and a half passes as heard, however long the device took to start.
    const Samples heard = session->heardOnce(
        before, [&](const Samples& h) { return int64_t(sound(h).size()) >= loopFrames * 5 / 2; });
    const Match first = findInside(heard, session->source(start, std::min(end, start + 0.5)));
    ASSERT_GT(first.correlation, 0.98) << "the loop's bar is not in the recording";
    // Across the wrap: the end of the bar followed at once by its start, one loop length on.
    Samples wrap = session->source(end - 0.25, end);
    const Samples head = session->source(start, start + 0.25);
    wrap.insert(wrap.end(), head.begin(), head.end());
    const Match seam = findInside(heard, wrap);
    EXPECT_GT(seam.correlation, 0.98) << "the loop is not seamless at the wrap";
    EXPECT_NEAR(double(seam.offset - first.offset), double(loopFrames - kRate / 4), double(loopFrames));
    EXPECT_NEAR(seam.levelRatio, kVolume, 0.05);
}

TEST_F(EndToEnd, Step4_ReverseTurnsTheLoopAround) {
    session->press("r");
    ASSERT_TRUE(session->waitFor("isReversed", true, 20000));
    const double start = session->state()["loopStart"].toDouble(),
                 end = session->state()["loopEnd"].toDouble();
    QThread::msleep(500);
    const int64_t before = session->services.recordedFrames();
    QThread::msleep(static_cast<unsigned long>((end - start) * 1000 + 800));
    const Samples heard = session->heard(before);
    // Half a second heard, wherever the pass was, is in the bar backwards (twice, for the wrap).
    Samples bar = session->source(start, end);
    std::reverse(bar.begin(), bar.end());
    const Samples once = bar;
    bar.insert(bar.end(), once.begin(), once.end());
    const Match match =
        findInside(bar, Samples(heard.begin(), heard.begin() + std::min<size_t>(heard.size(), kRate / 2)));
    EXPECT_GT(match.correlation, 0.98) << "the recording is not the bar backwards";
    session->press("space");
    ASSERT_TRUE(session->waitFor("isPlaying", false, 5000));
    session->press("r");
    ASSERT_TRUE(session->waitFor("isReversed", false, 5000));
}

TEST_F(EndToEnd, Step5_SlicePreviewPlaysSlicesWithGaps) {
    const int64_t before = session->services.recordedFrames();
    session->press("p");
    ASSERT_TRUE(session->waitFor("isPreviewing", true, 5000));
    ASSERT_TRUE(session->waitFor("isPreviewing", false, 15000)) << "the preview never ended by itself";
    QThread::msleep(200);
    // 8 slices with 100 ms of silence between them: 7 silent runs of at least 80 ms inside the sound.
    int gaps = 0;
    size_t quiet = 0;
    for (float x : sound(session->heard(before))) {
        if (std::fabs(x) < 1e-4f) {
            ++quiet;
            continue;
        }
        gaps += quiet >= size_t(kRate * 80 / 1000);
        quiet = 0;
    }
    EXPECT_EQ(gaps, 7);
}

TEST_F(EndToEnd, Step6_ExportWritesTheBarsSlicesAsWavFiles) {
    session->press("e");
    ASSERT_TRUE(session->waitFor(
        [](const QJsonObject& s) { return s["exportFlash"].toString().startsWith("Exported 8 slices"); },
        10000))
        << "no export banner; status: " << session->status();
    EXPECT_EQ(session->state()["exportFlash"].toString(), "Exported 8 slices → Loops");
    int slices = 0;
    for (const auto& entry : fs::directory_iterator(session->exportDir)) {
        if (!std::regex_match(entry.path().filename().string(),
                              std::regex(R"(DrumLoop_bar\d\d_slice\d\dof08\.wav)")))
            continue;
        ++slices;
        SF_INFO info{};
        SNDFILE* file = sf_open(entry.path().c_str(), SFM_READ, &info);
        ASSERT_TRUE(file) << entry.path();
        sf_close(file);
        EXPECT_EQ(info.samplerate, 44100) << entry.path();
        EXPECT_EQ(info.channels, 2) << entry.path();
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24) << entry.path();
        // A bar of about 2 s in 8 slices at 44.1 kHz.
        EXPECT_NEAR(static_cast<double>(info.frames), 2.0 / 8 * 44100, 44100 * 0.03) << entry.path();
    }
    EXPECT_EQ(slices, 8);
}

TEST_F(EndToEnd, Step7_TransientsHarvestsOneShotsFromTheQuietBreakdown) {
    ASSERT_TRUE(session->launch(session->breakdownPath));
    ASSERT_TRUE(session->waitFor(
        [](const QJsonObject& s) {
            return s["fileName"].toString() == "Breakdown" && !s["isLoading"].toBool();
        },
        60000));
    session->press("t");
    ASSERT_TRUE(session->waitFor(
        [](const QJsonObject& s) { return !s["exportFlash"].isNull() || !s["errorMessage"].isNull(); },
        60000))
        << "no one-shot report; status: " << session->status();
    const QJsonObject finished = session->state();
    EXPECT_TRUE(finished["exportFlash"].toString().startsWith("Exported"))
        << "status: " << finished["statusMessage"].toString().toStdString();
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(session->exportDir))
        count += std::regex_match(entry.path().filename().string(),
                                  std::regex(R"(Breakdown_transient\d+of\d+\.wav)"));
    EXPECT_EQ(count, session->breakdownOthers);
}

TEST_F(EndToEnd, Step8_TheChosenOutputAloneReceivesTheSound) {
    session->writeDefaults("PulseAudio/second");
    ASSERT_TRUE(session->launch(session->loopPath));
    ASSERT_TRUE(
        session->waitFor([](const QJsonObject& s) { return s["fileName"].toString() == "DrumLoop"; }, 60000));
    const int64_t firstBefore = session->services.recordedFrames(Services::first);
    const int64_t secondBefore = session->services.recordedFrames(Services::second);
    session->press("space");
    ASSERT_TRUE(session->waitFor("isPlaying", true, 5000)) << session->status();
    QThread::msleep(2000);
    const Samples heard = session->heard(secondBefore, Services::second);
    EXPECT_GT(findInside(heard, session->source(0.15, 0.65)).correlation, 0.98)
        << "the chosen sink did not get the file's start";
    EXPECT_TRUE(sound(session->heard(firstBefore, Services::first)).empty())
        << "the default sink got sound too";
}

TEST_F(EndToEnd, Step9_LosingTheOutputStopsWithAMessageAndTheDefaultPlaysOn) {
    ASSERT_TRUE(session->playing());
    ASSERT_TRUE(session->services.removeSecondSink());
    ASSERT_TRUE(session->waitFor("isPlaying", false, 5000))
        << "playback did not stop when its output went away";
    const QJsonObject stopped = session->state();
    EXPECT_TRUE(stopped["errorMessage"].toString().startsWith("Audio output was lost: "))
        << stopped["statusMessage"].toString().toStdString();
    // The playhead stays where the sound stopped.
    const double stoppedAt = stopped["currentTime"].toDouble();
    EXPECT_GT(stoppedAt, 1.0);
    QThread::msleep(500);
    EXPECT_DOUBLE_EQ(session->state()["currentTime"].toDouble(), stoppedAt);
    // The window still answers: the alert takes Return, then Space plays on the default sink.
    const QString alert = session->findWindow("Could not open file", 10);
    ASSERT_FALSE(alert.isEmpty()) << "no alert window";
    session->press("Return", alert);
    ASSERT_TRUE(session->waitFor([](const QJsonObject& s) { return s["errorMessage"].isNull(); }, 5000));
    session->press("space");
    ASSERT_TRUE(session->waitFor("isPlaying", true, 5000));
    EXPECT_TRUE(session->waitFor(
        [](const QJsonObject& s) { return s["outputNote"].toString().contains("not available"); }, 5000))
        << session->status();
}

TEST_F(EndToEnd, Step10_ChangingTheOutputWhilePlayingGoesOnFromTheSamePlace) {
    ASSERT_TRUE(session->playing());
    // From the start again, so the file does not end during the step.
    session->press("BackSpace");
    session->press("ctrl+comma");
    const QString settingsWindow = session->findWindow("^Settings$", 50);
    ASSERT_FALSE(settingsWindow.isEmpty()) << "the settings window did not open";
    // The device list is read off the GUI thread (the sound server may take up to a second).
    QThread::msleep(2000);
    // The popup lists System default, ALSA's devices, First and the missing Second: Up picks First.
    // It is the last row, above its "not connected" note and "Reset to Defaults": a click opens it,
    // Escape closes it and leaves the keyboard on it.
    QString geometry;
    session->services.run("xdotool", {"getwindowgeometry", "--shell", settingsWindow}, &geometry);
    const auto value = [&](const QString& key) {
        return geometry.section(key + "=", 1).section('\n', 0, 0).toInt();
    };
    session->services.run("xdotool",
                          {"mousemove", "--window", settingsWindow, QString::number(value("WIDTH") - 100),
                           QString::number(value("HEIGHT") - 94), "click", "1"});
    QThread::msleep(300);
    session->services.run("xdotool", {"key", "Escape"});
    const double before = session->state()["currentTime"].toDouble();
    session->press("Up", settingsWindow);
    ASSERT_TRUE(session->waitFor(
        [](const QJsonObject& s) { return s["outputDevice"] == "PulseAudio/nullout"; }, 5000));
    // The switch runs on the audio-server thread and has been seen to take two seconds under load;
    // then the new stream plays the file on from the playhead, which never went back.
    const int64_t from = session->services.recordedFrames(Services::first);
    QThread::msleep(4000);
    const Samples heard = session->heard(from, Services::first);
    ASSERT_GT(heard.size(), static_cast<size_t>(kRate / 2));
    const QJsonObject now = session->state();
    EXPECT_TRUE(now["isPlaying"].toBool());
    const double after = now["currentTime"].toDouble(), fromSeconds = std::max(0.0, after - 2.0);
    const Match match =
        findInside(session->source(fromSeconds, after + 0.5), Samples(heard.end() - kRate / 2, heard.end()));
    EXPECT_GT(match.correlation, 0.98) << "the new device does not play the file at the playhead";
    const double heardAt = fromSeconds + static_cast<double>(match.offset) / kRate;
    EXPECT_GT(heardAt, before) << "playback did not go on from " << before << " s";
    // The last half second heard ends at the playhead, less the output's latency.
    EXPECT_NEAR(heardAt + 0.5, after, 0.4);
    session->press("space");
    ASSERT_TRUE(session->waitFor("isPlaying", false, 5000));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
