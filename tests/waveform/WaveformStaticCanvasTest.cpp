#include "waveform/WaveformStaticCanvas.h"
#include "waveform/PlayheadOverlay.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace barquill {
namespace {

constexpr int W = 400;
constexpr int H = 100;

// A 4-second window, 400 points wide: one second is 100 points.
WaveformStaticCanvas monoCanvas(float level = 0.5f) {
    WaveformStaticCanvas canvas;
    canvas.mono = QList<float>(W, level);
    canvas.left = canvas.mono;
    canvas.right = canvas.mono;
    canvas.viewStart = 0;
    canvas.viewLength = 4;
    canvas.barColor = QColor(0, 255, 0);
    canvas.loopColor = QColor(255, 0, 0);
    return canvas;
}

std::vector<Bar> barsEverySecond(int count) {
    std::vector<Bar> bars;
    for (int i = 0; i < count; ++i)
        bars.push_back(Bar{i, i, static_cast<double>(i), 1.0, 0.9f});
    return bars;
}

QImage render(const WaveformStaticCanvas& canvas, int w = W, int h = H) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawStaticCanvas(painter, canvas, QSizeF(w, h), CanvasTextStyle::fromApplication());
    return image;
}

bool isTransparent(const QImage& image, int x, int y) {
    return qAlpha(image.pixel(x, y)) == 0;
}

bool isMostly(const QImage& image, int x, int y, QColor expected) {
    const QColor c = image.pixelColor(x, y);
    return c.alpha() > 0 && std::abs(c.red() - expected.red()) < 60 &&
           std::abs(c.green() - expected.green()) < 60 && std::abs(c.blue() - expected.blue()) < 60;
}

int opaquePixels(const QImage& image, QRect area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

TEST(WaveformCanvasGrid, BarLinesInTheBarColourAndFaintWhiteBeatLinesOnlyWithBars) {
    WaveformStaticCanvas canvas = monoCanvas();
    canvas.bars = barsEverySecond(4);
    canvas.beats = {0, 0.25, 1, 2, 3};
    QImage image = render(canvas);
    for (int x : {100, 200, 300})
        EXPECT_TRUE(isMostly(image, x, 2, QColor(0, 255, 0))) << x;
    EXPECT_NEAR(image.pixelColor(200, 2).alphaF(), 0.55 + 0.14 * 0.45, 0.02);
    EXPECT_TRUE(isTransparent(image, 150, 2));
    EXPECT_NEAR(image.pixelColor(25, 2).alphaF(), 0.14, 0.01);
    EXPECT_EQ(image.pixelColor(25, 2).red(), 255);
    canvas.bars.clear();
    image = render(canvas);
    for (int x : {25, 100, 200})
        EXPECT_TRUE(isTransparent(image, x, 2)) << x;
}

TEST(WaveformCanvasGrid, BarNumbersAreSkippedNearTheRightEdgeLeftOfTheViewAndWhileInteracting) {
    WaveformStaticCanvas canvas = monoCanvas(0);
    canvas.bars = {Bar{0, 0, 1.0, 1.0, 1}, Bar{1, 1, 3.9, 1.0, 1}};
    EXPECT_GT(opaquePixels(render(canvas), QRect(102, 4, 10, 16)), 0); // "1" beside x = 100
    EXPECT_EQ(opaquePixels(render(canvas), QRect(392, 4, 8, 16)), 0);  // x + 4 = 394 ≥ w − 20
    canvas.showBarNumbers = false;
    EXPECT_EQ(opaquePixels(render(canvas), QRect(102, 4, 10, 16)), 0);
    // A bar begun left of the view is lined at the edge but not numbered.
    canvas = monoCanvas(0);
    canvas.viewStart = 0.5;
    canvas.bars = {Bar{0, 0, 0.0, 1.0, 1}};
    const QImage image = render(canvas);
    EXPECT_TRUE(isMostly(image, 0, 2, QColor(0, 255, 0)));
    EXPECT_EQ(opaquePixels(image, QRect(2, 4, 10, 16)), 0);
}

// One number per 56 points; a grid denser than that keeps only the numbered bar lines.
TEST(WaveformCanvasGrid, ADenseGridKeepsOnlyTheNumberedBarLinesAndNoBeatLines) {
    EXPECT_EQ(barNumberStep(200, 560), 20);
    EXPECT_EQ(barNumberStep(0, 560), 1);
    EXPECT_EQ(barNumberStep(5, 30), 5); // narrower than 56 points: one label's worth
    WaveformStaticCanvas canvas = monoCanvas(0.0f);
    canvas.bars = barsEverySecond(900); // an hour-long view, 400 points wide
    for (int i = 0; i < 3600; ++i)
        canvas.beats.push_back(i * 0.25);
    canvas.viewLength = 900;
    const QImage image = render(canvas);
    std::vector<int> lineStarts;
    const QColor green(0, 255, 0);
    for (int x = 0; x < W; ++x)
        if (!isMostly(image, x, H - 5, green))
            EXPECT_TRUE(isTransparent(image, x, H - 5)) << "a beat line at " << x;
        else if (x == 0 || !isMostly(image, x - 1, H - 5, green))
            lineStarts.push_back(x);
    std::vector<int> numbered;
    for (int bar = 0; bar < 900; bar += barNumberStep(900, W))
        numbered.push_back(static_cast<int>(bar * W / 900.0));
    EXPECT_EQ(lineStarts, numbered);
}

TEST(WaveformCanvasLoop, OutsideOfTheLoopIsShadedAndItsEdgesStayInsideTheView) {
    WaveformStaticCanvas canvas = monoCanvas(0);
    canvas.loopStart = 1;
    canvas.loopEnd = 2;
    QImage image = render(canvas);
    EXPECT_NEAR(image.pixelColor(50, 2).alphaF(), 0.28, 0.01);
    EXPECT_NEAR(image.pixelColor(250, 2).alphaF(), 0.28, 0.01);
    EXPECT_EQ(image.pixelColor(50, 2).red(), 0);
    EXPECT_TRUE(isTransparent(image, 150, 2));
    for (int x : {100, 199}) // the end edge just inside
        EXPECT_TRUE(isMostly(image, x, 2, QColor(255, 0, 0))) << x;
    // A loop ending at the right edge: no shade right of it, its edge at width − 2.
    canvas.loopStart = 2;
    canvas.loopEnd = 4;
    image = render(canvas);
    EXPECT_TRUE(isTransparent(image, 397, 2));
    for (int x : {398, 399})
        EXPECT_TRUE(isMostly(image, x, 2, QColor(255, 0, 0))) << x;
}

TEST(WaveformCanvasLanes, MonoIsSymmetricStereoHasTwoLanesAndFullScaleIsTheLimit) {
    QImage image = render(monoCanvas(0.5f)); // hh = (50 − 6) × 0.5 = 22
    for (int y : {29, 71})
        EXPECT_FALSE(isTransparent(image, 150, y)) << y;
    for (int y : {26, 73})
        EXPECT_TRUE(isTransparent(image, 150, y)) << y;
    EXPECT_TRUE(isMostly(image, 150, 30, QColor::fromRgbF(0.51f, 0.61f, 0.72f)));
    EXPECT_EQ(render(monoCanvas(1.0f)), render(monoCanvas(3.0f)));

    WaveformStaticCanvas canvas = monoCanvas(0.5f);
    canvas.mode = WaveformDisplayMode::stereo;
    image = render(canvas);
    for (int y : {27, 77, 49}) // the lanes around h/4 + 2 and 3h/4 + 2, and the centre line
        EXPECT_FALSE(isTransparent(image, 200, y)) << y;
    // Without the right channel's peaks nothing at all is drawn, not even bars or the loop.
    canvas.right.clear();
    canvas.bars = barsEverySecond(4);
    canvas.loopStart = 1;
    canvas.loopEnd = 2;
    EXPECT_EQ(opaquePixels(render(canvas), QRect(0, 0, W, H)), 0);
}

TEST(Playhead, NoneAtTimeZeroWithoutAudioOrOutsideTheView) {
    for (const auto& [hasAudio, time, length] :
         {std::tuple(true, 0.0, 10.0), {false, 5.0, 10.0}, {true, 11.0, 10.0}, {true, 5.0, 0.0}})
        EXPECT_FALSE(playheadFor(hasAudio, time, 0, length)) << time;
    EXPECT_EQ(playheadFor(true, 5, 0, 10), PlayheadOverlay{0.5});
    EXPECT_EQ(playheadFor(true, 10, 0, 10), PlayheadOverlay{1.0});
}

} // namespace
} // namespace barquill
