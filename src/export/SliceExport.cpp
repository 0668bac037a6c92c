#include "export/SliceExport.h"

#include "buffer/BufferOps.h"
#include "export/ExportSet.h"
#include "export/Fades.h"
#include "export/FrameMath.h"
#include "export/Resample.h"
#include "export/WAVSettings.h"
#include "export/WAVWriter.h"

#include <algorithm>
#include <cstdio>

namespace barquill {

FrameRange barFrameRange(double sampleRate, double startTimeSeconds, double durationSeconds) {
    const int64_t start = std::max<int64_t>(framesForSeconds(sampleRate, startTimeSeconds), 0);
    const int64_t length = framesForSeconds(sampleRate, durationSeconds);
    return {start, start + length};
}

FrameRange sliceRange(int64_t start, int64_t length, int64_t k, int slices) {
    // 128-bit products: k × length must not overflow for any slice count.
    const __int128 n = std::max(slices, 1);
    return {start + static_cast<int64_t>(k * static_cast<__int128>(length) / n),
            start + static_cast<int64_t>((k + 1) * static_cast<__int128>(length) / n)};
}

std::vector<FrameRange> sliceRanges(int64_t start, int64_t length, int slices) {
    const int n = std::max(slices, 1);
    std::vector<FrameRange> ranges;
    ranges.reserve(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k)
        ranges.push_back(sliceRange(start, length, k, n));
    return ranges;
}

std::string sliceFileName(const std::string& stem, std::optional<int> barNumber, int sliceNumber,
                          int sliceCount, bool reversed) {
    char middle[64];
    if (barNumber)
        std::snprintf(middle, sizeof middle, "_bar%02d_slice%02dof%02d", *barNumber, sliceNumber, sliceCount);
    else
        std::snprintf(middle, sizeof middle, "_slice%02dof%02d", sliceNumber, sliceCount);
    return stem + middle + (reversed ? "_rev" : "") + ".wav";
}

WAVMetadata sliceMetadata(const std::string& fileName, int64_t k, int64_t frames, double rate, double bpm) {
    WAVMetadata metadata;
    metadata.title = fileName.substr(0, fileName.rfind('.'));
    metadata.unityNote = static_cast<int>(std::min<int64_t>(36 + k, 127));
    metadata.bpm = bpm;
    metadata.beats = beatsIn(static_cast<double>(frames) / rate, bpm);
    return metadata;
}

SliceExportResult runSliceExport(const SliceExportJob& job) {
    SliceExportResult result;
    if (!job.buffer) return result;
    const PCMBuffer& buffer = *job.buffer;
    const int slices = std::max(job.slices, 1);
    const WAVSettings settings = makeWAVSettings(job.bitDepth, buffer.channelCount(),
                                                 bufferFormatSettings(buffer.format()), job.exportSampleRate);
    const int64_t total = buffer.frameLength();

    // A bar nudged partly before the file starts at frame 0 with its length kept.
    const int64_t start = std::max<int64_t>(job.startFrame, 0);
    const int64_t length = job.frameCount;
    if (length <= 0) return result; // every slice is empty
    ExportSet set(job.folder);
    auto fail = [&result](const std::string& reason) {
        result.written = 0;
        result.errorMessage = ExportSet::failureMessage("Export failed", reason);
        return result;
    };
    if (set.error()) return fail(*set.error());
    for (int64_t k = 0; k < slices; ++k) {
        const FrameRange range = sliceRange(start, length, k, slices);
        // Slices run forward, so once one starts past the end so do all that follow.
        if (range.start >= total) break;
        if (range.start >= range.end) {
            // More slices than frames: jump to the last empty slice before the next frame begins one.
            const __int128 next =
                ((range.start - start + 1) * static_cast<__int128>(slices) + length - 1) / length;
            k = std::max<int64_t>(k, static_cast<int64_t>(next) - 2);
            continue;
        }
        const int64_t n = std::min(range.length(), total - range.start);
        auto copy = copyFrames(buffer, range.start, n);
        if (!copy) continue;
        if (job.reversed) reverseInPlace(*copy);
        applyFades(*copy, job.fadeSeconds, job.fadeSeconds);
        auto converted = resampleBuffer(copy, job.exportSampleRate);
        if (!converted) return fail("sample-rate conversion failed.");
        const std::string name =
            sliceFileName(job.stem, job.barNumber, static_cast<int>(k + 1), slices, job.reversed);
        const WAVMetadata metadata =
            sliceMetadata(name, k, converted->frameLength(), converted->sampleRate(), job.bpm);
        if (auto error = writeWAVFile(*converted, set.stagedPath(name), settings, metadata))
            return fail(*error);
        ++result.written;
    }
    if (auto error = set.commit()) return fail(*error);
    return result;
}

std::string folderDisplayName(const std::filesystem::path& folder) {
    std::filesystem::path p = folder;
    while (p.has_relative_path() && p.filename().empty())
        p = p.parent_path();
    const std::string name = p.filename().string();
    return name.empty() ? p.string() : name;
}

std::string sliceExportBanner(int written, bool wholeFile, bool reversed,
                              const std::filesystem::path& folder) {
    std::string text = "Exported " + std::to_string(written) + " slices";
    if (wholeFile) text += " (whole file)";
    if (reversed) text += " (reversed)";
    return text + " → " + folderDisplayName(folder);
}

} // namespace barquill
