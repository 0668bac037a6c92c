#include "waveform/LoopDrag.h"

#include "store/AudioStore.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

namespace barquill {

QMimeData* loopDragMimeData(AudioStore& store) {
    const std::optional<QString> path = store.writeLoopForDrag();
    if (!path) return nullptr;
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(*path)});
    return data;
}

LoopDragSource::LoopDragSource(QWidget* widget, AudioStore* store,
                               std::function<bool(const QMouseEvent&)> startsHere)
    : QObject(widget), widget_(widget), store_(store), startsHere_(std::move(startsHere)) {
    widget->installEventFilter(this);
}

bool LoopDragSource::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !store_->buffer() || !startsHere_(*mouse)) return false;
        pressedAt_ = mouse->position();
        return true;
    }
    case QEvent::MouseMove: {
        if (!pressedAt_) return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        if ((mouse->position() - *pressedAt_).manhattanLength() < QApplication::startDragDistance())
            return true;
        pressedAt_.reset();
        if (QMimeData* data = loopDragMimeData(*store_)) {
            auto* drag = new QDrag(widget_);
            drag->setMimeData(data);
            drag->exec(Qt::CopyAction);
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        if (!pressedAt_) return false;
        pressedAt_.reset();
        return true;
    default:
        return false;
    }
}

} // namespace barquill
