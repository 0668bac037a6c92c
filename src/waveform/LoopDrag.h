#pragma once

#include <QObject>
#include <QPointF>

#include <functional>
#include <optional>

class QMimeData;
class QMouseEvent;
class QWidget;

namespace barquill {

class AudioStore;

// Mime data handing the loop to other applications: a `text/uri-list` naming the loop's WAV,
// freshly written into the cache folder. Null when it could not be written (the store then shows
// why). GUI thread; blocks on file I/O.
QMimeData* loopDragMimeData(AudioStore& store);

// Turns a left-button drag on `widget` that starts where `startsHere` says into a drag of the
// loop's WAV; other presses go on to the widget as before. Owned by the widget.
class LoopDragSource : public QObject {
    Q_OBJECT
public:
    LoopDragSource(QWidget* widget, AudioStore* store, std::function<bool(const QMouseEvent&)> startsHere);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* widget_;
    AudioStore* store_;
    std::function<bool(const QMouseEvent&)> startsHere_;
    std::optional<QPointF> pressedAt_;
};

} // namespace barquill
