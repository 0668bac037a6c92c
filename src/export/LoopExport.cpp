#include "export/LoopExport.h"

#include "buffer/BufferOps.h"
#include "export/ExportSet.h"
#include "export/Resample.h"
#include "export/WAVSettings.h"
#include "export/WAVWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace barquill {

PCMBufferPtr renderLoopAudio(const PCMBuffer& source, const LoopSpan& span) {
    const int64_t start = std::clamp<int64_t>(span.range.start, 0, source.frameLength());
    const int64_t end = std::clamp<int64_t>(span.range.end, start, source.frameLength());
    if (end <= start) return nullptr;
    PCMBufferPtr copy = copyFrames(source, start, end - start);
    if (copy && span.reversed) reverseInPlace(*copy);
    return copy;
}

std::string loopFileName(const std::string& stem, std::optional<std::pair<int, int>> bars, bool reversed) {
    char middle[64] = "";
    if (bars) std::snprintf(middle, sizeof middle, "_bar%02d-%02d", bars->first, bars->second);
    return stem + middle + "_loop" + (reversed ? "_rev" : "") + ".wav";
}

WAVMetadata loopMetadata(const LoopExportJob& job, int64_t frames, double rate, const std::string& title) {
    WAVMetadata metadata;
    metadata.title = title;
    metadata.unityNote = 60;
    metadata.loop = true;
    metadata.bpm = job.bpm;
    metadata.beats = beatsIn(static_cast<double>(frames) / rate, job.bpm);
    const FrameRange range = job.span.range;
    const double scale =
        static_cast<double>(frames) / static_cast<double>(std::max<int64_t>(range.length(), 1));
    for (int64_t beat : job.beatFrames) {
        if (beat < range.start || beat >= range.end) continue;
        const int64_t at = std::llround(static_cast<double>(beat - range.start) * scale);
        // A beat begins a stretch of sound; mirrored, that stretch ends there.
        if (!job.span.reversed)
            metadata.cueFrames.push_back(at);
        else if (at > 0)
            metadata.cueFrames.push_back(frames - at);
    }
    if (job.span.reversed && !job.beatFrames.empty()) metadata.cueFrames.push_back(0);
    std::sort(metadata.cueFrames.begin(), metadata.cueFrames.end());
    metadata.cueFrames.erase(std::unique(metadata.cueFrames.begin(), metadata.cueFrames.end()),
                             metadata.cueFrames.end());
    return metadata;
}

LoopExportResult runLoopExport(const LoopExportJob& job) {
    LoopExportResult result;
    auto fail = [&result](const std::string& reason) {
        result.errorMessage = ExportSet::failureMessage("Export failed", reason);
        return result;
    };
    if (!job.buffer || job.buffer->channelCount() == 0) return fail("there is no audio to export.");
    PCMBufferPtr audio = job.render ? job.render(*job.buffer, job.span) : nullptr;
    if (!audio || audio->frameLength() == 0) return fail("the loop lies outside the file.");
    PCMBufferPtr converted = resampleBuffer(audio, job.exportSampleRate);
    if (!converted) return fail("sample-rate conversion failed.");

    const std::string name = loopFileName(job.stem, job.bars, job.span.reversed);
    const WAVSettings settings = makeWAVSettings(job.bitDepth, converted->channelCount(),
                                                 bufferFormatSettings(audio->format()), job.exportSampleRate);
    const int64_t frames = converted->frameLength();
    const WAVMetadata metadata =
        loopMetadata(job, frames, converted->sampleRate(), name.substr(0, name.size() - 4));
    ExportSet set(job.folder);
    if (set.error()) return fail(*set.error());
    if (auto error = writeWAVFile(*converted, set.stagedPath(name), settings, metadata)) return fail(*error);
    if (auto error = set.commit()) return fail(*error);
    result.file = job.folder / name;
    result.frames = frames;
    result.beats = metadata.beats;
    return result;
}

std::string loopExportBanner(const LoopExportJob& job) {
    std::string text = "Exported loop";
    if (job.bars) {
        text += " (bar " + std::to_string(job.bars->first);
        if (job.bars->second != job.bars->first) text += "–" + std::to_string(job.bars->second);
        text += ")";
    } else {
        text += " (whole file)";
    }
    if (job.span.reversed) text += " (reversed)";
    return text + " → " + folderDisplayName(job.folder);
}

} // namespace barquill
