#pragma once

#include <QList>
#include <QToolButton>
#include <QWidget>

#include <utility>

class QButtonGroup;
class QTimer;

namespace barquill {

// A toolbar button drawn on a capsule. Prominent buttons are filled with the accent colour and
// draw their content white; a disabled button is drawn faded. While busy, a small spinning
// indicator stands in place of the icon and the label.
//
// Threads: GUI thread; owned by its parent widget like any button.
class CapsuleToolbarButton : public QToolButton {
    Q_OBJECT
public:
    enum class Shape { pill, circle };
    CapsuleToolbarButton(Shape shape, QWidget* parent = nullptr);

    bool prominent() const { return prominent_; }
    void setProminent(bool on);
    bool busy() const { return busy_; }
    void setBusy(bool on);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Shape shape_;
    bool prominent_ = false;
    bool busy_ = false;
    int spinnerStep_ = 0;
    QTimer* spinnerTimer_ = nullptr;
};

// Labelled buttons: icon plus text.
class PillToolbarButton : public CapsuleToolbarButton {
    Q_OBJECT
public:
    explicit PillToolbarButton(QWidget* parent = nullptr) : CapsuleToolbarButton(Shape::pill, parent) {}
};

// Icon-only transport buttons.
class CircleToolbarButton : public CapsuleToolbarButton {
    Q_OBJECT
public:
    explicit CircleToolbarButton(QWidget* parent = nullptr) : CapsuleToolbarButton(Shape::circle, parent) {}
};

// A row of mutually exclusive segments, each a label with an integer value. GUI thread.
class SegmentedPicker : public QWidget {
    Q_OBJECT
public:
    SegmentedPicker(const QList<std::pair<QString, int>>& choices, QWidget* parent = nullptr);

    int value() const { return value_; }
    // Selects the segment with this value without emitting `picked`.
    void setValue(int value);
    QList<QAbstractButton*> segments() const;

signals:
    // The user picked a segment.
    void picked(int value);

private:
    QButtonGroup* group_;
    int value_ = 0;
};

} // namespace barquill
