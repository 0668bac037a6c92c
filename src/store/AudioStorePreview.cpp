#include "store/AudioStore.h"

#include "buffer/BufferOps.h"
#include "export/FrameMath.h"
#include "export/PreviewBuffer.h"
#include "settings/AppSettings.h"
#include "store/JobDelivery.h"
#include "stretch/LoopStretch.h"

#include <QtConcurrent/QtConcurrentRun>

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

    if (matchTempo_ > 0) {
        // At a target tempo the bar is stretched first, on a worker: the preview starts when it is
        // ready, unless another press, a play or a new file came first. A bar the stretcher cannot
        // take is previewed as cut.
        const int64_t generation = ++previewGen_;
        const BufferRange barRange{buffer_,
                                   static_cast<uint32_t>(std::clamp<int64_t>(startFrame, 0, frameLength())),
                                   static_cast<uint32_t>(std::clamp<int64_t>(frameCount, 0, frameLength()))};
        auto job = QtConcurrent::run([barRange, target = matchTempo_, slices, reversed = isReversed_,
                                      gapSeconds, fadeSeconds]() -> PCMBufferPtr {
            try {
                const PCMBufferPtr audio =
                    copyFrames(*barRange.buffer, barRange.startFrame, barRange.playableFrames());
                if (!audio) return nullptr;
                StretchOutcome stretched = stretchLoopToTempo(RubberBandTimeStretcher{}, *audio, 1, target);
                const PCMBufferPtr* bar = std::get_if<PCMBufferPtr>(&stretched);
                const PCMBuffer& source = bar && *bar ? **bar : *audio;
                return buildPreviewBuffer(source, 0, source.frameLength(), slices, reversed, gapSeconds,
                                          fadeSeconds);
            } catch (const std::exception&) {
                return nullptr;
            }
        });
        deliverResult(std::move(job), this,
                      [generation, source = buffer_, startFrame,
                       barStart = bar.startTime](AudioStore& store, PCMBufferPtr preview) {
                          if (generation != store.previewGen_ || store.buffer_ != source ||
                              store.isPlaying_ || !preview)
                              return;
                          store.playPreview(std::move(preview), startFrame, barStart);
                      });
        return;
    }

    PCMBufferPtr preview =
        buildPreviewBuffer(*buffer_, startFrame, frameCount, slices, isReversed_, gapSeconds, fadeSeconds);
    if (!preview) return;
    playPreview(std::move(preview), startFrame, bar.startTime);
}

void AudioStore::playPreview(PCMBufferPtr preview, int64_t startFrame, double barStartSeconds) {
    previewReturnFrame_ = currentFrame();
    previewReturnTime_ = currentTime_;
    const int64_t generation = ++previewGen_;

    engine_->stopPlayer();
    setIsPreviewing(true);
    // The playhead waits at the bar's start; the clock does not move it during a preview.
    pausedFrame_ = startFrame;
    setCurrentTime(barStartSeconds);

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
