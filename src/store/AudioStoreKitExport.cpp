#include "store/AudioStore.h"

#include "export/BaseName.h"
#include "platform/defaults/Bookmark.h"

#include <QFile>

#include <algorithm>

namespace barquill {

std::optional<SliceKitJob> AudioStore::sliceKitJob() const {
    if (!buffer_ || !info_ || buffer_->frameLength() == 0) return std::nullopt;
    const double sr = sampleRate();
    SliceKitJob job;
    job.buffer = buffer_;
    job.slicesPerBar = std::max(slicesPerBar_, 1);
    job.reversed = isReversed_;
    job.fadeSeconds = sliceFadeSeconds();
    job.bitDepth = exportBitDepthSetting();
    job.exportSampleRate = exportSampleRateSetting();
    job.stem = sanitizedBaseName(info_->fileName.toStdString());
    const std::vector<Bar> bars = effectiveBars();
    if (bars.empty()) {
        job.bars = {{{0, frameLength()}, std::nullopt}};
        return job;
    }
    if (analysis_) job.bpm = analysis_->bpm;
    // The loop's bars while looping, else the playhead's bar; each cut as slice export cuts it.
    const int count = static_cast<int>(bars.size());
    const int first = std::clamp(loopEnabled_ ? loopStartBar_ : barIndexAt(currentTime_), 0, count - 1);
    const int inLoop = loopEnabled_ ? std::min(loopBars_ < 2 ? 1 : loopBars_, count - first) : 1;
    for (int i = first; i < first + inLoop; ++i) {
        const Bar& bar = bars[static_cast<size_t>(i)];
        job.bars.push_back({barFrameRange(sr, bar.startTime, bar.duration), static_cast<int>(bar.index + 1)});
    }
    return job;
}

void AudioStore::exportSliceKit() {
    std::optional<SliceKitJob> job = sliceKitJob();
    if (!job) return;
    const std::optional<QString> folder = folderForExport();
    if (!folder) return;
    job->folder = std::filesystem::path(QFile::encodeName(*folder).toStdString());
    if (const auto failure = stretchKitJob(*job, matchTempo_)) {
        setErrorMessage(*failure);
        return;
    }
    const bool granted = startAccessingSecurityScopedResource(*folder);
    const SliceKitResult result = runSliceKit(*job);
    if (result.errorMessage)
        setErrorMessage(QString::fromStdString(*result.errorMessage));
    else
        flashExport(QString::fromStdString(sliceKitBanner(result, job->folder)));
    if (granted) stopAccessingSecurityScopedResource(*folder);
}

} // namespace barquill
