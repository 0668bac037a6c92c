#include "waveform/PlayheadOverlay.h"

#include <QColor>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace barquill {

namespace {

// Alphas of the three layers, as 8-bit values the way a QColor would round them.
constexpr int kPlayedAlpha = 31;    // black at 0.12
constexpr int kLineAlpha = 128;     // black at 0.5
constexpr int kHighlightAlpha = 89; // white at 0.35

// Uniform played columns next to the line that go into the strip image rather than a fill.
constexpr int kStripLead = 32;

double overlap(double a0, double a1, double b0, double b1) {
    return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
}

// The three layers composed over nothing for device column j, as a premultiplied pixel: source-over
// is associative, so drawing this once equals drawing the three coverage-weighted rectangles in turn.
QRgb columnPixel(int j, double lineX, double lineWidth) {
    const double played = kPlayedAlpha / 255.0 * std::clamp(lineX - j, 0.0, 1.0);
    const double line = kLineAlpha / 255.0 * overlap(j, j + 1, lineX, lineX + lineWidth);
    const double highlight =
        kHighlightAlpha / 255.0 * overlap(j, j + 1, lineX + lineWidth, lineX + 2 * lineWidth);
    const double alpha = highlight + (line + played * (1 - line)) * (1 - highlight);
    const int w = static_cast<int>(std::lround(highlight * 255)); // only the highlight is white
    return qRgba(w, w, w, static_cast<int>(std::lround(alpha * 255)));
}

} // namespace

double PlayheadOverlay::lineX(double width) const {
    return std::clamp(fraction, 0.0, 1.0) * width;
}

// Filling a full-height rectangle makes Qt's raster engine hand its few hundred spans to a
// thread pool, and waking those threads costs more than the fill. So the columns around the line
// are composed here into a narrow image (one row computed, the rest copied) and blitted, which
// Qt does on this thread; only a wide uniform played part still goes through a plain fill.
void PlayheadOverlay::draw(QPainter& painter, QSizeF size) const {
    const double w = size.width();
    const double h = size.height();
    if (!(w > 1 && h > 1)) return;
    const double dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const double x = lineX(w) * dpr; // in device pixels from here on
    const int deviceWidth = static_cast<int>(std::ceil(w * dpr));
    const int rows = static_cast<int>(std::ceil(h * dpr));

    int begin = 0;
    int end = std::min(static_cast<int>(std::ceil(x + 2 * dpr)), deviceWidth);
    if (painter.hasClipping()) {
        const QRectF clip = painter.clipBoundingRect();
        begin = std::max(begin, static_cast<int>(std::floor(clip.left() * dpr)));
        end = std::min(end, static_cast<int>(std::ceil(clip.right() * dpr)));
    }
    if (begin >= end) return;
    const int stripBegin = std::clamp(static_cast<int>(std::floor(x)) - kStripLead, begin, end);

    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (stripBegin > begin)
        painter.fillRect(QRectF(begin / dpr, 0, (stripBegin - begin) / dpr, h),
                         QColor(0, 0, 0, kPlayedAlpha));

    QImage strip(end - stripBegin, rows, QImage::Format_ARGB32_Premultiplied);
    if (!strip.isNull()) {
        auto* first = reinterpret_cast<QRgb*>(strip.scanLine(0));
        for (int j = stripBegin; j < end; ++j)
            first[j - stripBegin] = columnPixel(j, x, dpr);
        const size_t rowBytes = static_cast<size_t>(strip.width()) * sizeof(QRgb);
        for (int y = 1; y < rows; ++y)
            std::memcpy(strip.scanLine(y), first, rowBytes);
        strip.setDevicePixelRatio(dpr);
        painter.drawImage(QPointF(stripBegin / dpr, 0), strip);
    }
    painter.restore();
}

std::optional<PlayheadOverlay> playheadFor(bool hasAudio, double currentTime, double viewStart,
                                           double viewLength) {
    if (!hasAudio || currentTime <= 0 || viewLength <= 0) return std::nullopt;
    const double f = (currentTime - viewStart) / viewLength;
    if (!(f >= 0 && f <= 1)) return std::nullopt;
    return PlayheadOverlay{f};
}

} // namespace barquill
