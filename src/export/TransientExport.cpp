#include "export/TransientExport.h"

#include "buffer/BufferOps.h"
#include "buffer/ChannelMix.h"
#include "export/ExportSet.h"
#include "export/Fades.h"
#include "export/KitSound.h"
#include "export/Resample.h"
#include "export/SfzWriter.h"
#include "export/SliceExport.h"
#include "export/SoundFontWriter.h"
#include "export/WAVSettings.h"
#include "export/WAVWriter.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace barquill {

std::string transientFileName(const std::string& stem, int64_t position, int64_t count) {
    const int width = std::max<int>(2, static_cast<int>(std::to_string(count).size()));
    char middle[96];
    std::snprintf(middle, sizeof middle, "_transient%0*lldof%0*lld.wav", width,
                  static_cast<long long>(position), width, static_cast<long long>(count));
    return stem + middle;
}

TransientExportOutcome writeTransientOneShots(const TransientExportJob& job,
                                              const TransientAnalysis& analysis) {
    TransientExportOutcome outcome;
    outcome.gatedOut = analysis.gatedOut;
    outcome.quietFound = analysis.quietFound;
    std::vector<const TransientHit*> kept;
    for (const auto& hit : analysis.hits)
        if (hit.kind == TransientHit::Kind::other) kept.push_back(&hit);
    outcome.nonKickHits = static_cast<int64_t>(kept.size());
    outcome.kicks = static_cast<int64_t>(analysis.hits.size()) - outcome.nonKickHits;
    if (!job.source) return outcome;

    const PCMBuffer& source = *job.source;
    const int64_t n = source.frameLength();
    const WAVSettings settings = makeWAVSettings(job.bitDepth, source.channelCount(),
                                                 bufferFormatSettings(source.format()), job.exportSampleRate);
    ExportSet set(job.folder);
    auto fail = [&outcome](const std::string& reason) {
        outcome.written = 0;
        outcome.failure = ExportSet::failureMessage("Transient export failed", reason);
        return outcome;
    };
    if (set.error()) return fail(*set.error());
    std::vector<KitSound> kit;
    for (int64_t j = 1; j <= outcome.nonKickHits; ++j) {
        const TransientHit& hit = *kept[static_cast<size_t>(j - 1)];
        const int64_t s = std::max<int64_t>(0, hit.startSample);
        const int64_t e = std::min(s + hit.lengthSamples, n);
        if (s >= e || s >= n) continue;
        auto copy = copyFrames(source, s, e - s);
        if (!copy) continue;
        applyFades(*copy, 0, job.fadeSeconds);
        auto converted = resampleBuffer(copy, job.exportSampleRate);
        if (!converted) return fail("sample-rate conversion failed.");
        const std::string name = transientFileName(job.stem, j, outcome.nonKickHits);
        const auto key = static_cast<int64_t>(kit.size());
        const WAVMetadata metadata =
            sliceMetadata(name, key, converted->frameLength(), converted->sampleRate(), 0);
        if (auto error = writeWAVFile(*converted, set.stagedPath(name), settings, metadata))
            return fail(*error);
        if (key < kitMaxSounds) kit.push_back({name, converted, kitFirstKey + static_cast<int>(key)});
        ++outcome.written;
    }
    // The one-shots as a drum kit, one key each from C1 (as many as there are keys).
    if (!kit.empty()) {
        const std::string kitName = job.stem + "_transients";
        if (auto error = ExportSet::writeFile(set.stagedPath(kitName + ".sfz"), sfzText(kitName, kit)))
            return fail(*error);
        if (auto error = ExportSet::writeFile(set.stagedPath(kitName + ".sf2"),
                                              soundFontBytes(kitName, kit, job.bitDepth != 16)))
            return fail(*error);
    }
    if (auto error = set.commit()) return fail(*error);
    return outcome;
}

TransientExportOutcome runTransientExport(const TransientExportJob& job) {
    TransientExportOutcome outcome;
    if (!job.source || job.source->channelCount() == 0 || !(job.source->sampleRate() > 0)) {
        outcome.failure = "Transient export failed: format error.";
        return outcome;
    }
    TransientOutcome detected;
    try {
        // The channels' mean is read as the detection goes: no mono copy of the whole file.
        detected = job.extractor.detect(ChannelMix(*job.source), job.source->sampleRate());
    } catch (const std::bad_alloc&) {
        outcome.failure = "Transient export failed: not enough memory.";
        return outcome;
    }
    if (const auto* error = std::get_if<TransientError>(&detected)) {
        outcome.failure = "Transient detection failed: " + error->description();
        return outcome;
    }
    return writeTransientOneShots(job, std::get<TransientAnalysis>(detected));
}

ExportReport transientExportReport(const TransientExportOutcome& outcome,
                                   const std::filesystem::path& folder) {
    if (outcome.failure) return {true, *outcome.failure};
    if (!outcome.quietFound) return {false, "No quiet sections found — nothing exported"};
    if (outcome.nonKickHits == 0)
        return {false, "No non-kick transients in quiet sections (" + std::to_string(outcome.kicks) +
                           " kicks skipped)"};
    return {false, "Exported " + std::to_string(outcome.written) + " transients (" +
                       std::to_string(outcome.kicks) + " kicks + " + std::to_string(outcome.gatedOut) +
                       " loud hits skipped) → " + folderDisplayName(folder)};
}

} // namespace barquill
