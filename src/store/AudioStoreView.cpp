#include "store/AudioStore.h"

#include "store/WaveformPeaks.h"

#include <algorithm>

namespace barquill {

void AudioStore::recomputePeaks() {
    if (!buffer_ || buffer_->channelCount() == 0 || buffer_->frameLength() == 0 || viewLength_ <= 0 ||
        duration_ <= 0)
        return;
    WaveformPeaks peaks = computePeaks(*buffer_, viewStart_, viewLength_, waveformResolutionSetting());
    setPeaks(QList<float>(peaks.mono.begin(), peaks.mono.end()),
             QList<float>(peaks.left.begin(), peaks.left.end()),
             QList<float>(peaks.right.begin(), peaks.right.end()));
}

double AudioStore::minViewLength() const {
    if (duration_ <= 0) return 0;
    const std::vector<Bar> bars = effectiveBars();
    double length = duration_ / 32;
    if (bars.size() >= 4) {
        std::vector<double> durations;
        durations.reserve(bars.size());
        for (const Bar& bar : bars)
            durations.push_back(bar.duration);
        std::sort(durations.begin(), durations.end());
        // The deepest zoom shows about four bars.
        length = 4 * durations[durations.size() / 2];
    }
    return std::max(length, 0.25);
}

double AudioStore::timeAtFraction(double fraction) const {
    return viewStart_ + std::clamp(fraction, 0.0, 1.0) * viewLength_;
}

double AudioStore::fractionOfTime(double seconds) const {
    if (viewLength_ <= 0) return 0;
    return (seconds - viewStart_) / viewLength_;
}

void AudioStore::zoom(double factor, double anchor) {
    if (!buffer_ || duration_ <= 0 || viewLength_ <= 0 || factor <= 0) return;
    beginInteraction();
    const double length = std::min(std::max(viewLength_ * factor, minViewLength()), duration_);
    // The time under the anchor stays put.
    const double anchorTime = timeAtFraction(anchor);
    double start = anchorTime - std::clamp(anchor, 0.0, 1.0) * length;
    start = std::min(std::max(start, 0.0), std::max(duration_ - length, 0.0));
    setViewStart(start);
    setViewLength(length);
    recomputePeaks();
}

void AudioStore::pan(double by) {
    if (!buffer_ || viewLength_ <= 0 || viewLength_ >= duration_) return;
    beginInteraction();
    const double start = std::min(std::max(viewStart_ + viewLength_ * by, 0.0), duration_ - viewLength_);
    setViewStart(start);
    recomputePeaks();
}

void AudioStore::beginDragPan(double fraction) {
    panAnchor_ = std::make_pair(std::clamp(fraction, 0.0, 1.0), viewStart_);
}

void AudioStore::endDragPan() {
    panAnchor_.reset();
}

void AudioStore::dragPan(double to) {
    if (!panAnchor_ || !buffer_ || viewLength_ <= 0 || viewLength_ >= duration_) return;
    beginInteraction();
    const auto [anchorFraction, anchorStart] = *panAnchor_;
    // The content under the grab point follows the pointer.
    const double start =
        std::min(std::max(anchorStart - (std::clamp(to, 0.0, 1.0) - anchorFraction) * viewLength_, 0.0),
                 duration_ - viewLength_);
    setViewStart(start);
    recomputePeaks();
}

void AudioStore::zoomToFit() {
    if (duration_ <= 0) return;
    setViewStart(0);
    setViewLength(duration_);
    recomputePeaks();
}

void AudioStore::beginInteraction() {
    setIsInteracting(true);
    // Restarting the single-shot timer cancels the pending clear: the flag turns false 150 ms
    // after the last zoom or pan of a burst.
    interactTimer_->start();
}

} // namespace barquill
