#include "store/AudioStore.h"

#include "export/FrameMath.h"
#include "export/PreviewBuffer.h"
#include "settings/AppSettings.h"

#include <algorithm>

namespace barquill {

void AudioStore::togglePreview() {
    if (!isPreviewing_) {
        startPreview();
        return;
    }
    ++previewGen_;
    endPreview();
}

void AudioStore::startPreview() {
    if (!buffer_) return;
    const std::vector<Bar> bars = effectiveBars();
    // There is no whole-file preview.
    if (bars.empty()) return;
    if (isPreviewing_) {
        ++previewGen_;
        endPreview();
    }

    const double r = buffer_->sampleRate();
    const int i = std::clamp(barIndexAt(currentTime_), 0, static_cast<int>(bars.size()) - 1);
    const Bar& bar = bars[static_cast<size_t>(i)];
    const int64_t startFrame = framesForSeconds(r, bar.startTime);
    const int64_t frameCount = framesForSeconds(r, bar.duration);
    const int slices = std::max(slicesPerBar_, 1);
    const double gapSeconds =
        (settings_ ? settings_->previewGapMs() : AppSettings::defaultPreviewGapMs) / 1000.0;
    const double fadeSeconds = sliceFadeSeconds();

    PCMBufferPtr preview =
        buildPreviewBuffer(*buffer_, startFrame, frameCount, slices, isReversed_, gapSeconds, fadeSeconds);
    if (!preview) return;

    previewReturnFrame_ = currentFrame();
    previewReturnTime_ = currentTime_;
    const int64_t generation = ++previewGen_;

    engine_->stopPlayer();
    setIsPreviewing(true);
    // The playhead waits at the bar's start; the clock does not move it during a preview.
    pausedFrame_ = startFrame;
    setCurrentTime(bar.startTime);

    if (!engine_->isRunning()) {
        if (const auto failure = engine_->start()) {
            setErrorMessage(QString::fromStdString(*failure));
            endPreview();
            return;
        }
    }

    // The engine delivers completions on the GUI thread; the store may be gone by then, and a stop
    // reports the dropped buffer as finished too, so only the current preview's report ends it.
    QPointer<AudioStore> self(this);
    engine_->scheduleOnce(std::move(preview), [self, generation] {
        if (self && self->previewGen_ == generation && self->isPreviewing_) self->endPreview();
    });
    engine_->setOutputLevel(volume_);
    engine_->play();
    setIsPlaying(true);
}

void AudioStore::endPreview() {
    setIsPreviewing(false);
    engine_->stopPlayer();
    pausedFrame_ = previewReturnFrame_;
    setCurrentTime(previewReturnTime_);
    setIsPlaying(false);
}

double AudioStore::sliceFadeSeconds() const {
    return (settings_ ? settings_->sliceFadeMs() : AppSettings::defaultSliceFadeMs) / 1000.0;
}

} // namespace barquill
