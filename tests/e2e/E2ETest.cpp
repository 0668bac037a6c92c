// The whole mission as a person at the desk would live it: the real barquill binary
// in a virtual X display, real key presses, real audio through PulseAudio, and the
// files it writes. Steps run in order and share one app session.

#include "E2EServices.h"
#include "SignalMatch.h"
#include "TestSignals.h"
#include "TestSupport.h"
#include "TransientSignals.h"

#include <QCoreApplication>
#include <QDir>
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
#include <functional>
#include <regex>

namespace fs = std::filesystem;
using namespace barquill;
using namespace barquill::e2e;

namespace {

constexpr int kRate = 48000;
constexpr int kBars = 8;
constexpr float kVolume = 0.9f; // the document's initial output level

fs::path artifactDir() {
    fs::path dir = BARQUILL_E2E_ARTIFACTS;
    fs::create_directories(dir);
    return dir;
}

void saveRecording(const fs::path& path, const std::vector<std::vector<float>>& channels) {
    if (!channels.empty() && !channels[0].empty()) test::writeFloatWav(path, channels, kRate);
}

// One running app plus what the suite knows about it.
class Session {
public:
    Services services{test::fixtureDir() / "e2e-session"};
    fs::path home, exportDir, statePath;
    std::unique_ptr<QProcess> app;
    QString windowId;
    std::vector<std::vector<float>> loop; // the drum loop the app plays
    fs::path loopPath, breakdownPath;
    size_t breakdownOthers = 0; // hats and claps placed in the breakdown
    std::string startError;

    void start() {
        std::error_code ec;
        fs::remove_all(services.workDir(), ec);
        fs::create_directories(services.workDir());
        home = services.workDir() / "home";
        exportDir = services.workDir() / "Loops";
        statePath = services.workDir() / "state.json";
        fs::create_directories(home / ".config" / "Barquill");
        fs::create_directories(exportDir);
        writeDefaults();

        loop = drumLoop(kRate, kBars);
        loopPath = services.workDir() / "DrumLoop.wav";
        breakdownPath = services.workDir() / "Breakdown.wav";
        test::writeFloatWav(loopPath, loop, kRate);
        // The detector's own breakdown scene: loud bed, eight near-silent seconds with kicks, hats and claps.
        const auto scene = test::BreakdownScene::make();
        breakdownOthers = scene.otherSeconds.size();
        test::writeFloatWav(breakdownPath, {scene.samples, scene.samples},
                            static_cast<int>(test::BreakdownScene::sampleRate));

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
        QStringList env = services.environment();
        env << "HOME=" + QString::fromStdString(home.string())
            << "XDG_CONFIG_HOME=" + QString::fromStdString((home / ".config").string())
            << "BARQUILL_AUTOMATION_STATE=" + QString::fromStdString(statePath.string());
        app->setEnvironment(env);
        app->setStandardOutputFile(QString::fromStdString((services.workDir() / "app-stdout.txt").string()),
                                   QIODevice::Append);
        app->setStandardErrorFile(QString::fromStdString((services.workDir() / "app-stderr.txt").string()),
                                  QIODevice::Append);
        app->start(BARQUILL_APP_PATH, {QString::fromStdString(file.string())});
        if (!app->waitForStarted(10000)) return false;
        QString out;
        for (int i = 0; i < 100; ++i) {
            if (services.run("xdotool", {"search", "--onlyvisible", "--name", "Barquill"}, &out) == 0 &&
                !out.trimmed().isEmpty()) {
                windowId = out.trimmed().split('\n').last();
                return true;
            }
            QThread::msleep(200);
        }
        return false;
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
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    bool waitFor(const std::function<bool(const QJsonObject&)>& condition, int timeoutMs) const {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            if (condition(state())) return true;
            QThread::msleep(50);
        }
        return false;
    }

    void press(const QString& key, const QString& window = {}) {
        services.run("xdotool", {"windowfocus", "--sync", window.isEmpty() ? windowId : window});
        services.run("xdotool", {"key", "--clearmodifiers", key});
    }

    // Waits until the recording since `from` ends in a fifth of a second of silence: what was
    // played has all reached the capture.
    void waitForSilence(int64_t from) const {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000) {
            const auto heard = recordedLeft(from);
            const auto last =
                std::find_if(heard.rbegin(), heard.rend(), [](float x) { return std::fabs(x) > 1e-3f; });
            if (last - heard.rbegin() >= kRate / 5) return;
            QThread::msleep(50);
        }
    }

    // Waits until the recording since `from` holds `frames` frames from its first sound on.
    void waitForSound(int64_t from, int64_t frames) const {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 15000) {
            const auto heard = recordedLeft(from);
            const auto first =
                std::find_if(heard.begin(), heard.end(), [](float x) { return std::fabs(x) > 1e-3f; });
            if (heard.end() - first >= frames) return;
            QThread::msleep(50);
        }
    }

    // The recorded left channel from `from` to now (frames of the monitor recording).
    std::vector<float> recordedLeft(int64_t from, Services::Sink sink = Services::first) const {
        auto channels = services.recording(from, services.recordedFrames(sink), sink);
        return channels.empty() ? std::vector<float>{} : channels[0];
    }

    std::vector<float> sourceLeft(int64_t from, int64_t to) const {
        from = std::clamp<int64_t>(from, 0, static_cast<int64_t>(loop[0].size()));
        to = std::clamp<int64_t>(to, from, static_cast<int64_t>(loop[0].size()));
        return {loop[0].begin() + from, loop[0].begin() + to};
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
    // Every step keeps its screenshot; a failing one also keeps what was heard.
    void TearDown() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        session->services.screenshot(artifactDir() / (name + ".png"));
        if (HasFailure())
            saveRecording(artifactDir() / (name + "-recording.wav"),
                          session->services.recording(stepStart_, session->services.recordedFrames()));
    }
    int64_t stepStart_ = 0;
};

bool hasBpm(const QJsonObject& s) {
    return s["analysisNote"].toString().contains("BPM");
}

} // namespace

TEST_F(EndToEnd, Step1_OpeningTheDrumLoopShowsItsTempo) {
    ASSERT_TRUE(session->launch(session->loopPath)) << "the main window never appeared";
    ASSERT_TRUE(session->waitFor(hasBpm, 90000))
        << "no BPM in the status bar; it says: "
        << session->state()["statusMessage"].toString().toStdString();
    EXPECT_EQ(session->state()["fileName"].toString(), "DrumLoop");
}

TEST_F(EndToEnd, Step2_SpacePlaysTheFileFromItsStart) {
    const int64_t before = session->services.recordedFrames();
    session->press("space");
    ASSERT_TRUE(session->waitFor([](const QJsonObject& s) { return s["isPlaying"].toBool(); }, 5000))
        << "Space did not start playback: " << session->state()["statusMessage"].toString().toStdString();
    // Two seconds of the file, by the playhead: the device may take a moment to start.
    ASSERT_TRUE(
        session->waitFor([](const QJsonObject& s) { return s["currentTime"].toDouble() >= 2.0; }, 15000))
        << "the playhead did not reach 2 s";
    session->press("space");
    ASSERT_TRUE(session->waitFor([](const QJsonObject& s) { return !s["isPlaying"].toBool(); }, 5000));
    session->waitForSilence(before);
    const auto heard = session->recordedLeft(before);
    // The playhead stays where the sound stopped: it matches how much was heard (the device may
    // take a moment to start, so wall-clock time is no measure).
    const double playhead = session->state()["currentTime"].toDouble();
    const auto loud = [](float x) { return std::fabs(x) > 1e-3f; };
    const auto first = std::find_if(heard.begin(), heard.end(), loud);
    const auto last = std::find_if(heard.rbegin(), heard.rend(), loud).base();
    ASSERT_LT(first, last) << "nothing was heard";
    const double heardSeconds = static_cast<double>(last - first) / kRate;
    EXPECT_GT(heardSeconds, 1.0);
    EXPECT_NEAR(playhead, heardSeconds, 0.25) << "the playhead should stay where the sound stopped";
    // The capture can miss the first tens of milliseconds of a stream (52 ms seen), so the search
    // starts 150 ms into the file; the second that follows must be in the recording.
    const auto expected = session->sourceLeft(kRate * 15 / 100, kRate * 15 / 100 + kRate);
    const Match match = findInside(heard, expected);
    EXPECT_GT(match.correlation, 0.98) << "the recording does not hold the file's first second";
    EXPECT_NEAR(match.levelRatio, kVolume, 0.05);
}

TEST_F(EndToEnd, Step3_LoopRepeatsTheBarSeamlessly) {
    session->press("l");
    ASSERT_TRUE(session->waitFor([](const QJsonObject& s) { return s["loopEnabled"].toBool(); }, 5000));
    const QJsonObject s = session->state();
    const double loopStart = s["loopStart"].toDouble(), loopEnd = s["loopEnd"].toDouble();
    ASSERT_GT(loopEnd, loopStart);
    const auto loopFrames = static_cast<int64_t>(std::llround((loopEnd - loopStart) * kRate));

    const int64_t before = session->services.recordedFrames();
    session->press("space");
    // Two and a half passes as heard, however long the device took to start.
    session->waitForSound(before, loopFrames * 5 / 2);
    const auto heard = session->recordedLeft(before);

    // Each pass is the bar itself; the second pass starts exactly one loop length after the first.
    const auto bar = session->sourceLeft(std::llround(loopStart * kRate), std::llround(loopEnd * kRate));
    const std::vector<float> barHead(bar.begin(), bar.begin() + std::min<size_t>(bar.size(), kRate / 2));
    const Match first = findInside(heard, barHead);
    ASSERT_GT(first.correlation, 0.98) << "the loop's bar is not in the recording";
    // Across the wrap: the end of the bar followed at once by its start.
    std::vector<float> wrap(bar.end() - kRate / 4, bar.end());
    wrap.insert(wrap.end(), bar.begin(), bar.begin() + kRate / 4);
    const Match seam = findInside(heard, wrap);
    EXPECT_GT(seam.correlation, 0.98) << "the loop is not seamless at the wrap";
    EXPECT_NEAR(static_cast<double>(seam.offset - first.offset), static_cast<double>(loopFrames - kRate / 4),
                static_cast<double>(loopFrames))
        << "the wrap is not one loop length after the bar's start";
    EXPECT_NEAR(seam.levelRatio, kVolume, 0.05);
}

TEST_F(EndToEnd, Step4_ReverseTurnsTheLoopAround) {
    session->press("r");
    ASSERT_TRUE(session->waitFor([](const QJsonObject& s) { return s["isReversed"].toBool(); }, 20000));
    const QJsonObject s = session->state();
    const double loopStart = s["loopStart"].toDouble(), loopEnd = s["loopEnd"].toDouble();
    QThread::msleep(500);
    const int64_t before = session->services.recordedFrames();
    QThread::msleep(static_cast<unsigned long>((loopEnd - loopStart) * 1000 + 800));
    const auto heard = session->recordedLeft(before);
    auto bar = session->sourceLeft(std::llround(loopStart * kRate), std::llround(loopEnd * kRate));
    std::reverse(bar.begin(), bar.end());
    // Half a second of the reversed bar, wherever the pass was, must be in what was heard.
    std::vector<float> twice(bar);
    twice.insert(twice.end(), bar.begin(), bar.end());
    const std::vector<float> heardHead(heard.begin(),
                                       heard.begin() + std::min<size_t>(heard.size(), kRate / 2));
    const Match match = findInside(twice, heardHead);
    EXPECT_GT(match.correlation, 0.98) << "the recording is not the bar backwards";
    session->press("space");
    ASSERT_TRUE(session->waitFor([](const QJsonObject& st) { return !st["isPlaying"].toBool(); }, 5000));
    session->press("r");
    ASSERT_TRUE(session->waitFor([](const QJsonObject& st) { return !st["isReversed"].toBool(); }, 5000));
}

TEST_F(EndToEnd, Step5_SlicePreviewPlaysSlicesWithGaps) {
    const int64_t before = session->services.recordedFrames();
    session->press("p");
    ASSERT_TRUE(session->waitFor([](const QJsonObject& s) { return s["isPreviewing"].toBool(); }, 5000));
    ASSERT_TRUE(session->waitFor([](const QJsonObject& s) { return !s["isPreviewing"].toBool(); }, 15000))
        << "the preview never ended by itself";
    QThread::msleep(200);
    const auto heard = session->recordedLeft(before);
    // 8 slices with 100 ms of silence between them: 7 gaps of at least 80 ms inside the sound.
    auto first = std::find_if(heard.begin(), heard.end(), [](float x) { return std::fabs(x) > 1e-3f; });
    auto last =
        std::find_if(heard.rbegin(), heard.rend(), [](float x) { return std::fabs(x) > 1e-3f; }).base();
    ASSERT_LT(first, last) << "nothing was heard";
    const std::vector<float> sound(first, last);
    EXPECT_EQ(countSilentRuns(sound, kRate * 80 / 1000, 1e-4f), 7);
}

TEST_F(EndToEnd, Step6_ExportWritesTheBarsSlicesAsWavFiles) {
    session->press("e");
    ASSERT_TRUE(session->waitFor(
        [](const QJsonObject& s) { return s["exportFlash"].toString().startsWith("Exported 8 slices"); },
        10000))
        << "no export banner; status: " << session->state()["statusMessage"].toString().toStdString();
    EXPECT_EQ(session->state()["exportFlash"].toString(), "Exported 8 slices → Loops");
    const std::regex name(R"(DrumLoop_bar(\d\d)_slice(\d\d)of08\.wav)");
    std::vector<fs::path> slices;
    for (const auto& entry : fs::directory_iterator(session->exportDir))
        if (std::regex_match(entry.path().filename().string(), name)) slices.push_back(entry.path());
    ASSERT_EQ(slices.size(), 8u);
    for (const auto& path : slices) {
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_TRUE(file) << path;
        sf_close(file);
        EXPECT_EQ(info.samplerate, 44100) << path;
        EXPECT_EQ(info.channels, 2) << path;
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24) << path;
        // A bar of about 2 s in 8 slices at 44.1 kHz.
        EXPECT_NEAR(static_cast<double>(info.frames), 2.0 / 8 * 44100, 44100 * 0.03) << path;
    }
}

TEST_F(EndToEnd, Step7_TransientsHarvestsOneShotsFromTheQuietBreakdown) {
    ASSERT_TRUE(session->launch(session->breakdownPath));
    ASSERT_TRUE(session->waitFor(
        [](const QJsonObject& s) {
            return s["fileName"].toString() == "Breakdown" && !s["isLoading"].toBool();
        },
        60000));
    session->press("t");
    QJsonObject finished;
    ASSERT_TRUE(session->waitFor(
        [&finished](const QJsonObject& s) {
            finished = s;
            return !s["exportFlash"].isNull() || !s["errorMessage"].isNull();
        },
        60000))
        << "no one-shot report; status: " << session->state()["statusMessage"].toString().toStdString();
    EXPECT_TRUE(finished["exportFlash"].toString().startsWith("Exported"))
        << "status: " << finished["statusMessage"].toString().toStdString();
    const std::regex name(R"(Breakdown_transient(\d+)of(\d+)\.wav)");
    int count = 0;
    for (const auto& entry : fs::directory_iterator(session->exportDir))
        count += std::regex_match(entry.path().filename().string(), name) ? 1 : 0;
    EXPECT_EQ(static_cast<size_t>(count), session->breakdownOthers);
}

namespace {

bool isPlaying(const QJsonObject& s) {
    return s["isPlaying"].toBool();
}

float peakOf(const std::vector<float>& samples) {
    float peak = 0;
    for (float x : samples)
        peak = std::max(peak, std::fabs(x));
    return peak;
}

} // namespace

TEST_F(EndToEnd, Step8_TheChosenOutputAloneReceivesTheSound) {
    session->writeDefaults("PulseAudio/second");
    ASSERT_TRUE(session->launch(session->loopPath));
    ASSERT_TRUE(
        session->waitFor([](const QJsonObject& s) { return s["fileName"].toString() == "DrumLoop"; }, 60000));
    const int64_t firstBefore = session->services.recordedFrames(Services::first);
    const int64_t secondBefore = session->services.recordedFrames(Services::second);
    session->press("space");
    ASSERT_TRUE(session->waitFor(isPlaying, 5000))
        << session->state()["statusMessage"].toString().toStdString();
    QThread::msleep(2000);
    const auto heard = session->recordedLeft(secondBefore, Services::second);
    EXPECT_GT(peakOf(heard), 0.05f) << "nothing arrived on the chosen sink";
    const Match match =
        findInside(heard, session->sourceLeft(kRate * 15 / 100, kRate * 15 / 100 + kRate / 2));
    EXPECT_GT(match.correlation, 0.98) << "the chosen sink did not get the file's start";
    EXPECT_LT(peakOf(session->recordedLeft(firstBefore, Services::first)), 1e-4f)
        << "the default sink got sound too";
}

TEST_F(EndToEnd, Step9_LosingTheOutputStopsWithAMessageAndTheDefaultPlaysOn) {
    ASSERT_TRUE(isPlaying(session->state()));
    QElapsedTimer clock;
    ASSERT_TRUE(session->services.removeSecondSink());
    clock.start();
    QJsonObject stopped;
    ASSERT_TRUE(session->waitFor(
        [&stopped](const QJsonObject& s) {
            stopped = s;
            return !isPlaying(s);
        },
        5000))
        << "playback did not stop when its output went away";
    // The state file is written 50 ms after a change at most.
    EXPECT_LT(clock.elapsed(), 1000 + 100);
    EXPECT_TRUE(stopped["errorMessage"].toString().startsWith("Audio output was lost: "))
        << stopped["statusMessage"].toString().toStdString();
    // The playhead stays where the sound stopped.
    const double stoppedAt = stopped["currentTime"].toDouble();
    EXPECT_GT(stoppedAt, 1.0);
    QThread::msleep(500);
    EXPECT_DOUBLE_EQ(session->state()["currentTime"].toDouble(), stoppedAt);

    // The window still answers: the alert takes Return, then Space plays on the default sink.
    QString alert;
    ASSERT_EQ(session->services.run("xdotool", {"search", "--onlyvisible", "--name", "Could not open file"},
                                    &alert),
              0)
        << "no alert window";
    session->press("Return", alert.trimmed().split('\n').last());
    ASSERT_TRUE(session->waitFor([](const QJsonObject& s) { return s["errorMessage"].isNull(); }, 5000));
    const int64_t before = session->services.recordedFrames(Services::first);
    session->press("space");
    ASSERT_TRUE(session->waitFor(isPlaying, 5000));
    QThread::msleep(1500);
    EXPECT_GT(peakOf(session->recordedLeft(before, Services::first)), 0.05f)
        << "the default sink got no sound";
    EXPECT_TRUE(session->state()["outputNote"].toString().contains("not available"))
        << session->state()["statusMessage"].toString().toStdString();
}

TEST_F(EndToEnd, Step10_ChangingTheOutputWhilePlayingGoesOnFromTheSamePlace) {
    ASSERT_TRUE(isPlaying(session->state()));
    // From the start again, so the file does not end during the step.
    session->press("BackSpace");
    session->press("ctrl+comma");
    QString found;
    for (int i = 0; i < 50 && found.trimmed().isEmpty(); ++i) {
        session->services.run("xdotool", {"search", "--onlyvisible", "--name", "^Settings$"}, &found);
        QThread::msleep(100);
    }
    const QString settingsWindow = found.trimmed().split('\n').last();
    ASSERT_FALSE(settingsWindow.isEmpty()) << "the settings window did not open";
    // The device list is read off the GUI thread (the sound server may take up to a second).
    QThread::msleep(2000);

    // The popup lists System default, ALSA's devices, First and the missing Second: Up picks First.
    // It is the last row, above its "not connected" note and "Reset to Defaults": a click opens it,
    // Escape closes it and leaves the keyboard on it.
    QString geometry;
    session->services.run("xdotool", {"getwindowgeometry", "--shell", settingsWindow}, &geometry);
    const auto value = [&](const QString& key) {
        for (const QString& line : geometry.split('\n'))
            if (line.startsWith(key + "=")) return line.section('=', 1).toInt();
        return 0;
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
    const auto heard = session->recordedLeft(from, Services::first);
    ASSERT_GT(heard.size(), static_cast<size_t>(kRate / 2));
    const QJsonObject now = session->state();
    EXPECT_TRUE(isPlaying(now));
    const double after = now["currentTime"].toDouble();
    EXPECT_GT(after, before);
    const double fromSeconds = std::max(0.0, after - 2.0);
    const auto around =
        session->sourceLeft(std::llround(fromSeconds * kRate), std::llround((after + 0.5) * kRate));
    const Match match = findInside(around, std::vector<float>(heard.end() - kRate / 2, heard.end()));
    EXPECT_GT(match.correlation, 0.98) << "the new device does not play the file at the playhead";
    const double heardAt = fromSeconds + static_cast<double>(match.offset) / kRate;
    EXPECT_GT(heardAt, before) << "playback did not go on from " << before << " s";
    // The last half second heard ends at the playhead, less the output's latency.
    EXPECT_NEAR(heardAt + 0.5, after, 0.4);
    session->press("space");
    ASSERT_TRUE(session->waitFor([](const QJsonObject& s) { return !isPlaying(s); }, 5000));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
