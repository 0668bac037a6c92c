#include "store/AudioStore.h"

#include "buffer/BufferOps.h"
#include "export/BaseName.h"
#include "export/SliceExport.h"
#include "platform/defaults/Bookmark.h"
#include "settings/AppSettings.h"

#include <QFile>

#include <algorithm>
#include <filesystem>

namespace barquill {

void AudioStore::flashExport(const QString& text) {
    const int64_t generation = ++exportFlashGen_;
    setExportFlash(text);
    // Bound to the store: a store that is gone cancels the wait. A newer banner keeps its full 5 s.
    QTimer::singleShot(5000, this, [this, generation] {
        if (exportFlashGen_ == generation) setExportFlash(std::nullopt);
    });
}

std::optional<QString> AudioStore::chooseExportFolder() {
    // Without a chooser (no GUI) there is nobody to ask.
    if (!folderChooser_) return std::nullopt;
    std::optional<QString> folder = folderChooser_();
    if (!folder) return std::nullopt;
    if (settings_) settings_->setExportFolder(*folder);
    return folder;
}

std::optional<QString> AudioStore::exportFolder() {
    if (settings_)
        if (auto stored = settings_->resolvedExportFolder()) return stored;
    return chooseExportFolder();
}

std::optional<QString> AudioStore::folderForExport() {
    // The preview stops before anything is written.
    if (isPreviewing_) {
        ++previewGen_;
        endPreview();
    }
    return exportFolder();
}

void AudioStore::exportSlices() {
    if (!buffer_ || !info_) return;
    const std::vector<Bar> bars = effectiveBars();
    const std::optional<QString> folder = folderForExport();
    if (!folder) return;

    SliceExportJob job;
    job.buffer = buffer_;
    const bool wholeFile = bars.empty();
    if (wholeFile) {
        job.startFrame = 0;
        job.frameCount = frameLength();
    } else {
        const int i = std::clamp(barIndexAt(currentTime_), 0, static_cast<int>(bars.size()) - 1);
        const Bar& bar = bars[static_cast<size_t>(i)];
        const FrameRange range = barFrameRange(buffer_->sampleRate(), bar.startTime, bar.duration);
        job.startFrame = range.start;
        job.frameCount = range.length();
        job.barNumber = static_cast<int>(bar.index + 1);
    }
    job.slices = std::max(slicesPerBar_, 1);
    job.reversed = isReversed_;
    job.fadeSeconds = sliceFadeSeconds();
    job.bitDepth = exportBitDepthSetting();
    job.exportSampleRate = exportSampleRateSetting();
    job.folder = std::filesystem::path(QFile::encodeName(*folder).toStdString());
    job.stem = sanitizedBaseName(info_->fileName.toStdString());
    if (analysis_) job.bpm = analysis_->bpm;

    if (matchTempo_ > 0 && !wholeFile) {
        // Slices are cut from the bar at the target, at their stretched boundaries.
        auto stretched =
            stretchForExport(copyFrames(*buffer_, job.startFrame, job.frameCount), 1, matchTempo_);
        if (auto* message = std::get_if<QString>(&stretched)) {
            setErrorMessage(*message);
            return;
        }
        job.buffer = std::get<PCMBufferPtr>(std::move(stretched));
        job.startFrame = 0;
        job.frameCount = job.buffer->frameLength();
        job.exportSampleRate = job.buffer->sampleRate();
    }

    const bool granted = startAccessingSecurityScopedResource(*folder);
    const SliceExportResult result = runSliceExport(job);
    if (result.errorMessage)
        setErrorMessage(QString::fromStdString(*result.errorMessage));
    else
        flashExport(
            QString::fromStdString(sliceExportBanner(result.written, wholeFile, job.reversed, job.folder)));
    if (granted) stopAccessingSecurityScopedResource(*folder);
}

} // namespace barquill
