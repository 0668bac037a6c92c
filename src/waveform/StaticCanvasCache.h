#pragma once

#include "waveform/WaveformStaticCanvas.h"

#include <QImage>
#include <QSize>

#include <optional>

namespace barquill {

// Keeps the last static canvas rendered into an image and renders again only when the canvas
// value, its size, the pixel ratio or the text style changed.
//
// Threads: GUI thread only. Owned by the view that paints it.
class StaticCanvasCache {
public:
    // True when the image had to be rendered again. The canvas is drawn over `background`, so
    // the view composes one image instead of several full-area fills on every frame.
    bool update(const WaveformStaticCanvas& canvas, QSize size, qreal devicePixelRatio,
                const CanvasTextStyle& text, const QColor& background = Qt::transparent);
    const QImage& image() const { return image_; }
    QSize size() const { return size_; }
    // How many times the image was rendered; the tests count repaints with it.
    int renderCount() const { return renderCount_; }
    void invalidate() { canvas_.reset(); }
    // Whether the image shows this canvas value.
    bool holds(const WaveformStaticCanvas& canvas) const { return canvas_ && *canvas_ == canvas; }

private:
    std::optional<WaveformStaticCanvas> canvas_;
    QSize size_;
    qreal devicePixelRatio_ = 1;
    CanvasTextStyle text_;
    QColor background_;
    QImage image_;
    int renderCount_ = 0;
};

} // namespace barquill
