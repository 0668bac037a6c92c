#include "export/SliceKit.h"

#include "buffer/BufferOps.h"
#include "export/ExportSet.h"
#include "export/Fades.h"
#include "export/KitSound.h"
#include "export/MidiPattern.h"
#include "export/Resample.h"
#include "export/SfzWriter.h"
#include "export/SoundFontWriter.h"
#include "export/WAVSettings.h"
#include "export/WAVWriter.h"

#include <algorithm>
#include <cstdio>

namespace barquill {

PCMBufferPtr renderKitSlice(const PCMBuffer& source, FrameRange slice, bool reversed, double fadeSeconds) {
    const int64_t start = std::clamp<int64_t>(slice.start, 0, source.frameLength());
    const int64_t end = std::clamp<int64_t>(slice.end, start, source.frameLength());
    if (end <= start) return nullptr;
    PCMBufferPtr copy = copyFrames(source, start, end - start);
    if (!copy) return nullptr;
    if (reversed) reverseInPlace(*copy);
    applyFades(*copy, fadeSeconds, fadeSeconds);
    return copy;
}

std::string kitName(const std::string& stem, const std::vector<KitBar>& bars, bool reversed) {
    char middle[64] = "";
    const bool numbered = !bars.empty() && bars.front().number && bars.back().number;
    if (numbered && bars.size() == 1)
        std::snprintf(middle, sizeof middle, "_bar%02d", *bars.front().number);
    else if (numbered)
        std::snprintf(middle, sizeof middle, "_bar%02d-%02d", *bars.front().number, *bars.back().number);
    return stem + middle + "_kit" + (reversed ? "_rev" : "");
}

SliceKitResult runSliceKit(const SliceKitJob& job) {
    SliceKitResult result;
    auto fail = [&result](const std::string& reason) {
        result = {};
        result.errorMessage = ExportSet::failureMessage("Kit export failed", reason);
        return result;
    };
    if (!job.buffer || job.buffer->channelCount() == 0 || !job.render)
        return fail("there is no audio to export.");
    const PCMBuffer& buffer = *job.buffer;
    const int slices = std::max(job.slicesPerBar, 1);
    if (job.bars.empty()) return fail("there is no bar to cut.");
    if (static_cast<int64_t>(job.bars.size()) * slices > kitMaxSounds)
        return fail("a kit holds at most " + std::to_string(kitMaxSounds) +
                    " slices (one key each from C1); " +
                    std::to_string(job.bars.size() * static_cast<size_t>(slices)) + " were asked for.");

    const WAVSettings settings = makeWAVSettings(job.bitDepth, buffer.channelCount(),
                                                 bufferFormatSettings(buffer.format()), job.exportSampleRate);
    const int64_t origin = job.bars.front().range.start;
    const int64_t span = job.bars.back().range.end - origin;
    const double rate = buffer.sampleRate();
    ExportSet set(job.folder);
    if (set.error()) return fail(*set.error());
    std::vector<KitSound> sounds;
    std::vector<PatternNote> notes;
    for (const KitBar& bar : job.bars) {
        const std::vector<FrameRange> ranges = sliceRanges(bar.range.start, bar.range.length(), slices);
        for (int k = 0; k < slices; ++k) {
            const FrameRange range = ranges[static_cast<size_t>(k)];
            if (range.start >= buffer.frameLength() || range.length() <= 0) continue;
            const int index = static_cast<int>(sounds.size());
            PCMBufferPtr audio = job.render(buffer, range, job.reversed, job.fadeSeconds);
            if (!audio) continue;
            PCMBufferPtr converted = resampleBuffer(audio, job.exportSampleRate);
            if (!converted) return fail("sample-rate conversion failed.");
            const std::string name = sliceFileName(job.stem, bar.number, k + 1, slices, job.reversed);
            const WAVMetadata metadata =
                sliceMetadata(name, index, converted->frameLength(), converted->sampleRate(), job.bpm);
            if (auto error = writeWAVFile(*converted, set.stagedPath(name), settings, metadata))
                return fail(*error);
            sounds.push_back({name, converted, kitFirstKey + index});
            result.slices.push_back(name);
            // Played back to front when reversed: the slice's mirrored place in the mirrored loop.
            const int64_t end = std::min<int64_t>(range.end, buffer.frameLength());
            const int64_t from = job.reversed ? origin + span - end : range.start;
            notes.push_back({kitFirstKey + index, static_cast<double>(from - origin) / rate,
                             static_cast<double>(end - range.start) / rate});
        }
    }
    if (sounds.empty()) return fail("the bar lies outside the file.");

    const std::string name = kitName(job.stem, job.bars, job.reversed);
    const std::pair<std::string, std::string> files[] = {
        {name + ".sfz", sfzText(name, sounds)},
        {name + ".sf2", soundFontBytes(name, sounds, job.bitDepth != 16)},
        {name + ".mid", midiPatternBytes(name, job.bpm, notes)}};
    for (const auto& [fileName, bytes] : files)
        if (auto error = ExportSet::writeFile(set.stagedPath(fileName), bytes)) return fail(*error);
    if (auto error = set.commit()) return fail(*error);
    result.sfz = job.folder / files[0].first;
    result.sf2 = job.folder / files[1].first;
    result.mid = job.folder / files[2].first;
    return result;
}

std::string sliceKitBanner(const SliceKitResult& result, const std::filesystem::path& folder) {
    return "Exported kit of " + std::to_string(result.slices.size()) + " slices (.sfz, .sf2, .mid) → " +
           folderDisplayName(folder);
}

} // namespace barquill
