#include "waveform/WaveformStaticCanvas.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace barquill {
namespace {

QColor withOpacity(QColor color, double opacity) {
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

// The bucket shown in column i: index ⌊i ÷ w × n⌋, values above full scale drawn as full scale.
float columnValue(const QList<float>& values, qsizetype n, int column, double width) {
    auto index = static_cast<qsizetype>(static_cast<double>(column) / width * static_cast<double>(n));
    index = std::clamp<qsizetype>(index, 0, n - 1);
    return std::min(values[index], 1.0f);
}

QLinearGradient verticalGradient(double top, double bottom, const QColor& color) {
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, color);
    gradient.setColorAt(1, withOpacity(color, 0.45));
    return gradient;
}

void drawCentredText(QPainter& painter, QPointF centre, const QString& text) {
    const QFontMetricsF metrics(painter.font());
    const QRectF box(centre.x() - 100, centre.y() - metrics.height() / 2, 200, metrics.height());
    painter.drawText(box, Qt::AlignCenter, text);
}

void drawStereo(QPainter& painter, const WaveformStaticCanvas& canvas, double w, double h, double mid,
                const CanvasTextStyle& text) {
    const qsizetype n = std::min(canvas.left.size(), canvas.right.size());
    const int columns = static_cast<int>(w);
    painter.fillRect(QRectF(0, mid - 0.5, w, 1), withOpacity(QColor(128, 128, 128), 0.5));

    std::vector<QRectF> upper, lower;
    upper.reserve(columns);
    lower.reserve(columns);
    for (int i = 0; i < columns; ++i) {
        const double lh = std::max((mid - 8) * columnValue(canvas.left, n, i, w), 1.0);
        const double rh = std::max((mid - 8) * columnValue(canvas.right, n, i, w), 1.0);
        upper.emplace_back(i, mid / 2 - lh / 2 + 2, 1, lh);
        lower.emplace_back(i, mid + mid / 2 - rh / 2 + 2, 1, rh);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(verticalGradient(0, mid, waveformBlue));
    painter.drawRects(upper.data(), static_cast<int>(upper.size()));
    painter.setBrush(verticalGradient(mid, h, lightWaveformBlue));
    painter.drawRects(lower.data(), static_cast<int>(lower.size()));

    painter.setFont(text.laneLabelFont);
    painter.setPen(text.secondary);
    drawCentredText(painter, QPointF(12, 12), QStringLiteral("L"));
    drawCentredText(painter, QPointF(12, h - 12), QStringLiteral("R"));
}

void drawMono(QPainter& painter, const WaveformStaticCanvas& canvas, double w, double h, double mid) {
    const qsizetype n = canvas.mono.size();
    const int columns = static_cast<int>(w);
    std::vector<QRectF> rects;
    rects.reserve(columns);
    for (int i = 0; i < columns; ++i) {
        const double hh = std::max((mid - 6) * columnValue(canvas.mono, n, i, w), 1.0);
        rects.emplace_back(i, mid - hh, 1, 2 * hh);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(verticalGradient(0, h, waveformBlue));
    painter.drawRects(rects.data(), static_cast<int>(rects.size()));
}

void drawGrid(QPainter& painter, const WaveformStaticCanvas& canvas, double w, double h,
              const CanvasTextStyle& text) {
    const double start = canvas.viewStart;
    const double end = canvas.viewStart + canvas.viewLength;
    auto x = [&](double t) { return std::clamp((t - start) / canvas.viewLength, 0.0, 1.0) * w; };

    // Lines of one kind are one path, so lines closer than a point do not darken each other.
    QPainterPath beatLines;
    beatLines.setFillRule(Qt::WindingFill);
    for (double t : canvas.beats)
        if (start <= t && t <= end) beatLines.addRect(x(t), 0, 1, h);
    painter.fillPath(beatLines, withOpacity(Qt::white, 0.14));

    QPainterPath barLines;
    barLines.setFillRule(Qt::WindingFill);
    int visible = 0;
    for (const Bar& bar : canvas.bars) {
        if (bar.startTime + bar.duration >= start && bar.startTime <= end) {
            barLines.addRect(x(bar.startTime), 0, 1, h);
            ++visible;
        }
    }
    painter.fillPath(barLines, withOpacity(canvas.barColor, 0.55));

    if (!canvas.showBarNumbers) return;
    const int step = barNumberStep(visible, w);
    painter.setFont(text.barNumberFont);
    painter.setPen(text.secondary);
    for (const Bar& bar : canvas.bars) {
        if (bar.index % step != 0 || bar.startTime < start || bar.startTime > end) continue;
        const double labelX = x(bar.startTime) + 4;
        if (labelX < w - 20) drawCentredText(painter, QPointF(labelX, 12), QString::number(bar.index + 1));
    }
}

void drawLoop(QPainter& painter, const WaveformStaticCanvas& canvas, double w, double h) {
    const double loopStart = *canvas.loopStart;
    const double loopEnd = *canvas.loopEnd;
    const double end = canvas.viewStart + canvas.viewLength;
    if (!(loopStart < loopEnd && canvas.viewStart <= loopEnd && loopStart <= end)) return;
    auto x = [&](double t) { return std::clamp((t - canvas.viewStart) / canvas.viewLength, 0.0, 1.0) * w; };
    const double x0 = x(loopStart);
    const double x1 = x(loopEnd);
    const QColor shade = withOpacity(Qt::black, 0.28);
    if (x0 > 0) painter.fillRect(QRectF(0, 0, x0, h), shade);
    if (x1 < w) painter.fillRect(QRectF(x1, 0, w - x1, h), shade);

    QPainterPath edges;
    edges.setFillRule(Qt::WindingFill);
    edges.addRect(x0, 0, 2, h);
    edges.addRect(std::min(std::max(x1 - 2, 0.0), w - 1), 0, 2, h);
    painter.fillPath(edges, withOpacity(canvas.loopColor, 0.7));
}

} // namespace

CanvasTextStyle CanvasTextStyle::fromApplication() {
    CanvasTextStyle style;
    style.laneLabelFont = QApplication::font();
    style.laneLabelFont.setPointSizeF(std::max(style.laneLabelFont.pointSizeF() - 2, 7.0));
    style.barNumberFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    style.barNumberFont.setPointSizeF(9);
    style.secondary = withOpacity(QApplication::palette().color(QPalette::WindowText), 0.55);
    return style;
}

int barNumberStep(int visibleBars, double width) {
    const double perLabel = std::max(width / 56.0, 1.0);
    return std::max(static_cast<int>(std::ceil(std::max(visibleBars, 1) / perLabel)), 1);
}

void drawStaticCanvas(QPainter& painter, const WaveformStaticCanvas& canvas, QSizeF size,
                      const CanvasTextStyle& text) {
    const double w = size.width();
    const double h = size.height();
    if (!(w > 1 && h > 1)) return;
    const double mid = h / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (canvas.mode == WaveformDisplayMode::stereo) {
        if (canvas.left.isEmpty() || canvas.right.isEmpty()) {
            painter.restore();
            return;
        }
        drawStereo(painter, canvas, w, h, mid, text);
    } else {
        if (canvas.mono.isEmpty()) {
            painter.restore();
            return;
        }
        drawMono(painter, canvas, w, h, mid);
    }
    if (canvas.viewLength > 0 && !canvas.bars.empty()) drawGrid(painter, canvas, w, h, text);
    if (canvas.viewLength > 0 && canvas.loopStart && canvas.loopEnd) drawLoop(painter, canvas, w, h);
    painter.restore();
}

} // namespace barquill
