#include "waveform/StaticCanvasCache.h"

#include <QPainter>

namespace barquill {

bool StaticCanvasCache::update(const WaveformStaticCanvas& canvas, QSize size, qreal devicePixelRatio,
                               const CanvasTextStyle& text, const QColor& background) {
    if (canvas_ && *canvas_ == canvas && size_ == size && devicePixelRatio_ == devicePixelRatio &&
        text_ == text && background_ == background)
        return false;
    background_ = background;
    canvas_ = canvas;
    size_ = size;
    devicePixelRatio_ = devicePixelRatio;
    text_ = text;
    const QSize pixels = (QSizeF(size) * devicePixelRatio).toSize().expandedTo(QSize(1, 1));
    if (image_.size() != pixels) image_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    image_.setDevicePixelRatio(devicePixelRatio);
    image_.fill(background);
    QPainter painter(&image_);
    drawStaticCanvas(painter, canvas, QSizeF(size), text);
    ++renderCount_;
    return true;
}

} // namespace barquill
