#include "store/AudioStore.h"

#include "stretch/LoopStretch.h"

#include <algorithm>

namespace barquill {

namespace {
// Bar times become frames truncated towards zero.
Frame frameOfBarTime(double seconds, double sr) {
    return static_cast<Frame>(seconds * sr);
}
} // namespace

bool AudioStore::buildLoopRange() {
    const Frame n = frameLength();
    if (!buffer_ || n == 0) return false;
    const double sr = sampleRate();
    const std::vector<Bar> bars = effectiveBars();

    Frame start = 0, end = n;
    if (bars.empty()) {
        loopStartBar_ = 0;
        loopBarCount_ = 0;
    } else {
        const int count = static_cast<int>(bars.size());
        loopStartBar_ = std::clamp(loopStartBar_, 0, count - 1);
        const int barsInLoop = std::min(loopBars_ < 2 ? 1 : loopBars_, count - loopStartBar_);
        start = std::clamp<Frame>(frameOfBarTime(bars[loopStartBar_].startTime, sr), 0, n);
        const Bar& last = bars[loopStartBar_ + barsInLoop - 1];
        end = std::min(std::max(frameOfBarTime(last.startTime + last.duration, sr), start + 1), n);
        if (end <= start) return false;
        loopBarCount_ = barsInLoop;
    }

    // Reversed, the loop is the mirror's range of the same frames: frame i of the mirror is
    // frame n-1-i of the buffer, so [start, end) becomes [n-end, n-start).
    BufferRange range;
    if (isReversed_) {
        PCMBufferPtr mirror = mirrorBuffer();
        if (!mirror) return false;
        range = {std::move(mirror), static_cast<uint32_t>(n - end), static_cast<uint32_t>(end - start)};
    } else {
        range = {buffer_, static_cast<uint32_t>(start), static_cast<uint32_t>(end - start)};
    }
    loopStartFrame_ = start;
    loopFrames_ = end - start;
    loopPlay_ = std::move(range);
    requestStretchedLoop();
    return true;
}

void AudioStore::scheduleLoop(Frame fromOffset) {
    if (!loopPlay_.buffer || loopFrames_ < 1) return;
    // The offset counts into the loop as played: from the loop's end when reversed.
    const Frame offset = std::clamp<Frame>(fromOffset, 0, loopFrames_ - 1);
    const Frame startFrame =
        isReversed_ ? loopStartFrame_ + loopFrames_ - 1 - offset : loopStartFrame_ + offset;
    playStartFrame_ = startFrame;
    playAnchorFrame_ = startFrame;
    lastLoopPass_ = -1;
    passSwitchPending_ = false;
    // At a target tempo the pass is the stretched loop, entered at the same musical position.
    const bool stretched = stretchedLoop_ && stretchedSource_ == loopPlay_;
    passRange_ = stretched ? BufferRange::whole(stretchedLoop_) : loopPlay_;
    passFrames_ = passRange_.playableFrames();
    passStartOffset_ = stretched ? mapLoopOffset(offset, loopFrames_, passFrames_) : offset;
    loopTailFrames_ = 0;
    if (passStartOffset_ > 0 && passStartOffset_ < passFrames_) {
        // The rest of the current pass once, then the whole loop over and over.
        const BufferRange tail{passRange_.buffer,
                               passRange_.startFrame + static_cast<uint32_t>(passStartOffset_),
                               static_cast<uint32_t>(passFrames_ - passStartOffset_)};
        loopTailFrames_ = tail.playableFrames();
        engine_->scheduleRange(tail);
    } else {
        passStartOffset_ = 0;
    }
    engine_->scheduleLoopingRange(passRange_);
}

std::optional<std::pair<double, double>> AudioStore::loopRange() const {
    if (!loopEnabled_ || loopFrames_ <= 0 || !buffer_) return std::nullopt;
    const double sr = sampleRate();
    return std::make_pair(static_cast<double>(loopStartFrame_) / sr,
                          static_cast<double>(loopStartFrame_ + loopFrames_) / sr);
}

void AudioStore::restartLoop() {
    engine_->stopPlayer();
    looping_ = true;
    scheduleLoop(0);
    engine_->play();
}

bool AudioStore::rebuildLoopWhilePaused() {
    if (!buildLoopRange()) {
        setLoopEnabledField(false);
        return false;
    }
    if (isPlaying_) {
        restartLoop();
        return false;
    }
    return true;
}

void AudioStore::refreshLoop(bool parkWhenPaused) {
    if (!rebuildLoopWhilePaused()) return;
    if (parkWhenPaused && (pausedFrame_ < loopStartFrame_ || pausedFrame_ >= loopStartFrame_ + loopFrames_)) {
        pausedFrame_ = loopStartFrame_;
        setCurrentTime(static_cast<double>(loopStartFrame_) / sampleRate());
    }
}

void AudioStore::setLoopEnabled(bool on) {
    if (isPreviewing_) {
        ++previewGen_;
        endPreview();
    }
    if (on == loopEnabled_) return;
    const double sr = sampleRate();

    if (!on) {
        // Playback goes on from where the sound is, in the current direction, without a gap.
        const Frame f = currentFrame();
        engine_->stopPlayer();
        looping_ = false;
        setLoopEnabledField(false);
        pausedFrame_ = f;
        if (!isPlaying_ || !buffer_) return;
        if (!isReversed_) {
            if (f >= frameLength()) {
                stop();
                return;
            }
            scheduleForwardFrom(f);
        } else if (!scheduleReversedFrom(f)) {
            setIsPlaying(false);
            return;
        }
        playAnchorFrame_ = playStartFrame_;
        lastLoopPass_ = -1;
        engine_->play();
        return;
    }

    if (!buffer_) return;
    // The loop starts at the bar where the next play would start: the clicked or sought bar.
    loopStartBar_ = barIndexAt(static_cast<double>(pausedFrame_) / sr);
    if (!buildLoopRange()) return;
    setLoopEnabledField(true);
    const Frame loopEnd = loopStartFrame_ + loopFrames_;
    if (pausedFrame_ < loopStartFrame_ || pausedFrame_ >= loopEnd) {
        pausedFrame_ = loopStartFrame_;
        setCurrentTime(static_cast<double>(loopStartFrame_) / sr);
    }
    if (!isPlaying_) {
        const double startSeconds = static_cast<double>(loopStartFrame_) / sr;
        const double endSeconds = static_cast<double>(loopEnd) / sr;
        if (currentTime_ < startSeconds || currentTime_ >= endSeconds)
            setCurrentTime(static_cast<double>(pausedFrame_) / sr);
        return;
    }
    restartLoop();
}

void AudioStore::setLoopBars(int bars) {
    if (isPreviewing_) {
        ++previewGen_;
        endPreview();
    }
    if (bars != 1 && bars != 2 && bars != 4 && bars != 8) bars = 1;
    if (bars == loopBars_) return;
    setLoopBarsField(bars);
    if (loopEnabled_) refreshLoop(true);
}

void AudioStore::moveLoop(int by) {
    if (!buffer_ || by == 0) return;
    const std::vector<Bar> bars = effectiveBars();
    if (bars.empty()) return;
    if (isPreviewing_) {
        ++previewGen_;
        endPreview();
    }
    const int count = static_cast<int>(bars.size());

    if (!loopEnabled_) {
        // Hop the playhead to the neighbouring bar; left from the first bar parks at 0.
        const int i = barIndexAt(currentTime_);
        const double target = (by < 0 && i < 1) ? 0.0 : bars[std::clamp(i + by, 0, count - 1)].startTime;
        seek(target, true);
        return;
    }

    const int wanted = loopStartBar_ + by;
    const bool parkAtZero = wanted < 0;
    loopStartBar_ = parkAtZero ? 0 : std::min(wanted, count - 1);
    if (!rebuildLoopWhilePaused()) return;
    pausedFrame_ = parkAtZero ? 0 : loopStartFrame_;
    setCurrentTime(static_cast<double>(pausedFrame_) / sampleRate());
}

} // namespace barquill
