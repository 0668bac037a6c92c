#include "waveform/WaveformStaticCanvas.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
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

// For full-height rectangles [left, left + width) × [0, h): the share of each pixel column that
// their union covers. Overlapping rectangles count once, as in one non-zero-winding fill.
std::vector<float> columnCoverage(std::vector<std::pair<double, double>> spans, double w) {
    const int columns = static_cast<int>(std::ceil(w));
    std::vector<float> coverage(static_cast<size_t>(std::max(columns, 0)), 0.0f);
    if (spans.empty()) return coverage;
    std::sort(spans.begin(), spans.end());
    auto cover = [&](double from, double to) {
        from = std::max(from, 0.0);
        to = std::min(to, w);
        for (auto c = static_cast<int>(std::floor(from)); c < columns && c < to; ++c)
            coverage[static_cast<size_t>(c)] +=
                static_cast<float>(std::min(to, c + 1.0) - std::max(from, static_cast<double>(c)));
    };
    double from = spans.front().first, to = spans.front().first + spans.front().second;
    for (const auto& [left, width] : spans) {
        if (left > to) {
            cover(from, to);
            from = left;
        }
        to = std::max(to, left + width);
    }
    cover(from, to);
    for (float& share : coverage)
        share = std::min(share, 1.0f);
    return coverage;
}

// Layers that do not change down the height (grid lines, loop edges): composed in one pixel row,
// then drawn stretched over the full height in one call — far cheaper than hundreds of
// one-pixel-wide fills or a path of hundreds of rectangles.
class ColumnRow {
public:
    explicit ColumnRow(double w)
        : width_(w),
          row_(static_cast<int>(std::ceil(std::max(w, 1.0))), 1, QImage::Format_ARGB32_Premultiplied) {
        row_.fill(Qt::transparent);
    }
    // Adds the union of the spans in `color`, anti-aliased, over what the row holds.
    void add(std::vector<std::pair<double, double>> spans, const QColor& color) {
        const std::vector<float> coverage = columnCoverage(std::move(spans), width_);
        auto* pixels = reinterpret_cast<QRgb*>(row_.scanLine(0));
        for (size_t c = 0; c < coverage.size(); ++c) {
            if (coverage[c] <= 0) continue;
            const double a = color.alphaF() * coverage[c];
            const double keep = 1.0 - a;
            const QRgb d = pixels[c];
            pixels[c] = qRgba(static_cast<int>(color.redF() * a * 255 + qRed(d) * keep + 0.5),
                              static_cast<int>(color.greenF() * a * 255 + qGreen(d) * keep + 0.5),
                              static_cast<int>(color.blueF() * a * 255 + qBlue(d) * keep + 0.5),
                              static_cast<int>(a * 255 + qAlpha(d) * keep + 0.5));
            empty_ = false;
        }
    }
    void draw(QPainter& painter, double h) const {
        if (empty_) return;
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.drawImage(QRectF(0, 0, row_.width(), h), row_);
        painter.restore();
    }

private:
    double width_;
    QImage row_;
    bool empty_ = true;
};

// Fills one-point-wide column rectangles with a vertical gradient from `color` at `gradientTop`
// to `color` at opacity 0.45 at `gradientBottom`, anti-aliased at their top and bottom edges.
// Painting straight into the canvas image, row by row, costs a fraction of what the general
// gradient rasteriser needs for thousands of thin rectangles; any other painter takes that path.
void fillGradientColumns(QPainter& painter, const std::vector<QRectF>& rects, double gradientTop,
                         double gradientBottom, const QColor& color) {
    auto* image = dynamic_cast<QImage*>(painter.device());
    const QTransform transform = painter.deviceTransform();
    const double scale = transform.m11();
    const bool direct = image && image->format() == QImage::Format_ARGB32_Premultiplied &&
                        transform.type() <= QTransform::TxScale && transform.dx() == 0 &&
                        transform.dy() == 0 && transform.m22() == scale && scale >= 1 &&
                        scale == std::floor(scale) && !painter.hasClipping() && painter.opacity() == 1 &&
                        painter.compositionMode() == QPainter::CompositionMode_SourceOver;
    if (!direct) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(verticalGradient(gradientTop, gradientBottom, color));
        painter.drawRects(rects.data(), static_cast<int>(rects.size()));
        return;
    }
    struct Span {
        int x0, x1;
        double y0, y1;
    };
    std::vector<Span> spans;
    spans.reserve(rects.size());
    double firstRow = image->height(), lastRow = 0;
    for (const QRectF& r : rects) {
        const auto x0 = static_cast<int>(std::lround(r.left() * scale));
        spans.push_back({std::max(x0, 0), std::min(x0 + static_cast<int>(scale), image->width()),
                         r.top() * scale, r.bottom() * scale});
        firstRow = std::min(firstRow, r.top() * scale);
        lastRow = std::max(lastRow, r.bottom() * scale);
    }
    const double top = gradientTop * scale;
    const double span = std::max(gradientBottom * scale - top, 1e-9);
    const int rowFrom = std::max(static_cast<int>(std::floor(firstRow)), 0);
    const int rowTo = std::min(static_cast<int>(std::ceil(lastRow)), image->height());
    const double red = color.redF() * 255, green = color.greenF() * 255, blue = color.blueF() * 255;
    auto blend = [](QRgb d, double a, double r, double g, double b) {
        const double keep = 1.0 - a;
        return qRgba(static_cast<int>(r + qRed(d) * keep + 0.5), static_cast<int>(g + qGreen(d) * keep + 0.5),
                     static_cast<int>(b + qBlue(d) * keep + 0.5),
                     static_cast<int>(a * 255 + qAlpha(d) * keep + 0.5));
    };
    for (int y = rowFrom; y < rowTo; ++y) {
        const double position = std::clamp((y + 0.5 - top) / span, 0.0, 1.0);
        const double alpha = color.alphaF() * (1.0 - 0.55 * position);
        auto* line = reinterpret_cast<QRgb*>(image->scanLine(y));
        // A fully covered pixel of this row, blended over transparency (the common case).
        const QRgb solid = blend(0, alpha, red * alpha, green * alpha, blue * alpha);
        for (const Span& s : spans) {
            const double coverage = std::min(s.y1, y + 1.0) - std::max(s.y0, static_cast<double>(y));
            if (coverage <= 0) continue;
            const double a = alpha * std::min(coverage, 1.0);
            for (int x = s.x0; x < s.x1; ++x)
                line[x] =
                    (coverage >= 1 && line[x] == 0) ? solid : blend(line[x], a, red * a, green * a, blue * a);
        }
    }
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
    fillGradientColumns(painter, upper, 0, mid, waveformBlue);
    fillGradientColumns(painter, lower, mid, h, lightWaveformBlue);

    painter.setFont(text.laneLabelFont);
    painter.setPen(text.secondary);
    // Below the row of bar numbers, which starts at the left edge too.
    drawCentredText(painter, QPointF(12, 30), QStringLiteral("L"));
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
    fillGradientColumns(painter, rects, 0, h, waveformBlue);
}

// The closest grid lines are drawn, in pixels, on average across the view.
constexpr double minGridLineSpacing = 4.0;

void drawGrid(QPainter& painter, const WaveformStaticCanvas& canvas, double w, double h,
              const CanvasTextStyle& text) {
    const double start = canvas.viewStart;
    const double end = canvas.viewStart + canvas.viewLength;
    auto x = [&](double t) { return std::clamp((t - start) / canvas.viewLength, 0.0, 1.0) * w; };

    const auto visibleBeats = std::count_if(canvas.beats.begin(), canvas.beats.end(),
                                            [&](double t) { return start <= t && t <= end; });
    const auto visible =
        static_cast<int>(std::count_if(canvas.bars.begin(), canvas.bars.end(), [&](const Bar& bar) {
            return bar.startTime + bar.duration >= start && bar.startTime <= end;
        }));
    const int step = barNumberStep(visible, w);
    // Lines closer than a few pixels melt into a solid slab that hides the waveform and the loop
    // edges: beat lines are then left out, bar lines kept only where a number goes.
    const bool denseBeats = static_cast<double>(visibleBeats) * minGridLineSpacing > w;
    const bool denseBars = static_cast<double>(visible) * minGridLineSpacing > w;

    ColumnRow lines(w);
    std::vector<std::pair<double, double>> beatLines;
    if (!denseBeats)
        for (double t : canvas.beats)
            if (start <= t && t <= end) beatLines.emplace_back(x(t), 1.0);
    lines.add(std::move(beatLines), withOpacity(Qt::white, 0.14));

    std::vector<std::pair<double, double>> barLines;
    for (const Bar& bar : canvas.bars)
        if (bar.startTime + bar.duration >= start && bar.startTime <= end &&
            (!denseBars || bar.index % step == 0))
            barLines.emplace_back(x(bar.startTime), 1.0);
    lines.add(std::move(barLines), withOpacity(canvas.barColor, 0.55));
    lines.draw(painter, h);

    if (!canvas.showBarNumbers) return;
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
    // The shade outside the loop and the loop edges, in that order, composed in one row.
    ColumnRow row(w);
    std::vector<std::pair<double, double>> shade;
    if (x0 > 0) shade.emplace_back(0.0, x0);
    if (x1 < w) shade.emplace_back(x1, w - x1);
    for (const auto& part : shade)
        row.add({part}, withOpacity(Qt::black, 0.28));
    row.add({{x0, 2.0}, {std::min(std::max(x1 - 2, 0.0), w - 1), 2.0}}, withOpacity(canvas.loopColor, 0.7));
    row.draw(painter, h);
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
