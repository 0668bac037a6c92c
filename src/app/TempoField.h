#pragma once

#include <QDoubleSpinBox>

namespace barquill {

// The "Match tempo" field: a tempo in BPM with one decimal, or "Off" (0). The arrow keys step by
// 1 BPM, by 0.1 with Shift. Typed values are taken as they are, even out of range, so the document
// can clamp them and say so. Stepping up from "Off" starts at `startTempo`.
//
// Threads: GUI thread.
class TempoField : public QDoubleSpinBox {
    Q_OBJECT
public:
    explicit TempoField(QWidget* parent = nullptr);

    void setStartTempo(double bpm) { startTempo_ = bpm; }
    void stepBy(int steps) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    double startTempo_ = 120;
    bool fine_ = false; // Shift is held
};

} // namespace barquill
