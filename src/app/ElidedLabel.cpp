#include "app/ElidedLabel.h"

#include <algorithm>

namespace barquill {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

void ElidedLabel::setFullText(const QString& text) {
    if (text == full_ && !text.isEmpty()) return;
    full_ = text;
    updateGeometry();
    elide();
}

int ElidedLabel::fullTextWidth() const {
    // QLabel's own hint adds its margins and a pixel of slack to the text's advance.
    return fontMetrics().horizontalAdvance(full_) + 2 * margin() + 2;
}

QSize ElidedLabel::sizeHint() const {
    return QSize(fullTextWidth(), QLabel::sizeHint().height());
}

QSize ElidedLabel::minimumSizeHint() const {
    const QString shortest = full_.left(3) + QStringLiteral("…");
    return QSize(std::min(fontMetrics().horizontalAdvance(shortest) + 2 * margin() + 2, fullTextWidth()),
                 QLabel::minimumSizeHint().height());
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::elide() {
    const int room = std::max(width() - 2 * margin() - 2, 0);
    const QString shown = fontMetrics().horizontalAdvance(full_) <= room
                              ? full_
                              : fontMetrics().elidedText(full_, Qt::ElideRight, room);
    if (text() != shown) setText(shown);
    setToolTip(shown == full_ ? QString() : full_);
}

} // namespace barquill
