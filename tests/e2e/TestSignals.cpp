#include "TestSignals.h"

#include <cmath>
#include <cstdint>

namespace barquill::e2e {

namespace {

struct Noise {
    uint32_t state = 12345;
    float next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / static_cast<float>(1u << 24) * 2.0f - 1.0f;
    }
};

void addKick(std::vector<float>& out, size_t at, int sr, float gain) {
    const size_t n = static_cast<size_t>(0.25 * sr);
    double phase = 0;
    for (size_t i = 0; i < n && at + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / sr;
        const double freq = 50 + 60 * std::exp(-t * 30);
        phase += 2 * M_PI * freq / sr;
        out[at + i] += gain * static_cast<float>(std::sin(phase) * std::exp(-t * 12));
    }
}

void addNoiseHit(std::vector<float>& out, size_t at, int sr, float gain, double decay, Noise& noise) {
    const size_t n = static_cast<size_t>(5.0 / decay * sr);
    float previous = 0;
    for (size_t i = 0; i < n && at + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / sr;
        const float white = noise.next();
        const float bright = white - previous; // first difference tilts the noise upwards
        previous = white;
        out[at + i] += gain * bright * static_cast<float>(std::exp(-t * decay));
    }
}

void addSnare(std::vector<float>& out, size_t at, int sr, float gain, Noise& noise) {
    addNoiseHit(out, at, sr, gain * 0.6f, 25, noise);
    for (size_t i = 0; i < static_cast<size_t>(0.12 * sr) && at + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / sr;
        out[at + i] += gain * 0.4f * static_cast<float>(std::sin(2 * M_PI * 190 * t) * std::exp(-t * 30));
    }
}

} // namespace

std::vector<std::vector<float>> drumLoop(int sr, int bars) {
    const double beat = 0.5;
    const size_t frames = static_cast<size_t>(bars * 4 * beat * sr);
    std::vector<float> left(frames, 0.0f), right(frames, 0.0f), mid(frames, 0.0f);
    Noise noise;
    // Pad: a new pseudo-random note every beat, quiet and continuous.
    static const double scale[] = {220.0, 246.9, 261.6, 293.7, 329.6, 349.2, 392.0, 440.0};
    for (int b = 0; b < bars * 4; ++b) {
        const double freq = scale[(b * 5 + b / 3) % 8];
        const size_t start = static_cast<size_t>(b * beat * sr);
        for (size_t i = 0; i < static_cast<size_t>(beat * sr) && start + i < frames; ++i) {
            const double t = static_cast<double>(start + i) / sr;
            mid[start + i] += 0.08f * static_cast<float>(std::sin(2 * M_PI * freq * t));
        }
    }
    for (int b = 0; b < bars * 4; ++b) {
        const size_t at = static_cast<size_t>(b * beat * sr);
        if (b % 2 == 0)
            addKick(mid, at, sr, 0.8f);
        else
            addSnare(mid, at, sr, 0.5f, noise);
    }
    for (int h = 0; h < bars * 8; ++h) {
        const size_t at = static_cast<size_t>(h * beat / 2 * sr);
        std::vector<float>& side = (h % 2 == 0) ? left : right;
        addNoiseHit(side, at, sr, 0.25f, 60, noise);
    }
    for (size_t i = 0; i < frames; ++i) {
        left[i] += mid[i];
        right[i] += mid[i];
    }
    return {left, right};
}

} // namespace barquill::e2e
