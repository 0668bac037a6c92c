#pragma once

#include "analysis/BeatBarAnalysis.h"
#include "store/WaveformDisplayMode.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QSizeF>

#include <optional>
#include <vector>

class QPainter;

namespace barquill {

// Everything the static part of the waveform depends on. Two equal canvases draw the same
// picture, so the view redraws only when the value changes; the playhead is not part of it.
struct WaveformStaticCanvas {
    QList<float> mono;
    QList<float> left;
    QList<float> right;
    WaveformDisplayMode mode = WaveformDisplayMode::mono;
    std::vector<double> beats; // seconds, nudged
    std::vector<Bar> bars;     // nudged
    double viewStart = 0;
    double viewLength = 0;
    QColor barColor;
    bool showBarNumbers = true;
    std::optional<double> loopStart;
    std::optional<double> loopEnd;
    QColor loopColor;

    bool operator==(const WaveformStaticCanvas&) const = default;
};

// The toolkit's text styles the canvas uses; they follow the palette, not the document.
struct CanvasTextStyle {
    QFont laneLabelFont; // smallest caption
    QFont barNumberFont; // 9-point monospaced
    QColor secondary;    // secondary foreground

    bool operator==(const CanvasTextStyle&) const = default;
    static CanvasTextStyle fromApplication();
};

// Mono and upper stereo lane.
inline const QColor waveformBlue = QColor::fromRgbF(0.51f, 0.61f, 0.72f);
// Lower stereo lane.
inline const QColor lightWaveformBlue = QColor::fromRgbF(0.64f, 0.72f, 0.81f);

// Draws the canvas into a w × h area at the painter's origin: waveform lanes, beat and bar
// lines, bar numbers and the loop shading. Nothing is drawn unless w > 1 and h > 1.
void drawStaticCanvas(QPainter& painter, const WaveformStaticCanvas& canvas, QSizeF size,
                      const CanvasTextStyle& text);

// The step between numbered bars: at most one number per 56 points of width.
int barNumberStep(int visibleBars, double width);

} // namespace barquill
