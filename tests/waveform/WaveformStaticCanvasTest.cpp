#include "waveform/WaveformStaticCanvas.h"
#include "waveform/PlayheadOverlay.h"
#include "waveform/StaticCanvasCache.h"

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

TEST(WaveformCanvasGrid, OneNumberPerFiftySixPoints) {
    EXPECT_EQ(barNumberStep(200, 560), 20);
    EXPECT_EQ(barNumberStep(0, 560), 1);
    EXPECT_EQ(barNumberStep(5, 30), 5); // narrower than 56 points: one label's worth
}

TEST(WaveformCanvasGrid, ADenseGridKeepsOnlyTheNumberedBarLinesAndNoBeatLines) {
    WaveformStaticCanvas canvas = monoCanvas(0.0f);
    canvas.bars = barsEverySecond(900); // an hour-long view, 400 points wide
    for (int i = 0; i < 3600; ++i)
        canvas.beats.push_back(i * 0.25);
    canvas.viewLength = 900;
    const QImage image = render(canvas);
    std::vector<int> lineStarts;
    const QColor green(0, 255, 0);
    for (int x = 0; x < W; ++x) {
        if (!isMostly(image, x, H - 5, green)) {
            EXPECT_TRUE(isTransparent(image, x, H - 5)) << "a beat line at " << x;
        } else if (x == 0 || !isMostly(image, x - 1, H - 5, green)) {
            lineStarts.push_back(x);
        }
    }
    const int step = barNumberStep(900, W);
    std::vector<int> numbered;
    for (int bar = 0; bar < 900; bar += step)
        numbered.push_back(static_cast<int>(bar * W / 900.0));
    EXPECT_EQ(lineStarts, numbered);
}

TEST(WaveformCanvasLoop, OutsideOfTheLoopIsShaded) {
    WaveformStaticCanvas canvas = monoCanvas(0);
    canvas.loopStart = 1;
    canvas.loopEnd = 2;
    const QImage image = render(canvas);
    EXPECT_NEAR(image.pixelColor(50, 2).alphaF(), 0.28, 0.01);
    EXPECT_NEAR(image.pixelColor(250, 2).alphaF(), 0.28, 0.01);
    EXPECT_EQ(image.pixelColor(50, 2).red(), 0);
    EXPECT_TRUE(isTransparent(image, 150, 2));
    EXPECT_TRUE(isMostly(image, 100, 2, QColor(255, 0, 0)));
    EXPECT_TRUE(isMostly(image, 199, 2, QColor(255, 0, 0))); // end edge just inside
}

TEST(WaveformCanvasLoop, ALoopEndingAtTheRightEdgeHasNoRightShadeAndItsEdgeAtWidthMinusTwo) {
    WaveformStaticCanvas canvas = monoCanvas(0);
    canvas.loopStart = 2;
    canvas.loopEnd = 4;
    const QImage image = render(canvas);
    EXPECT_TRUE(isTransparent(image, 397, 2));
    EXPECT_TRUE(isMostly(image, 398, 2, QColor(255, 0, 0)));
    EXPECT_TRUE(isMostly(image, 399, 2, QColor(255, 0, 0)));
}

TEST(WaveformCanvasLanes, MonoBarsAreSymmetricAboutTheMiddle) {
    const QImage image = render(monoCanvas(0.5f)); // hh = (50 − 6) × 0.5 = 22
    EXPECT_FALSE(isTransparent(image, 150, 29));
    EXPECT_FALSE(isTransparent(image, 150, 71));
    EXPECT_TRUE(isTransparent(image, 150, 26));
    EXPECT_TRUE(isTransparent(image, 150, 73));
    EXPECT_TRUE(isMostly(image, 150, 30, QColor::fromRgbF(0.51f, 0.61f, 0.72f)));
}

TEST(WaveformCanvasLanes, StereoDrawsTwoLanesAndACentreLine) {
    WaveformStaticCanvas canvas = monoCanvas(0.5f);
    canvas.mode = WaveformDisplayMode::stereo;
    const QImage image = render(canvas);
    EXPECT_FALSE(isTransparent(image, 200, 27)); // upper lane around h/4 + 2
    EXPECT_FALSE(isTransparent(image, 200, 77)); // lower lane around 3h/4 + 2
    EXPECT_FALSE(isTransparent(image, 300, 49)); // centre line
}

TEST(WaveformCanvasLanes, StereoWithAnEmptyRightLaneDrawsNothingAtAll) {
    WaveformStaticCanvas canvas = monoCanvas(0.5f);
    canvas.mode = WaveformDisplayMode::stereo;
    canvas.right.clear();
    canvas.bars = barsEverySecond(4);
    canvas.loopStart = 1;
    canvas.loopEnd = 2;
    const QImage image = render(canvas);
    EXPECT_EQ(opaquePixels(image, image.rect()), 0);
}

TEST(WaveformCanvasLanes, ValuesAboveFullScaleAreDrawnAsFullScale) {
    EXPECT_EQ(render(monoCanvas(1.0f)), render(monoCanvas(3.0f)));
}

TEST(WaveformCanvasValue, EqualCanvasesRenderOnceAndAnyFieldChangeRendersAgain) {
    StaticCanvasCache cache;
    const CanvasTextStyle text = CanvasTextStyle::fromApplication();
    WaveformStaticCanvas canvas = monoCanvas();
    EXPECT_TRUE(cache.update(canvas, QSize(W, H), 1, text));
    EXPECT_FALSE(cache.update(monoCanvas(), QSize(W, H), 1, text));
    canvas.showBarNumbers = false;
    EXPECT_TRUE(cache.update(canvas, QSize(W, H), 1, text));
    canvas.loopStart = 1;
    EXPECT_TRUE(cache.update(canvas, QSize(W, H), 1, text));
    EXPECT_TRUE(cache.update(canvas, QSize(W + 1, H), 1, text));
    EXPECT_EQ(cache.renderCount(), 4);
}

TEST(Playhead, NoneAtTimeZeroWithoutAudioOrOutsideTheView) {
    EXPECT_FALSE(playheadFor(true, 0, 0, 10));
    EXPECT_FALSE(playheadFor(false, 5, 0, 10));
    EXPECT_FALSE(playheadFor(true, 11, 0, 10));
    EXPECT_FALSE(playheadFor(true, 5, 0, 0));
    ASSERT_TRUE(playheadFor(true, 5, 0, 10));
    EXPECT_DOUBLE_EQ(playheadFor(true, 5, 0, 10)->fraction, 0.5);
    EXPECT_DOUBLE_EQ(playheadFor(true, 10, 0, 10)->fraction, 1.0);
}

TEST(Playhead, DarkensThePlayedPartAndDrawsALineWithAHighlight) {
    QImage image(W, H, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    PlayheadOverlay{0.5}.draw(painter, QSizeF(W, H));
    painter.end();
    EXPECT_NEAR(image.pixelColor(100, 50).alphaF(), 0.12, 0.01);
    EXPECT_NEAR(image.pixelColor(200, 50).alphaF(), 0.5, 0.01);
    EXPECT_EQ(image.pixelColor(201, 50).red(), 255);
    EXPECT_TRUE(isTransparent(image, 250, 50));
}

// The overlay as three antialiased rectangles, the plain way: the reference for the composed strip.
QImage referenceOverlay(double fraction, double dpr) {
    QImage image(static_cast<int>(W * dpr), static_cast<int>(H * dpr), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(QColor(90, 140, 200));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const double x = fraction * W;
    painter.fillRect(QRectF(0, 0, x, H), QColor(0, 0, 0, 31));
    painter.fillRect(QRectF(x, 0, 1, H), QColor(0, 0, 0, 128));
    painter.fillRect(QRectF(x + 1, 0, 1, H), QColor(255, 255, 255, 89));
    return image;
}

int largestChannelDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return largest;
}

TEST(Playhead, MatchesAntialiasedRectanglesAtFractionalPositionsAndScales) {
    for (const double dpr : {1.0, 2.0, 1.5})
        for (const double fraction : {0.0, 0.25, 0.3337, 0.5021, 0.9951, 1.0}) {
            SCOPED_TRACE(testing::Message() << "dpr " << dpr << " fraction " << fraction);
            QImage image(static_cast<int>(W * dpr), static_cast<int>(H * dpr),
                         QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(dpr);
            image.fill(QColor(90, 140, 200));
            QPainter painter(&image);
            PlayheadOverlay{fraction}.draw(painter, QSizeF(W, H));
            painter.end();
            EXPECT_LE(largestChannelDifference(image, referenceOverlay(fraction, dpr)), 2);
        }
}

TEST(Playhead, AClippedDrawTouchesOnlyTheClipAndMatchesTheFullDrawThere) {
    const auto draw = [](const std::optional<QRect>& clip) {
        QImage image(W, H, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(90, 140, 200));
        QPainter painter(&image);
        if (clip) painter.setClipRect(*clip);
        PlayheadOverlay{0.6123}.draw(painter, QSizeF(W, H));
        return image;
    };
    // The line is at x = 244.9: the first clip holds played columns only, the second the line.
    const QRect clip(110, 0, 20, H);
    const QImage full = draw(std::nullopt);
    for (const QRect& c : {clip, QRect(240, 0, 9, H)}) {
        const QImage clipped = draw(c);
        for (int x = 0; x < W; ++x) {
            const QRgb expected = c.contains(x, 10) ? full.pixel(x, 10) : qRgb(90, 140, 200);
            ASSERT_EQ(clipped.pixel(x, 10), expected) << x;
        }
    }
}

} // namespace
} // namespace barquill
