#include "store/AudioStore.h"

#include "buffer/BufferOps.h"
#include "stretch/LoopStretch.h"

#include <algorithm>

namespace barquill {

namespace {
// Bar times become frames truncated towards zero.
Frame frameOfBarTime(double seconds, double sr) {
    return static_cast<Frame>(seconds * sr);
}
} // namespace

bool AudioStore::buildLoopBuffer() {
    const Frame n = frameLength();
    if (!buffer_ || n == 0) return false;
    const double sr = sampleRate();
    const std::vector<Bar> bars = effectiveBars();

    if (bars.empty()) {
        PCMBufferPtr whole = copyFrames(*buffer_, 0, n);
        if (!whole || whole->frameLength() == 0) return false;
        if (isReversed_) reverseInPlace(*whole);
        loopStartBar_ = 0;
        loopBarCount_ = 0;
        loopStartFrame_ = 0;
        loopFrames_ = whole->frameLength();
        loopBuffer_ = std::move(whole);
        requestStretchedLoop();
        return true;
    }

    const int count = static_cast<int>(bars.size());
    loopStartBar_ = std::clamp(loopStartBar_, 0, count - 1);
    const int barsInLoop = std::min(loopBars_ < 2 ? 1 : loopBars_, count - loopStartBar_);

    const Frame start = std::clamp<Frame>(frameOfBarTime(bars[loopStartBar_].startTime, sr), 0, n);
    const Bar& last = bars[loopStartBar_ + barsInLoop - 1];
    Frame end = frameOfBarTime(last.startTime + last.duration, sr);
    end = std::min(std::max(end, start + 1), n);
    if (end <= start) return false;

    PCMBufferPtr loop = copyFrames(*buffer_, start, end - start);
    if (!loop || loop->frameLength() == 0) return false;
    if (isReversed_) reverseInPlace(*loop);
    loopStartFrame_ = start;
    loopFrames_ = end - start;
    loopBarCount_ = barsInLoop;
    loopBuffer_ = std::move(loop);
    requestStretchedLoop();
    return true;
}

void AudioStore::scheduleLoop(Frame fromOffset) {
    if (!loopBuffer_ || loopFrames_ < 1) return;
    // The offset counts into the loop buffer as stored: from the loop's end when reversed.
    const Frame offset = std::clamp<Frame>(fromOffset, 0, loopFrames_ - 1);
    const Frame startFrame =
        isReversed_ ? loopStartFrame_ + loopFrames_ - 1 - offset : loopStartFrame_ + offset;
    playStartFrame_ = startFrame;
    playAnchorFrame_ = startFrame;
    lastLoopPass_ = -1;
    passSwitchPending_ = false;
    // At a target tempo the pass is the stretched loop, entered at the same musical position.
    const bool stretched = stretchedLoop_ && stretchedSource_ == loopBuffer_;
    passBuffer_ = stretched ? stretchedLoop_ : loopBuffer_;
    passFrames_ = passBuffer_->frameLength();
    passStartOffset_ = stretched ? mapLoopOffset(offset, loopFrames_, passFrames_) : offset;
    if (passStartOffset_ > 0) {
        if (PCMBufferPtr tail = copyFrames(*passBuffer_, passStartOffset_, passFrames_ - passStartOffset_);
            tail && tail->frameLength() > 0) {
            // The rest of the current pass once, then the whole loop over and over.
            loopTailFrames_ = tail->frameLength();
            engine_->scheduleOnce(std::move(tail));
            engine_->scheduleLooping(passBuffer_);
            return;
        }
    }
    passStartOffset_ = 0;
    loopTailFrames_ = 0;
    engine_->scheduleLooping(passBuffer_);
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
    if (!buildLoopBuffer()) {
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
            if (!scheduleForwardFrom(f)) {
                setIsPlaying(false);
                return;
            }
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
    if (!buildLoopBuffer()) return;
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
