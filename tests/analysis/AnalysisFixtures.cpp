#include "AnalysisFixtures.h"

#include "Clicks.h"

#include <cmath>
#include <numbers>

namespace barquill::test {

namespace {

// Deterministic noise, independent of the standard library's distributions.
struct Noise {
    uint32_t state = 0x12345678u;
    float next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(state) / 2147483648.0f - 1.0f;
    }
};

void addKick(std::vector<float>& out, double sampleRate, double at, float level) {
    const auto start = static_cast<size_t>(std::llround(at * sampleRate));
    const auto length = static_cast<size_t>(0.25 * sampleRate);
    double phase = 0;
    for (size_t i = 0; i < length && start + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double freq = 50 + 90 * std::exp(-t / 0.03);
        phase += 2 * std::numbers::pi * freq / sampleRate;
        out[start + i] += level * static_cast<float>(std::sin(phase) * std::exp(-t / 0.09));
    }
}

void addSnare(std::vector<float>& out, double sampleRate, double at, float level, Noise& noise) {
    const auto start = static_cast<size_t>(std::llround(at * sampleRate));
    const auto length = static_cast<size_t>(0.2 * sampleRate);
    for (size_t i = 0; i < length && start + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double body = std::sin(2 * std::numbers::pi * 185 * t) * std::exp(-t / 0.04);
        const double rattle = noise.next() * std::exp(-t / 0.06);
        out[start + i] += level * static_cast<float>(0.5 * body + 0.7 * rattle);
    }
}

void addHat(std::vector<float>& out, double sampleRate, double at, float level, Noise& noise) {
    const auto start = static_cast<size_t>(std::llround(at * sampleRate));
    const auto length = static_cast<size_t>(0.05 * sampleRate);
    float previous = 0;
    for (size_t i = 0; i < length && start + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const float white = noise.next();
        // A first difference keeps mostly the top of the spectrum.
        out[start + i] += level * (white - previous) * 0.5f * static_cast<float>(std::exp(-t / 0.012));
        previous = white;
    }
}

} // namespace

std::vector<float> makeClickTrack(const ClickTrack& track) {
    std::vector<float> out(static_cast<size_t>(std::llround(track.seconds * track.sampleRate)), 0.0f);
    for (int i = 0;; ++i) {
        const double at = track.firstClick + i * track.interval;
        if (at >= track.seconds) break;
        const bool accent = i >= track.firstAccent && (i - track.firstAccent) % track.accentEvery == 0;
        addClick(out, track.sampleRate, at, accent ? track.accentLevel : track.level);
    }
    return out;
}

std::vector<float> makeDrumLoop(const DrumLoop& loop) {
    const double beat = 60.0 / loop.bpm;
    const double seconds = loop.introSeconds + loop.bars * 4 * beat + loop.tailSeconds;
    const double sr = loop.sampleRate;
    std::vector<float> out(static_cast<size_t>(std::llround(seconds * sr)), 0.0f);
    Noise noise;

    // A soft chord under everything, so the intro is not silence.
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / sr;
        out[i] += 0.03f * static_cast<float>(std::sin(2 * std::numbers::pi * 220 * t) +
                                             std::sin(2 * std::numbers::pi * 277.2 * t) +
                                             std::sin(2 * std::numbers::pi * 329.6 * t));
    }
    // Intro: hats on the eighths leading into the first downbeat.
    for (double at = loop.introSeconds - beat / 2; at > 0.05; at -= beat / 2)
        addHat(out, sr, at, 0.25f, noise);

    for (int b = 0; b < loop.bars * 4; ++b) {
        const double at = loop.introSeconds + b * beat;
        if (b % 2 == 0)
            addKick(out, sr, at, b % 4 == 0 ? 0.9f : 0.75f);
        else
            addSnare(out, sr, at, 0.55f, noise);
        addHat(out, sr, at, 0.3f, noise);
        addHat(out, sr, at + beat / 2, 0.2f, noise);
    }
    return out;
}

} // namespace barquill::test
