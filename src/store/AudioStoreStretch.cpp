#include "store/AudioStore.h"

#include "buffer/BufferOps.h"
#include "export/ExportSet.h"
#include "export/Resample.h"
#include "settings/AppSettings.h"
#include "stretch/LoopStretch.h"

#include <QCoreApplication>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cctype>
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
    // The job copies the loop's frames out of the track (or its mirror), which nobody writes
    // once it is built, so the GUI thread copies nothing.
    const int64_t generation = stretchGen_;
    BufferRange source = loopPlay_;
    const int bars = loopBarCount_;
    const double target = matchTempo_;
    stretchJob_ = QtConcurrent::run([source, bars, target]() -> StretchOutcome {
        try {
            PCMBufferPtr loop = copyFrames(*source.buffer, source.startFrame, source.playableFrames());
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

std::variant<PCMBufferPtr, QString> AudioStore::stretchForExport(const PCMBufferPtr& audio, int bars) const {
    const auto failure = [](std::string reason) {
        if (!reason.empty())
            reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
        return QString::fromStdString(ExportSet::failureMessage("Export failed", reason));
    };
    if (!audio || audio->frameLength() == 0) return failure("the loop lies outside the file.");
    // Stretched at the export rate, so the written length is the length rule's to the frame.
    const PCMBufferPtr atRate = resampleBuffer(audio, exportSampleRateSetting());
    if (!atRate) return failure("sample-rate conversion failed.");
    StretchOutcome outcome = stretchLoopToTempo(stretcher_, *atRate, bars, matchTempo_);
    if (auto* message = std::get_if<std::string>(&outcome)) return failure(*message);
    return std::get<PCMBufferPtr>(std::move(outcome));
}

std::optional<QString> AudioStore::stretchLoopJob(LoopExportJob& job) const {
    if (!(matchTempo_ > 0) || !job.bars || !job.buffer) return std::nullopt;
    // Rendered once here, so a failure reads as the export's and nothing is written.
    auto stretched =
        stretchForExport(job.render(*job.buffer, job.span), job.bars->second - job.bars->first + 1);
    if (auto* message = std::get_if<QString>(&stretched)) return *message;
    job.render = [audio = std::get<PCMBufferPtr>(std::move(stretched))](const PCMBuffer&, const LoopSpan&) {
        return audio;
    };
    job.bpm = matchTempo_;
    return std::nullopt;
}

std::optional<QString> AudioStore::stretchKitJob(SliceKitJob& job) const {
    if (!(matchTempo_ > 0) || job.bars.empty() || !job.bars.front().number || !job.buffer)
        return std::nullopt;
    // The kit's bars follow each other: one loop from the first bar's start to the last one's end,
    // forward; each slice is mirrored on its own as without a target.
    const int64_t start = job.bars.front().range.start, end = job.bars.back().range.end;
    const auto count = static_cast<int64_t>(job.bars.size());
    auto stretched = stretchForExport(copyFrames(*job.buffer, start, end - start), static_cast<int>(count));
    if (auto* message = std::get_if<QString>(&stretched)) return *message;
    job.buffer = std::get<PCMBufferPtr>(std::move(stretched));
    const auto frames = static_cast<int64_t>(job.buffer->frameLength());
    for (int64_t i = 0; i < count; ++i)
        job.bars[static_cast<size_t>(i)].range = {i * frames / count, (i + 1) * frames / count};
    job.exportSampleRate = job.buffer->sampleRate();
    job.bpm = matchTempo_;
    return std::nullopt;
}

void AudioStore::switchLoopPass() {
    const Frame offset = currentLoopOffset();
    engine_->stopPlayer();
    scheduleLoop(offset);
    engine_->play();
}

} // namespace barquill
