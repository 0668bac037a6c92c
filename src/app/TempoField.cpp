#include "app/TempoField.h"

#include "stretch/LoopStretch.h"

#include <QKeyEvent>
#include <QLocale>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace barquill {

TempoField::TempoField(QWidget* parent) : QDoubleSpinBox(parent) {
    // The app's own number format, whatever the system's decimal separator.
    setLocale(QLocale::c());
    setDecimals(1);
    // Wider than the accepted range, so a typed 400 reaches the document and is clamped there.
    setRange(0, 999.9);
    setSpecialValueText(QStringLiteral("Off"));
    setSuffix(QStringLiteral(" BPM"));
    setKeyboardTracking(false);
    setAccelerated(true);
    // Never the window's first focus: the single-key commands stay with the window until clicked.
    setFocusPolicy(Qt::ClickFocus);
}

void TempoField::stepBy(int steps) {
    const double step = fine_ ? 0.1 : 1.0;
    const double from = value() > 0 ? value() : startTempo_ - steps * step;
    // On the 0.1 grid, so repeated fine steps do not drift.
    const double next = std::round((from + steps * step) * 10) / 10;
    setValue(std::clamp(next, kMatchTempoMinBPM, kMatchTempoMaxBPM));
}

void TempoField::keyPressEvent(QKeyEvent* event) {
    fine_ = event->modifiers() & Qt::ShiftModifier;
    QDoubleSpinBox::keyPressEvent(event);
}

void TempoField::keyReleaseEvent(QKeyEvent* event) {
    fine_ = event->modifiers() & Qt::ShiftModifier;
    QDoubleSpinBox::keyReleaseEvent(event);
}

void TempoField::wheelEvent(QWheelEvent* event) {
    fine_ = event->modifiers() & Qt::ShiftModifier;
    QDoubleSpinBox::wheelEvent(event);
}

} // namespace barquill
