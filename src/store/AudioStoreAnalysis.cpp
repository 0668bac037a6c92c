#include "store/AudioStore.h"

#include "buffer/ChannelMix.h"

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <new>

namespace barquill {

void AudioStore::startAnalysis() {
    if (!buffer_ || isAnalyzing_ || buffer_->channelCount() == 0) return;
    const int64_t generation = ++analysisGen_;
    setIsAnalyzing(true);
    setAnalysisNote(QStringLiteral("Analyzing tempo…"));

    // The job holds a copy of the engine and a share of the buffer, which nobody writes any more; it
    // reads the channels' mean as it goes instead of a mono copy. Only the generation links it back.
    const LocalDSPBeatAnalyzer analyzer = beatAnalyzer_;
    QtConcurrent::run([analyzer, buffer = buffer_]() -> AnalysisOutcome {
        try {
            return analyzer.analyze(ChannelMix(*buffer), buffer->sampleRate());
        } catch (const std::bad_alloc&) {
            return BeatBarAnalysisError::failed("not enough memory to analyse this file.");
        } catch (const std::exception& e) {
            return BeatBarAnalysisError::failed(e.what());
        }
    }).then(this, [this, generation](AnalysisOutcome outcome) {
        applyAnalysisOutcome(generation, std::move(outcome));
    });
}

void AudioStore::applyAnalysisOutcome(int64_t generation, AnalysisOutcome outcome) {
    // A newer file or a newer run owns the state, isAnalyzing included.
    if (generation != analysisGen_) return;
    if (auto* failure = std::get_if<BeatBarAnalysisError>(&outcome)) {
        setAnalysis(std::nullopt);
        setAnalysisNote(QStringLiteral("Bar detection failed: ") +
                        QString::fromStdString(failure->description()));
        setIsAnalyzing(false);
        return;
    }
    setAnalysis(std::get<BeatBarAnalysis>(std::move(outcome)));
    setGridShiftQuarters(0);
    updateAnalysisNote();
    if (loopEnabled_) {
        // The same bar index, cut again on the new bars.
        refreshLoop(false);
    } else if (startWithLoopSetting() && !isPreviewing_) {
        setLoopEnabled(true);
    }
    setIsAnalyzing(false);
}

void AudioStore::updateAnalysisNote() {
    if (!analysis_) return;
    const BeatBarAnalysis& a = *analysis_;
    const bool uncertain = a.bars.empty() || a.bars.front().confidence < 0.25f;
    // Qt's number formatting, unlike C's printf, never follows the system locale.
    QString text = (uncertain ? QStringLiteral("≈") : QString()) + QString::number(a.bpm, 'f', 1) +
                   QStringLiteral(" BPM");
    if (matchTempo_ > 0) text += QStringLiteral(" → ") + QString::number(matchTempo_, 'f', 1);
    text += QStringLiteral(" · %1 bars · %2/4 · ").arg(a.bars.size()).arg(a.beatsPerBar) +
            QString::fromStdString(a.engineName);
    if (gridShiftQuarters_ != 0)
        text += QString::asprintf(" · grid %+d", gridShiftQuarters_) + QStringLiteral("×¼");
    setAnalysisNote(text);
}

std::optional<double> AudioStore::quarterBarSeconds() const {
    if (!analysis_ || analysis_->bars.empty()) return std::nullopt;
    std::vector<double> durations;
    durations.reserve(analysis_->bars.size());
    for (const Bar& bar : analysis_->bars)
        durations.push_back(bar.duration);
    std::sort(durations.begin(), durations.end());
    const double median = durations[durations.size() / 2];
    if (!(median > 0) || !std::isfinite(median)) return std::nullopt;
    return median / 4;
}

namespace {
// Times shifted by the nudge, keeping those inside 0…duration.
std::vector<double> shiftedTimes(const std::vector<double>& times, double shift, double duration) {
    std::vector<double> out;
    out.reserve(times.size());
    for (double t : times) {
        const double moved = t + shift;
        if (moved >= 0 && moved <= duration) out.push_back(moved);
    }
    return out;
}
} // namespace

std::vector<Bar> AudioStore::effectiveBars() const {
    if (!analysis_ || analysis_->bars.empty()) return {};
    const auto quarter = quarterBarSeconds();
    if (!quarter || gridShiftQuarters_ == 0) return analysis_->bars;
    const double shift = *quarter * gridShiftQuarters_;
    std::vector<Bar> bars;
    bars.reserve(analysis_->bars.size());
    for (Bar bar : analysis_->bars) {
        bar.startTime += shift;
        if (bar.startTime + bar.duration > 0 && bar.startTime < duration_) bars.push_back(bar);
    }
    return bars;
}

std::vector<double> AudioStore::effectiveBeats() const {
    if (!analysis_ || analysis_->bars.empty()) return {};
    const double shift = quarterBarSeconds().value_or(0) * gridShiftQuarters_;
    return shiftedTimes(analysis_->beats, shift, duration_);
}

std::vector<double> AudioStore::effectiveDownbeats() const {
    if (!analysis_ || analysis_->bars.empty()) return {};
    const double shift = quarterBarSeconds().value_or(0) * gridShiftQuarters_;
    return shiftedTimes(analysis_->downbeats, shift, duration_);
}

int AudioStore::barIndexAt(double seconds) const {
    const std::vector<Bar> bars = effectiveBars();
    if (bars.empty()) return 0;
    for (size_t i = 0; i < bars.size(); ++i) {
        if (bars[i].startTime <= seconds && seconds < bars[i].startTime + bars[i].duration)
            return static_cast<int>(i);
    }
    return seconds < bars.front().startTime ? 0 : static_cast<int>(bars.size()) - 1;
}

std::optional<double> AudioStore::nearestDownbeat(double seconds) const {
    const std::vector<double> downbeats = effectiveDownbeats();
    std::optional<double> best;
    for (double d : downbeats) {
        // Strictly closer only: on equal distances the earlier downbeat stays.
        if (!best || std::abs(seconds - d) < std::abs(seconds - *best)) best = d;
    }
    return best;
}

void AudioStore::shiftGrid(int by) {
    if (!analysis_ || by == 0) return;
    if (isPreviewing_) {
        ++previewGen_;
        endPreview();
    }
    const int shifted = std::clamp(gridShiftQuarters_ + by, -8, 8);
    if (shifted == gridShiftQuarters_) return;
    setGridShiftQuarters(shifted);
    updateAnalysisNote();
    if (loopEnabled_) refreshLoop(true);
}

void AudioStore::resetGridShift() {
    if (gridShiftQuarters_ != 0) shiftGrid(-gridShiftQuarters_);
}

} // namespace barquill
