#include "analysis/LocalDSPBeatAnalyzer.h"
#include "buffer/ChannelMix.h"
#include "platform/decode/DecodeWithFallback.h"
#include "probe/ProbeCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <cstdio>

// barquill-probe analyze FILE: decodes and runs the beat and bar analysis the way the
// document does, with the time each step took.
namespace barquill::probe {
namespace {

void printJson(const QJsonObject& object) {
    std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
}

int fail(const std::string& description) {
    printJson({{"error", QString::fromStdString(description)}});
    return 1;
}

QJsonArray toJson(const std::vector<double>& times) {
    QJsonArray array;
    for (double t : times)
        array.append(t);
    return array;
}

int analyzeCommand(const std::vector<std::string>& args) {
    const std::string path = positional(args);
    if (path.empty()) return fail("usage: barquill-probe analyze FILE");

    using Clock = std::chrono::steady_clock;
    auto seconds = [](Clock::time_point from) {
        return std::chrono::duration<double>(Clock::now() - from).count();
    };

    auto started = Clock::now();
    const DecodeResult decoded = decodeWithFallback(path);
    const double decodeSeconds = seconds(started);
    if (!decoded.ok()) return fail(decoded.error ? decoded.error->description : "Could not decode the file.");

    // The channels' mean is read as the analysis goes, as the document does: no mono copy.
    started = Clock::now();
    const AnalysisOutcome outcome =
        LocalDSPBeatAnalyzer{}.analyze(ChannelMix(*decoded.buffer), decoded.buffer->sampleRate());
    const double analysisSeconds = seconds(started);
    if (const auto* error = std::get_if<BeatBarAnalysisError>(&outcome)) return fail(error->description());

    const auto& analysis = std::get<BeatBarAnalysis>(outcome);
    QJsonArray bars;
    for (const Bar& bar : analysis.bars)
        bars.append(QJsonObject{{"index", static_cast<qint64>(bar.index)},
                                {"startTime", bar.startTime},
                                {"duration", bar.duration},
                                {"confidence", static_cast<double>(bar.confidence)}});
    printJson(
        {{"bpm", analysis.bpm},
         {"confidence", analysis.bars.empty() ? 0.0 : static_cast<double>(analysis.bars.front().confidence)},
         {"beats", toJson(analysis.beats)},
         {"downbeats", toJson(analysis.downbeats)},
         {"bars", bars},
         {"engineName", QString::fromStdString(analysis.engineName)},
         {"seconds", QJsonObject{{"decode", decodeSeconds}, {"analysis", analysisSeconds}}}});
    return 0;
}

const CommandRegistrar reg("analyze", analyzeCommand);

} // namespace
} // namespace barquill::probe
