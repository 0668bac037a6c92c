#pragma once

#include <QSizeF>

#include <optional>

class QPainter;

namespace barquill {

// The playhead layer: the played part darkened, a line and its highlight. Light enough to be
// redrawn on every clock tick over the cached static canvas.
struct PlayheadOverlay {
    double fraction = 0; // 0 at the left edge, 1 at the right edge

    bool operator==(const PlayheadOverlay&) const = default;
    void draw(QPainter& painter, QSizeF size) const;
    // Left edge of the line in the given width.
    double lineX(double width) const;
};

// None without audio, at or before time 0, without a window, or outside the window.
std::optional<PlayheadOverlay> playheadFor(bool hasAudio, double currentTime, double viewStart,
                                           double viewLength);

} // namespace barquill
