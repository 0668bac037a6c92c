#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <functional>

namespace barquill {

// Runs the calling thread's event loop until `done` holds, so the queued results of the store's
// background jobs are delivered; false when it did not within `boundMs` (a bound against hangs,
// not a timing requirement). For headless drivers of the store — the probe, benchmarks and tests;
// the app has its own loop.
inline bool runEventsUntil(const std::function<bool()>& done, int boundMs) {
    QDeadlineTimer deadline(boundMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

} // namespace barquill
