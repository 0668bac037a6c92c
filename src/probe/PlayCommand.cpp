#include "export/WAVWriter.h"
#include "platform/audio/OfflineAudioEngine.h"
#include "platform/defaults/UserDefaults.h"
#include "probe/ProbeCommand.h"
#include "settings/AppSettings.h"
#include "store/AudioStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <functional>

// barquill-probe play FILE --out OUT.wav [--at SECONDS] [--loop BARS] [--reverse] [--seconds T]:
// drives the document on the offline backend the way the app does and writes what the player
// rendered.
namespace barquill::probe {
namespace {

constexpr uint32_t kBlockFrames = 512;

void printJson(const QJsonObject& object) {
    std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
}

int fail(const QString& message) {
    printJson({{"error", message}});
    return 1;
}

// Runs the event loop until `done` holds; false after a generous bound.
bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > 600000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

std::optional<double> number(const std::vector<std::string>& args, const std::string& name) {
    const std::string text = option(args, name);
    if (text.empty()) return std::nullopt;
    try {
        size_t used = 0;
        const double value = std::stod(text, &used);
        if (used == text.size() && std::isfinite(value)) return value;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

int playCommand(const std::vector<std::string>& args) {
    static int argc = 1;
    static char name[] = "barquill-probe";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("Barquill");

    const std::string file = positional(args);
    const std::string out = option(args, "--out");
    if (file.empty() || out.empty())
        return fail("usage: barquill-probe play FILE --out OUT.wav [--at SECONDS] [--loop BARS] [--reverse] "
                    "[--seconds T]");
    const auto at = number(args, "--at");
    const auto loopBars = number(args, "--loop");
    const auto seconds = number(args, "--seconds");
    if ((!option(args, "--at").empty() && !at) || (!option(args, "--loop").empty() && !loopBars) ||
        (!option(args, "--seconds").empty() && (!seconds || *seconds < 0)))
        return fail("--at, --loop and --seconds take a number");

    UserDefaults defaults;
    AppSettings settings(defaults);
    auto offline = std::make_unique<OfflineAudioEngine>();
    OfflineAudioEngine& engine = *offline;
    AudioStore store(&settings, nullptr, std::move(offline));

    store.open(QString::fromStdString(file));
    if (!waitFor([&] { return !store.isLoading() && !store.isAnalyzing(); }))
        return fail("timed out while loading");
    if (store.errorMessage()) return fail(*store.errorMessage());

    if (at) store.seek(*at, true);
    if (loopBars) {
        store.setLoopBars(static_cast<int>(*loopBars));
        store.setLoopEnabled(true);
    }
    if (flag(args, "--reverse")) {
        store.toggleReverse();
        if (!waitFor([&] { return !store.isReversing(); }))
            return fail("timed out while building the reverse mirror");
        if (store.errorMessage()) return fail(*store.errorMessage());
    }

    store.play();
    if (store.errorMessage()) return fail(*store.errorMessage());
    const double sr = store.buffer()->sampleRate();
    int64_t remaining = std::llround(seconds.value_or(5.0) * sr);
    while (remaining > 0) {
        const auto frames = static_cast<uint32_t>(std::min<int64_t>(remaining, kBlockFrames));
        engine.render(frames);
        store.clockTick();
        remaining -= frames;
    }

    const auto& captured = engine.captured();
    const auto channels = static_cast<uint32_t>(captured.size());
    const auto length = static_cast<uint32_t>(channels ? captured[0].size() : 0);
    PCMBufferPtr output =
        PCMBuffer::create(sr, std::max<uint32_t>(channels, 1), std::max<uint32_t>(length, 1));
    if (!output) return fail("could not allocate the output buffer");
    output->setFrameLength(length);
    for (uint32_t c = 0; c < channels; ++c)
        std::copy(captured[c].begin(), captured[c].end(), output->channel(c));
    const WAVSettings wav{sr, output->channelCount(), 32, true, false, false};
    if (const auto failure = writeWAVFile(*output, out, wav)) return fail(QString::fromStdString(*failure));

    QJsonValue range = QJsonValue::Null;
    if (const auto loop = store.loopRange()) range = QJsonArray{loop->first, loop->second};
    printJson({{"currentTime", store.currentTime()},
               {"loopRange", range},
               {"isReversed", store.isReversed()},
               {"isPlaying", store.isPlaying()},
               {"frames", static_cast<qint64>(length)},
               {"sampleRate", sr}});
    return 0;
}

CommandRegistrar reg("play", playCommand);

} // namespace
} // namespace barquill::probe
