#include "app/ToolbarButtons.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionToolButton>
#include <QTimer>

namespace barquill {
namespace {

constexpr int capsuleHeight = 26;

QColor faded(QColor color, bool enabled) {
    if (!enabled) color.setAlphaF(color.alphaF() * 0.35f);
    return color;
}

} // namespace

CapsuleToolbarButton::CapsuleToolbarButton(Shape shape, QWidget* parent)
    : QToolButton(parent), shape_(shape) {
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    setToolButtonStyle(shape == Shape::pill ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
    setIconSize(QSize(14, 14));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CapsuleToolbarButton::setProminent(bool on) {
    if (prominent_ == on) return;
    prominent_ = on;
    update();
}

void CapsuleToolbarButton::setBusy(bool on) {
    if (busy_ == on) return;
    busy_ = on;
    if (on) {
        if (!spinnerTimer_) {
            spinnerTimer_ = new QTimer(this);
            spinnerTimer_->setInterval(80);
            connect(spinnerTimer_, &QTimer::timeout, this, [this] {
                spinnerStep_ = (spinnerStep_ + 1) % 12;
                update();
            });
        }
        spinnerTimer_->start();
    } else if (spinnerTimer_) {
        spinnerTimer_->stop();
    }
    update();
}

QSize CapsuleToolbarButton::sizeHint() const {
    if (shape_ == Shape::circle) return QSize(capsuleHeight, capsuleHeight);
    const QFontMetrics metrics(font());
    const int textWidth = text().isEmpty() ? 0 : metrics.horizontalAdvance(text()) + 6;
    const int iconWidth = icon().isNull() ? 0 : iconSize().width();
    return QSize(std::max(12 + iconWidth + textWidth + 12, capsuleHeight), capsuleHeight);
}

void CapsuleToolbarButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool enabled = isEnabled();
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath capsule;
    capsule.addRoundedRect(box, box.height() / 2, box.height() / 2);

    QColor fill;
    QColor content = palette().color(QPalette::ButtonText);
    if (prominent_) {
        fill = palette().color(QPalette::Highlight);
        content = Qt::white;
    } else {
        fill = palette().color(QPalette::Button);
        if (isDown() || (underMouse() && enabled)) fill = fill.darker(112);
    }
    painter.fillPath(capsule, faded(fill, enabled));
    if (!prominent_) painter.strokePath(capsule, QPen(faded(palette().color(QPalette::Mid), enabled), 0.8));
    content = faded(content, enabled);

    if (busy_) {
        const QPointF centre = box.center();
        for (int i = 0; i < 12; ++i) {
            QColor tick = content;
            tick.setAlphaF(tick.alphaF() * (0.15f + 0.85f * ((12 + i - spinnerStep_) % 12) / 11.0f));
            painter.save();
            painter.translate(centre);
            painter.rotate(i * 30.0);
            painter.setPen(QPen(tick, 1.6, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(0, -3.5), QPointF(0, -6.5));
            painter.restore();
        }
        return;
    }

    const QSize icon = iconSize();
    const QPixmap pixmap = this->icon().pixmap(icon, enabled ? QIcon::Normal : QIcon::Disabled);
    // Tint the icon with the content colour so prominent buttons read white on the accent. A
    // text-only button (the nudge chip) has no pixmap, and painting on a null one only warns.
    QPixmap tinted(pixmap.size());
    tinted.setDevicePixelRatio(pixmap.devicePixelRatio());
    tinted.fill(Qt::transparent);
    if (!pixmap.isNull()) {
        QPainter tint(&tinted);
        tint.drawPixmap(0, 0, pixmap);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(tinted.rect(), content);
    }
    if (shape_ == Shape::circle || text().isEmpty()) {
        painter.drawPixmap(
            QPointF(box.center().x() - icon.width() / 2.0, box.center().y() - icon.height() / 2.0), tinted);
        return;
    }
    double x = 12;
    if (!this->icon().isNull()) {
        painter.drawPixmap(QPointF(x, box.center().y() - icon.height() / 2.0), tinted);
        x += icon.width() + 6;
    }
    painter.setPen(content);
    painter.drawText(QRectF(x, 0, width() - x - 8, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
}

SegmentedPicker::SegmentedPicker(const QList<std::pair<QString, int>>& choices, QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    group_->setExclusive(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (const auto& [label, value] : choices) {
        auto* segment = new QToolButton(this);
        segment->setText(label);
        segment->setCheckable(true);
        segment->setFocusPolicy(Qt::NoFocus);
        segment->setAutoRaise(false);
        segment->setMinimumWidth(26);
        segment->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        group_->addButton(segment, value);
        layout->addWidget(segment);
    }
    connect(group_, &QButtonGroup::idClicked, this, [this](int id) {
        value_ = id;
        emit picked(id);
    });
}

void SegmentedPicker::setValue(int value) {
    value_ = value;
    if (QAbstractButton* button = group_->button(value)) button->setChecked(true);
}

QList<QAbstractButton*> SegmentedPicker::segments() const {
    return group_->buttons();
}

} // namespace barquill
