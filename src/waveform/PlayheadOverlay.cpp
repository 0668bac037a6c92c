#include "waveform/PlayheadOverlay.h"

#include <QColor>
#include <QPainter>

#include <algorithm>

namespace barquill {

double PlayheadOverlay::lineX(double width) const {
    return std::clamp(fraction, 0.0, 1.0) * width;
}

void PlayheadOverlay::draw(QPainter& painter, QSizeF size) const {
    const double w = size.width();
    const double h = size.height();
    if (!(w > 1 && h > 1)) return;
    const double x = lineX(w);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(QRectF(0, 0, x, h), QColor(0, 0, 0, qRound(255 * 0.12)));
    painter.fillRect(QRectF(x, 0, 1, h), QColor(0, 0, 0, qRound(255 * 0.5)));
    painter.fillRect(QRectF(x + 1, 0, 1, h), QColor(255, 255, 255, qRound(255 * 0.35)));
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
