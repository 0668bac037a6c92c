#include "waveform/WaveformInputView.h"

#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace barquill {
namespace {

// One wheel notch reports 120 eighths of a degree; it counts as one coarse line.
constexpr double angleUnitsPerLine = 120.0;
constexpr double pointsPerCoarseLine = 10.0;

bool isFine(const QInputEvent* event) {
    return event->modifiers().testFlag(Qt::AltModifier);
}

} // namespace

WaveformInputView::WaveformInputView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoSystemBackground);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setMouseTracking(false);
}

double WaveformInputView::fractionAt(double x) const {
    if (width() <= 0) return 0;
    return std::clamp(x / width(), 0.0, 1.0);
}

void WaveformInputView::wheelEvent(QWheelEvent* event) {
    event->accept();
    if (width() <= 0) return;
    const bool precise = !event->pixelDelta().isNull();
    double dx, dy;
    if (precise) {
        dx = event->pixelDelta().x();
        dy = event->pixelDelta().y();
    } else {
        dx = event->angleDelta().x() / angleUnitsPerLine * pointsPerCoarseLine;
        dy = event->angleDelta().y() / angleUnitsPerLine * pointsPerCoarseLine;
    }
    if (std::abs(dy) < std::abs(dx)) {
        pendingPan_ -= dx / width();
    } else {
        pendingZoomDy_ += dy;
        pendingZoomFraction_ = fractionAt(event->position().x());
        hasPendingZoom_ = true;
    }
    ensureFlushTimer();
}

void WaveformInputView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    const double fraction = fractionAt(event->position().x());
    if (event->button() == Qt::LeftButton) {
        flush();
        if (onSeek) onSeek(fraction, isFine(event));
    } else if (event->button() == Qt::RightButton) {
        flush();
        if (onRightPanBegan) onRightPanBegan(fraction);
    }
}

void WaveformInputView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) {
        flush();
        if (onDoubleClick) onDoubleClick();
    } else if (event->button() == Qt::RightButton) {
        // A fast second right press starts another grab like the first.
        mousePressEvent(event);
    }
}

void WaveformInputView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const double fraction = fractionAt(event->position().x());
    if (event->buttons().testFlag(Qt::LeftButton)) {
        pendingSeek_ = PendingSeek{fraction, isFine(event)};
        ensureFlushTimer();
    } else if (event->buttons().testFlag(Qt::RightButton)) {
        pendingRight_ = fraction;
        ensureFlushTimer();
    }
}

void WaveformInputView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) {
        flush();
    } else if (event->button() == Qt::RightButton) {
        flush();
        if (onRightPanEnded) onRightPanEnded();
    }
}

void WaveformInputView::ensureFlushTimer() {
    if (flushTimer_) return;
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(1000 / 60);
    connect(timer, &QTimer::timeout, this, &WaveformInputView::flush);
    timer->start();
    flushTimer_ = timer;
}

void WaveformInputView::flush() {
    if (hasPendingZoom_) {
        const double dy = pendingZoomDy_;
        pendingZoomDy_ = 0;
        hasPendingZoom_ = false;
        if (onZoom) onZoom(dy, pendingZoomFraction_);
    }
    if (pendingPan_ != 0) {
        const double dx = pendingPan_;
        pendingPan_ = 0;
        if (onPan) onPan(dx);
    }
    if (pendingSeek_) {
        const PendingSeek seek = *pendingSeek_;
        pendingSeek_.reset();
        if (onSeek) onSeek(seek.fraction, seek.fine);
    }
    if (pendingRight_) {
        const double fraction = *pendingRight_;
        pendingRight_.reset();
        if (onRightPanMoved) onRightPanMoved(fraction);
    }
    if (!hasPendingZoom_ && pendingPan_ == 0 && !pendingSeek_ && flushTimer_) {
        flushTimer_->stop();
        flushTimer_->deleteLater();
        flushTimer_ = nullptr;
    }
}

} // namespace barquill
