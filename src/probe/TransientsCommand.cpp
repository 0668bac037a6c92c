#include "buffer/ChannelMix.h"
#include "platform/decode/DecodeWithFallback.h"
#include "probe/ProbeCommand.h"
#include "transients/TransientExtractor.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

// barquill-probe transients FILE [--sensitivity S]: runs transient detection over a file the way the
// one-shot export does and prints the hits with the time each stage took.
namespace barquill::probe {
namespace {

void printJson(const QJsonObject& object) {
    std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
}

int fail(const std::string& message, int status) {
    printJson({{"error", QString::fromStdString(message)}});
    return status;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int transientsCommand(const std::vector<std::string>& args) {
    const std::string path = positional(args);
    const std::string sensitivityText = option(args, "--sensitivity", "50");
    char* end = nullptr;
    const double sensitivity = std::strtod(sensitivityText.c_str(), &end);
    if (path.empty() || end == sensitivityText.c_str() || *end != '\0' || !std::isfinite(sensitivity))
        return fail("usage: barquill-probe transients FILE [--sensitivity 0-100]", 2);

    auto clock = std::chrono::steady_clock::now();
    const DecodeResult decoded = decodeWithFallback(path);
    const double decodeSeconds = secondsSince(clock);
    if (!decoded.ok()) return fail(decoded.error ? decoded.error->description : "Could not decode.", 1);

    // The setting is held to 0…100 before it reaches the detector.
    const TransientExtractor extractor =
        TransientExtractor::forSensitivity(std::clamp(sensitivity, 0.0, 100.0));
    TransientStageSeconds stages;
    clock = std::chrono::steady_clock::now();
    const TransientOutcome outcome =
        extractor.detect(ChannelMix(*decoded.buffer), decoded.buffer->sampleRate(), &stages);
    const double detectSeconds = secondsSince(clock);
    if (const auto* error = std::get_if<TransientError>(&outcome)) return fail(error->description(), 1);

    const TransientAnalysis& analysis = std::get<TransientAnalysis>(outcome);
    QJsonArray hits;
    for (const TransientHit& hit : analysis.hits)
        hits.append(QJsonObject{{"startSample", static_cast<qint64>(hit.startSample)},
                                {"lengthSamples", static_cast<qint64>(hit.lengthSamples)},
                                {"kind", hit.kind == TransientHit::Kind::kick ? "kick" : "other"},
                                {"kickRatio", static_cast<double>(hit.kickRatio)}});
    const QJsonObject seconds{{"decode", decodeSeconds},
                              {"envelope", stages.envelope},
                              {"onsets", stages.onsets},
                              {"refinement", stages.refinement},
                              {"quietSearch", stages.quietSearch},
                              {"bandSplit", stages.bandSplit},
                              {"hits", stages.hits},
                              {"detect", detectSeconds}};
    printJson({{"hits", hits},
               {"gatedOut", static_cast<qint64>(analysis.gatedOut)},
               {"quietFound", analysis.quietFound},
               {"detectionQuantile", extractor.detectionQuantile},
               {"sampleRate", decoded.buffer->sampleRate()},
               {"seconds", seconds}});
    return 0;
}

const CommandRegistrar reg("transients", transientsCommand);

} // namespace
} // namespace barquill::probe
