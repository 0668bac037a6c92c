#pragma once

// Helpers for the widget tests: a click track the beat analysis locks onto, and spinning the
// event loop until asynchronous work (decoding, analysis, timers) has delivered.

#include "TestSupport.h"
#include "store/EventLoopWait.h"

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
    return runEventsUntil(done, boundMs);
}

// Runs the event loop for a while, letting timers fire.
inline void spinEventLoop(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

// A 120 BPM 4/4 click track: a sharp click every 0.5 s from 0.25 s, every fourth one louder from
// the second (downbeats at 0.75 s, 2.75 s, …), each with a short decaying body so the waveform
// has something to show. The right channel is quieter, so stereo lanes differ.
inline std::vector<std::vector<float>> clickTrack(double seconds, int sampleRate, int channels) {
    const auto frames = static_cast<size_t>(std::llround(seconds * sampleRate));
    std::vector<float> mono(frames, 0.0f);
    uint32_t state = 12345;
    for (float& s : mono) { // quiet deterministic noise floor
        state = state * 1664525u + 1013904223u;
        s = 0.002f * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
    }
    int index = 0;
    for (double at = 0.25; at < seconds; at += 0.5, ++index) {
        const bool downbeat = index % 4 == 1;
        const auto start = static_cast<size_t>(std::llround(at * sampleRate));
        const auto length = static_cast<size_t>(0.2 * sampleRate);
        for (size_t i = 0; i < length && start + i < frames; ++i) {
            const double t = static_cast<double>(i) / sampleRate;
            const double click =
                (downbeat ? 1.0 : 0.5) * std::sin(2 * M_PI * 2000 * t) * std::exp(-t / 0.001);
            const double body = (downbeat ? 0.45 : 0.2) * std::sin(2 * M_PI * 90 * t) * std::exp(-t / 0.05);
            mono[start + i] += static_cast<float>(click + body);
        }
    }
    std::vector<std::vector<float>> out(static_cast<size_t>(channels), mono);
    if (channels > 1)
        for (float& s : out[1])
            s *= 0.7f;
    return out;
}

} // namespace barquill::test
