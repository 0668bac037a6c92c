#include "export/WAVWriter.h"
#include "probe/ProbeCommand.h"
#include "probe/ProbeDocument.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

// barquill-probe play FILE --out OUT.wav [--at SECONDS] [--loop BARS] [--reverse] [--seconds T]:
// drives the document on the offline backend the way the app does and writes what the player
// rendered.
namespace barquill::probe {
namespace {

constexpr uint32_t kBlockFrames = 512;

int fail(const QString& message) {
    printJson({{"error", message}});
    return 1;
}

int playCommand(const std::vector<std::string>& args) {
    const std::string file = positional(args);
    const std::string out = option(args, "--out");
    if (file.empty() || out.empty())
        return fail("usage: barquill-probe play FILE --out OUT.wav [--at SECONDS] [--loop BARS] [--reverse] "
                    "[--seconds T]");
    bool malformed = false;
    const auto at = numberOption(args, "--at", malformed);
    const auto loopBars = numberOption(args, "--loop", malformed);
    const auto seconds = numberOption(args, "--seconds", malformed);
    if (malformed || (seconds && *seconds < 0)) return fail("--at, --loop and --seconds take a number");

    ProbeDocument document;
    AudioStore& store = document.store();
    OfflineAudioEngine& engine = document.engine();
    if (const auto failure = document.open(file)) return fail(*failure);

    if (at) store.seek(*at, true);
    if (loopBars) {
        store.setLoopBars(static_cast<int>(*loopBars));
        store.setLoopEnabled(true);
    }
    if (flag(args, "--reverse")) {
        if (const auto failure = document.reverse()) return fail(*failure);
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
