#include "store/AudioStore.h"

#include "export/BaseName.h"
#include "platform/defaults/Bookmark.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

namespace barquill {

std::optional<LoopExportJob> AudioStore::loopExportJob() const {
    if (!buffer_ || !info_ || buffer_->frameLength() == 0) return std::nullopt;
    const double sr = sampleRate();
    const Frame n = frameLength();
    LoopExportJob job;
    job.buffer = buffer_;
    job.span.reversed = isReversed_;
    job.stem = sanitizedBaseName(info_->fileName.toStdString());
    job.bitDepth = exportBitDepthSetting();
    job.exportSampleRate = exportSampleRateSetting();
    const std::vector<Bar> bars = effectiveBars();
    if (bars.empty()) {
        job.span.range = {0, n};
        return job;
    }
    // The same bars and frames the transport loops: bar times truncated toward zero.
    const int count = static_cast<int>(bars.size());
    const int first = std::clamp(loopEnabled_ ? loopStartBar_ : barIndexAt(currentTime_), 0, count - 1);
    const int inLoop = std::min(loopBars_ < 2 ? 1 : loopBars_, count - first);
    const Bar& last = bars[static_cast<size_t>(first + inLoop - 1)];
    const Frame start =
        std::clamp<Frame>(static_cast<Frame>(bars[static_cast<size_t>(first)].startTime * sr), 0, n);
    const Frame end =
        std::min(std::max(static_cast<Frame>((last.startTime + last.duration) * sr), start + 1), n);
    job.span.range = {start, std::max(start, end)};
    job.bars = std::make_pair(static_cast<int>(bars[static_cast<size_t>(first)].index + 1),
                              static_cast<int>(last.index + 1));
    if (analysis_) job.bpm = analysis_->bpm;
    for (double beat : effectiveBeats())
        job.beatFrames.push_back(std::llround(beat * sr));
    return job;
}

void AudioStore::exportLoop() {
    std::optional<LoopExportJob> job = loopExportJob();
    if (!job) return;
    const std::optional<QString> folder = folderForExport();
    if (!folder) return;
    job->folder = std::filesystem::path(QFile::encodeName(*folder).toStdString());
    if (const auto failure = stretchLoopJob(*job, matchTempo_)) {
        setErrorMessage(*failure);
        return;
    }
    const bool granted = startAccessingSecurityScopedResource(*folder);
    const LoopExportResult result = runLoopExport(*job);
    if (result.errorMessage)
        setErrorMessage(QString::fromStdString(*result.errorMessage));
    else
        flashExport(QString::fromStdString(loopExportBanner(*job)));
    if (granted) stopAccessingSecurityScopedResource(*folder);
}

std::optional<QString> AudioStore::writeLoopForDrag() {
    std::optional<LoopExportJob> job = loopExportJob();
    if (!job) return std::nullopt;
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/drag");
    if (!QDir().mkpath(folder)) {
        setErrorMessage(
            QStringLiteral("Could not prepare the loop for dragging: the folder “%1” cannot be created.")
                .arg(folder));
        return std::nullopt;
    }
    job->folder = std::filesystem::path(QFile::encodeName(folder).toStdString());
    if (const auto failure = stretchLoopJob(*job, matchTempo_)) {
        setErrorMessage(*failure);
        return std::nullopt;
    }
    const LoopExportResult result = runLoopExport(*job);
    if (result.errorMessage) {
        setErrorMessage(QString::fromStdString(*result.errorMessage));
        return std::nullopt;
    }
    return QFile::decodeName(QByteArray::fromStdString(result.file.string()));
}

} // namespace barquill
