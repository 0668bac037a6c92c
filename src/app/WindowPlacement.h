#pragma once

#include <QRect>
#include <QSize>

namespace barquill {

// Where a window opens when nothing is remembered: `wanted` shrunk to fit `available` (the
// screen's free area), never below `minimum`, and centred there. Plain geometry, any thread.
QRect firstWindowGeometry(QSize wanted, QSize minimum, const QRect& available);

} // namespace barquill
