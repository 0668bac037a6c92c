#include "store/AudioStore.h"

#include "stretch/LoopStretch.h"

#include <algorithm>

namespace barquill {

namespace {
const char* const kMirrorFailed = "Reverse failed: could not allocate the mirror buffer.";
}

std::optional<int64_t> AudioStore::playerSampleTime() const {
    if (!isPlaying_ || isPreviewing_) return std::nullopt;
    const auto rendered = engine_->renderedSampleTime();
    if (!rendered) return std::nullopt;
    return std::max<int64_t>(0, *rendered);
}

Frame AudioStore::currentFrame() const {
    const auto rendered = playerSampleTime();
    if (!buffer_ || !rendered) return pausedFrame_;
    const int64_t t = *rendered;
    if (!looping_ || loopFrames_ < 1) {
        if (isReversed_) return std::max<Frame>(0, playStartFrame_ - t);
        return std::min<Frame>(playStartFrame_ + t, frameLength());
    }
    // Where the sound is in the scheduled pass, then the same place in the loop as cut.
    const Frame pass = std::max<Frame>(passFrames_, 1);
    const Frame inPass = t < loopTailFrames_ ? passStartOffset_ + t : (t - loopTailFrames_) % pass;
    const Frame offset = pass == loopFrames_ ? inPass : mapLoopOffset(inPass, pass, loopFrames_);
    return isReversed_ ? (loopStartFrame_ + loopFrames_ - 1) - offset : loopStartFrame_ + offset;
}

void AudioStore::clockTick() {
    if (!buffer_ || !isPlaying_ || isPreviewing_) return;
    const Frame f = currentFrame();
    setCurrentTime(static_cast<double>(f) / sampleRate());
    if (looping_) {
        const auto rendered = playerSampleTime();
        if (passFrames_ > 0 && rendered && *rendered >= loopTailFrames_) {
            const int64_t pass = (*rendered - loopTailFrames_) / passFrames_;
            if (pass != lastLoopPass_) {
                lastLoopPass_ = pass;
                if (passSwitchPending_) switchLoopPass();
                playAnchorFrame_ = isReversed_ ? loopStartFrame_ + loopFrames_ - 1 : loopStartFrame_;
            }
        }
        return;
    }
    if (isReversed_ ? f < 1 : f >= frameLength()) stop();
}

bool AudioStore::scheduleReversedFrom(Frame p) {
    PCMBufferPtr mirror = mirrorBuffer();
    if (!mirror) {
        setErrorMessage(QString::fromUtf8(kMirrorFailed));
        return false;
    }
    // Mirror frame (n-1)-p is forward frame p; from there to the mirror's end runs towards 0.
    const Frame mirrorStart = std::clamp<Frame>((frameLength() - 1) - p, 0, frameLength());
    engine_->scheduleRange(BufferRange::from(std::move(mirror), static_cast<uint32_t>(mirrorStart)));
    playStartFrame_ = std::min<Frame>(std::max<Frame>(p, 0), std::max<Frame>(frameLength() - 1, 0));
    return true;
}

void AudioStore::scheduleForwardFrom(Frame f) {
    const Frame start = std::clamp<Frame>(f, 0, frameLength());
    engine_->scheduleRange(BufferRange::from(buffer_, static_cast<uint32_t>(start)));
    playStartFrame_ = f;
}

void AudioStore::play() {
    if (!buffer_) return;
    if (isPreviewing_) {
        ++previewGen_;
        endPreview();
    }

    // Follow the playhead when it is outside a zoomed-in window.
    if (viewLength_ > 0 && viewLength_ < duration_) {
        const double fraction = fractionOfTime(currentTime_);
        if (fraction < 0 || fraction > 1) {
            setViewStart(std::min(std::max(0.0, currentTime_ - 0.5 * viewLength_), duration_ - viewLength_));
            recomputePeaks();
        }
    }

    if (!engine_->isRunning()) {
        if (const auto failure = engine_->start()) {
            setErrorMessage(QString::fromStdString(*failure));
            return;
        }
    }
    engine_->stopPlayer();

    const Frame n = frameLength();
    if (loopEnabled_ && ((loopFrames_ > 0 && loopPlay_.buffer) || (buildLoopRange() && loopFrames_ > 0))) {
        looping_ = true;
        const Frame offset =
            pausedFrame_ > loopStartFrame_ ? std::min(pausedFrame_ - loopStartFrame_, loopFrames_ - 1) : 0;
        scheduleLoop(offset);
    } else {
        looping_ = false;
        if (loopEnabled_) setLoopEnabledField(false);
        if (!isReversed_) {
            // At or past the end, playback starts over from the beginning.
            if (pausedFrame_ >= n) pausedFrame_ = 0;
            scheduleForwardFrom(pausedFrame_);
        } else {
            // A reversed play from the start begins at the end.
            const Frame p = pausedFrame_ < 1 ? n - 1 : pausedFrame_;
            if (!scheduleReversedFrom(p)) {
                setIsPlaying(false);
                return;
            }
        }
    }

    engine_->setOutputLevel(volume_);
    playAnchorFrame_ = playStartFrame_;
    if (!looping_) lastLoopPass_ = -1;
    engine_->play();
    setIsPlaying(true);
}

void AudioStore::pause() {
    if (isPreviewing_) {
        ++previewGen_;
        endPreview();
        return;
    }
    if (!buffer_) {
        engine_->pause();
        setIsPlaying(false);
        return;
    }
    const Frame f = currentFrame();
    engine_->pause();
    setIsPlaying(false);
    setCurrentTime(static_cast<double>(f) / sampleRate());
    // The playhead stays where the sound stopped; the next play starts again from the anchor.
    pausedFrame_ = std::clamp<Frame>(playAnchorFrame_, 0, frameLength());
}

void AudioStore::pauseInPlace() {
    pausedFrame_ = currentFrame();
    engine_->pause();
    setIsPlaying(false);
    setCurrentTime(static_cast<double>(pausedFrame_) / sampleRate());
}

void AudioStore::stop() {
    if (isPreviewing_) {
        ++previewGen_;
        endPreview();
    }
    engine_->stopPlayer();
    setIsPlaying(false);
    looping_ = false;
    pausedFrame_ = 0;
    playAnchorFrame_ = 0;
    setCurrentTime(0);
}

void AudioStore::togglePlay() {
    if (isPlaying_)
        pause();
    else
        play();
}

void AudioStore::goToStart() {
    const bool wasPlaying = isPlaying_;
    stop();
    if (wasPlaying) play();
}

void AudioStore::seek(double seconds, bool exact) {
    if (!buffer_) return;
    if (isPreviewing_) {
        ++previewGen_;
        endPreview();
    }
    double t = std::clamp(seconds, 0.0, duration_);
    if (!exact && snapToBarSetting()) {
        if (const auto downbeat = nearestDownbeat(t)) t = *downbeat;
    }
    const double sr = sampleRate();
    const bool wasPlaying = isPlaying_;
    engine_->stopPlayer();

    if (loopEnabled_ && loopFrames_ > 0) {
        bool loopInPlace = true;
        if (!effectiveBars().empty()) {
            const int bar = barIndexAt(t);
            if (bar != loopStartBar_) {
                loopStartBar_ = bar;
                if (!buildLoopRange()) {
                    setLoopEnabledField(false);
                    loopInPlace = false;
                }
            }
        }
        if (loopInPlace) {
            const Frame frame = std::clamp<Frame>(static_cast<Frame>(sr * t), loopStartFrame_,
                                                  loopStartFrame_ + loopFrames_ - 1);
            pausedFrame_ = frame;
            setCurrentTime(static_cast<double>(frame) / sr);
            if (wasPlaying) {
                looping_ = true;
                scheduleLoop(frame - loopStartFrame_);
                engine_->play();
            }
            return;
        }
    }

    const Frame f = static_cast<Frame>(sr * t);
    pausedFrame_ = f;
    setCurrentTime(t);
    looping_ = false;
    if (!wasPlaying) return;
    // Without a mirror (its message is shown) playback goes on forwards.
    if (!isReversed_ || !scheduleReversedFrom(f)) scheduleForwardFrom(f);
    playAnchorFrame_ = playStartFrame_;
    lastLoopPass_ = -1;
    engine_->play();
}

} // namespace barquill
