#include "store/AudioStore.h"

#include "buffer/BufferOps.h"
#include "settings/AppSettings.h"
#include "stretch/LoopStretch.h"

#include <QCoreApplication>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <exception>

namespace barquill {

void AudioStore::setMatchTempo(double bpm) {
    double target = 0;
    if (bpm > 0) {
        target = std::clamp(bpm, kMatchTempoMinBPM, kMatchTempoMaxBPM);
        if (target != bpm)
            flashExport(
                QString::asprintf("Match tempo %.1f BPM is out of range: using %.1f (40–300).", bpm, target));
    }
    if (target == matchTempo_) return;
    matchTempo_ = target;
    if (settings_) settings_->setMatchTempoBPM(target);
    emit matchTempoChanged();
    updateAnalysisNote();
    requestStretchedLoop();
}

void AudioStore::matchDetectedTempo(double factor) {
    if (analysis_ && analysis_->bpm > 0) setMatchTempo(analysis_->bpm * factor);
}

void AudioStore::requestStretchedLoop() {
    ++stretchGen_;
    stretching_ = false;
    const bool wanted = matchTempo_ > 0 && loopBarCount_ > 0 && loopPlay_.buffer;
    if (wanted && stretchedSource_ == loopPlay_ && stretchedTempo_ == matchTempo_) return;
    if (stretchedSource_ != loopPlay_ || !wanted) {
        // Back to the loop as cut; a pass already playing finishes first.
        if (stretchedLoop_ && passRange_.buffer == stretchedLoop_ && looping_) passSwitchPending_ = true;
        stretchedLoop_.reset();
        stretchedSource_ = {};
    }
    if (!wanted) return;

    stretching_ = true;
    // One render at a time: a newer request waits for the running one, which then starts it.
    if (!stretchJob_.isRunning()) startStretchJob();
}

void AudioStore::startStretchJob() {
    // The job reads only the loop buffer, which nobody writes once it is built.
    const int64_t generation = stretchGen_;
    BufferRange source = loopPlay_;
    const int bars = loopBarCount_;
    const double target = matchTempo_;
    stretchJob_ = QtConcurrent::run([source, bars, target]() -> StretchOutcome {
        try {
            // The loop as cut, copied here off the GUI thread: the stretcher reads one buffer.
            const PCMBufferPtr loop = copyFrames(*source.buffer, source.startFrame, source.frames);
            if (!loop) return std::string("Not enough memory to stretch the loop.");
            return stretchLoopToTempo(RubberBandTimeStretcher{}, *loop, bars, target);
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
    });
    // The application, not the store, receives the result: a store that went meanwhile drops it.
    QPointer<AudioStore> self(this);
    stretchJob_.then(QCoreApplication::instance(),
                     [self, generation, source, target](StretchOutcome outcome) {
                         if (self) self->applyStretchedLoop(generation, source, target, std::move(outcome));
                     });
}

void AudioStore::applyStretchedLoop(int64_t generation, BufferRange source, double target,
                                    StretchOutcome outcome) {
    if (generation != stretchGen_ || source != loopPlay_) {
        if (stretching_) startStretchJob();
        return;
    }
    stretching_ = false;
    stretchedSource_ = std::move(source);
    stretchedTempo_ = target;
    if (auto* message = std::get_if<std::string>(&outcome)) {
        // The loop plays on as cut; the target stays set for the next loop.
        stretchedLoop_.reset();
        flashExport(QString::fromStdString(*message));
    } else {
        stretchedLoop_ = std::get<PCMBufferPtr>(std::move(outcome));
    }
    if (looping_ && isPlaying_)
        passSwitchPending_ = passRange_ != (stretchedLoop_ ? BufferRange::whole(stretchedLoop_) : loopPlay_);
}

Frame AudioStore::currentLoopOffset() const {
    const Frame f = currentFrame();
    return isReversed_ ? loopStartFrame_ + loopFrames_ - 1 - f : f - loopStartFrame_;
}

void AudioStore::switchLoopPass() {
    const Frame offset = currentLoopOffset();
    engine_->stopPlayer();
    scheduleLoop(offset);
    engine_->play();
}

} // namespace barquill
