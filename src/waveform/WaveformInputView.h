#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

namespace barquill {

// The transparent layer over the waveform that turns wheel, trackpad and mouse events into seven
// high-level callbacks. Scrolls and drags are not delivered one by one: they accumulate and a
// 1/60 s timer, alive only while something is pending, delivers them together (or a button press
// or release does, earlier). Holding Alt makes a click sample-exact.
//
// Threads: GUI thread only. The callbacks are owned by the view; the flush timer is its child,
// so it dies with the view.
class WaveformInputView : public QWidget {
    Q_OBJECT
public:
    explicit WaveformInputView(QWidget* parent = nullptr);

    std::function<void(double fraction, bool fine)> onSeek;
    std::function<void(double dy, double fraction)> onZoom;
    std::function<void(double dx)> onPan;
    std::function<void(double fraction)> onRightPanBegan;
    std::function<void(double fraction)> onRightPanMoved;
    std::function<void()> onRightPanEnded;
    std::function<void()> onDoubleClick;

    // Delivers everything pending now, in the order zoom, pan, seek, right-drag.
    void flush();
    bool hasFlushTimer() const { return flushTimer_ != nullptr; }
    // The pointer's x as a fraction of the width, clamped to 0…1; 0 when the view has no width.
    double fractionAt(double x) const;

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct PendingSeek {
        double fraction;
        bool fine;
    };
    void ensureFlushTimer();

    double pendingZoomDy_ = 0;
    double pendingZoomFraction_ = 0;
    bool hasPendingZoom_ = false;
    double pendingPan_ = 0;
    std::optional<PendingSeek> pendingSeek_;
    std::optional<double> pendingRight_;
    QPointer<QTimer> flushTimer_;
};

} // namespace barquill
