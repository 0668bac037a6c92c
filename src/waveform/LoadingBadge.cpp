#include "waveform/LoadingBadge.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>

namespace barquill {

LoadingBadge::LoadingBadge(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    auto* progress = new QProgressBar(this);
    progress->setRange(0, 0); // indeterminate
    progress->setTextVisible(false);
    progress->setFixedSize(64, 8);
    layout->addWidget(progress);
    layout->addWidget(new QLabel(QStringLiteral("Decoding…"), this));
}

void LoadingBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(rect()), 10, 10);
    QColor material = palette().color(QPalette::Window);
    material.setAlphaF(0.82f);
    painter.fillPath(plate, material);
}

} // namespace barquill
