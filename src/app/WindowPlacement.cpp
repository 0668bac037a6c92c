#include "app/WindowPlacement.h"

#include <algorithm>

namespace barquill {

QRect firstWindowGeometry(QSize wanted, QSize minimum, const QRect& available) {
    const QSize size(std::max(std::min(wanted.width(), available.width()), minimum.width()),
                     std::max(std::min(wanted.height(), available.height()), minimum.height()));
    QRect placed(QPoint(0, 0), size);
    placed.moveCenter(available.center());
    // A screen smaller than the minimum keeps the title bar reachable.
    placed.moveTopLeft(
        QPoint(std::max(placed.left(), available.left()), std::max(placed.top(), available.top())));
    return placed;
}

} // namespace barquill
