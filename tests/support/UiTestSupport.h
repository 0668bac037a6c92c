#pragma once

// Helpers for the widget tests: a click track the beat analysis locks onto, and spinning the
// event loop until asynchronous work (decoding, analysis, timers) has delivered.

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <cmath>
#include <filesystem>
#include <functional>
#include <vector>

namespace barquill::test {

// Runs the event loop until `done` holds; false when it did not within `boundMs` (a generous
// bound against hangs, not a timing requirement).
inline bool waitUntil(const std::function<bool()>& done, int boundMs = 60000) {
    QDeadlineTimer deadline(boundMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

// Runs the event loop for a while, letting timers fire.
inline void spinEventLoop(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

// A 4/4 click track: a low thump on every downbeat, a short high click on the other beats.
inline std::vector<std::vector<float>> clickTrack(double bpm, int bars, int sampleRate, int channels) {
    const double beatSeconds = 60.0 / bpm;
    const auto frames = static_cast<size_t>(std::llround(bars * 4 * beatSeconds * sampleRate + sampleRate / 2));
    std::vector<float> mono(frames, 0.0f);
    for (int beat = 0; beat < bars * 4; ++beat) {
        const auto start = static_cast<size_t>(std::llround(beat * beatSeconds * sampleRate));
        const bool downbeat = beat % 4 == 0;
        const double frequency = downbeat ? 70.0 : 1800.0;
        const double amplitude = downbeat ? 0.9 : 0.35;
        const auto length = static_cast<size_t>(sampleRate * (downbeat ? 0.18 : 0.04));
        for (size_t i = 0; i < length && start + i < frames; ++i) {
            const double t = static_cast<double>(i) / sampleRate;
            const double envelope = std::exp(-t * (downbeat ? 25.0 : 120.0));
            mono[start + i] += static_cast<float>(amplitude * envelope * std::sin(2 * M_PI * frequency * t));
        }
    }
    std::vector<std::vector<float>> out(static_cast<size_t>(channels), mono);
    if (channels > 1)
        for (float& s : out[1])
            s *= 0.8f; // a slightly quieter right channel, so the lanes differ
    return out;
}

} // namespace barquill::test
