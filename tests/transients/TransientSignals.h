#pragma once

#include <cstdint>
#include <vector>

// Synthetic mono signals with hits at known places, for the transient tests and benchmark.
namespace barquill::test {

// Builds a signal by adding shapes into a buffer of fixed length. Noise comes from a fixed-seed
// generator, so every run makes the same samples.
class SignalBuilder {
public:
    SignalBuilder(double sampleRate, double durationSeconds);

    int64_t frameAt(double seconds) const;
    std::vector<float> take() { return std::move(samples_); }

    // A sine from phase 0 with an exponential decay, cut after lengthSeconds.
    SignalBuilder& sineBurst(double atSeconds, double hz, double amplitude, double decaySeconds,
                             double lengthSeconds);
    // Uniform white noise with an exponential decay, cut after lengthSeconds.
    SignalBuilder& noiseBurst(double atSeconds, double amplitude, double decaySeconds, double lengthSeconds);
    // A steady sine over [from, to) with linear fades of the given lengths inside that span.
    SignalBuilder& tone(double fromSeconds, double toSeconds, double hz, double amplitude,
                        double fadeInSeconds = 0, double fadeOutSeconds = 0);
    // Uniform white noise over the whole signal.
    SignalBuilder& noiseFloor(double amplitude);

private:
    float noise();
    // Adds shape(seconds since start, index) to every sample in [start, end).
    template <typename Shape> SignalBuilder& add(int64_t start, int64_t end, Shape shape);

    double sampleRate_;
    std::vector<float> samples_;
    uint64_t state_ = 0x9e3779b97f4a7c15ULL;
};

// Thirty-two seconds at 44.1 kHz: a loud tone bed with loud noise hits, an eight-second near-silent
// breakdown (12-20 s) holding kicks (55 Hz sine bursts), hats and claps (noise bursts), then the loud
// bed again, faded in.
struct BreakdownScene {
    static constexpr double sampleRate = 44100;
    std::vector<float> samples;
    std::vector<double> kickSeconds;    // in the breakdown
    std::vector<double> otherSeconds;   // hats and claps, in the breakdown
    std::vector<double> loudHitSeconds; // in the loud stretches

    static BreakdownScene make();
};

} // namespace barquill::test
