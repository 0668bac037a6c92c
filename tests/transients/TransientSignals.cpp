#include "TransientSignals.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace barquill::test {

SignalBuilder::SignalBuilder(double sampleRate, double durationSeconds)
    : sampleRate_(sampleRate),
      samples_(static_cast<size_t>(std::llround(sampleRate * durationSeconds)), 0.0f) {}

int64_t SignalBuilder::frameAt(double seconds) const {
    return std::llround(seconds * sampleRate_);
}

float SignalBuilder::noise() {
    // xorshift64*: fixed output on every platform, unlike the standard distributions.
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    const uint64_t bits = (state_ * 0x2545F4914F6CDD1DULL) >> 40;
    return static_cast<float>(static_cast<double>(bits) / static_cast<double>(1 << 24) * 2.0 - 1.0);
}

template <typename Shape> SignalBuilder& SignalBuilder::add(int64_t start, int64_t end, Shape shape) {
    for (int64_t i = start; i < std::min<int64_t>(end, static_cast<int64_t>(samples_.size())); ++i)
        samples_[i] += shape(static_cast<double>(i - start) / sampleRate_, i);
    return *this;
}

SignalBuilder& SignalBuilder::sineBurst(double atSeconds, double hz, double amplitude, double decaySeconds,
                                        double lengthSeconds) {
    return add(frameAt(atSeconds), frameAt(atSeconds) + frameAt(lengthSeconds), [&](double t, int64_t) {
        return static_cast<float>(amplitude * std::exp(-t / decaySeconds) *
                                  std::sin(2 * std::numbers::pi * hz * t));
    });
}

SignalBuilder& SignalBuilder::noiseBurst(double atSeconds, double amplitude, double decaySeconds,
                                         double lengthSeconds) {
    return add(frameAt(atSeconds), frameAt(atSeconds) + frameAt(lengthSeconds), [&](double t, int64_t) {
        return static_cast<float>(amplitude * std::exp(-t / decaySeconds)) * noise();
    });
}

SignalBuilder& SignalBuilder::tone(double fromSeconds, double toSeconds, double hz, double amplitude,
                                   double fadeInSeconds, double fadeOutSeconds) {
    const int64_t end = std::min<int64_t>(frameAt(toSeconds), static_cast<int64_t>(samples_.size()));
    return add(frameAt(fromSeconds), end, [&](double t, int64_t i) {
        double gain = 1.0;
        if (fadeInSeconds > 0) gain = std::min(gain, t / fadeInSeconds);
        if (fadeOutSeconds > 0)
            gain = std::min(gain, static_cast<double>(end - i) / sampleRate_ / fadeOutSeconds);
        return static_cast<float>(gain * amplitude * std::sin(2 * std::numbers::pi * hz * t));
    });
}

SignalBuilder& SignalBuilder::noiseFloor(double amplitude) {
    return add(0, static_cast<int64_t>(samples_.size()),
               [&](double, int64_t) { return static_cast<float>(amplitude) * noise(); });
}

BreakdownScene BreakdownScene::make() {
    BreakdownScene scene;
    SignalBuilder b(sampleRate, 32.0);
    // Bed tones repeat exactly every 3 ms frame, so the bed alone never looks like an onset.
    const double frameHz = sampleRate / 132.0;
    b.tone(0.0, 12.0, frameHz, 0.2, 0.0, 0.5).tone(0.0, 12.0, 3 * frameHz, 0.15, 0.0, 0.5);
    b.tone(20.0, 32.0, frameHz, 0.2, 1.0, 0.0).tone(20.0, 32.0, 3 * frameHz, 0.15, 1.0, 0.0);
    for (double t = 0.25; t < 11.0; t += 0.5)
        scene.loudHitSeconds.push_back(t);
    for (double t = 21.25; t < 32.0; t += 0.5)
        scene.loudHitSeconds.push_back(t);
    for (double t : scene.loudHitSeconds)
        b.noiseBurst(t, 0.8, 0.005, 0.03);

    scene.kickSeconds = {13.5, 14.75, 16.0, 17.25, 18.5};
    for (double t : scene.kickSeconds)
        b.sineBurst(t, 55.0, 0.6, 0.008, 0.06);
    const std::vector<double> hats = {13.2, 14.0, 14.25, 15.5, 16.5, 17.75};
    const std::vector<double> claps = {15.0, 18.0};
    for (double t : hats)
        b.noiseBurst(t, 0.5, 0.006, 0.03);
    for (double t : claps) // three quick, fading slaps
        b.noiseBurst(t, 0.6, 0.003, 0.008)
            .noiseBurst(t + 0.008, 0.45, 0.003, 0.008)
            .noiseBurst(t + 0.016, 0.35, 0.006, 0.03);
    scene.otherSeconds = hats;
    scene.otherSeconds.insert(scene.otherSeconds.end(), claps.begin(), claps.end());
    std::sort(scene.otherSeconds.begin(), scene.otherSeconds.end());
    b.noiseFloor(0.0005);
    scene.samples = b.take();
    return scene;
}

} // namespace barquill::test
