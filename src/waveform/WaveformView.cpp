#include "waveform/WaveformView.h"

#include "settings/AppSettings.h"
#include "settings/RecentFiles.h"
#include "store/AudioStore.h"
#include "waveform/LoadingBadge.h"
#include "waveform/LoopDrag.h"
#include "waveform/WaveformEmptyState.h"
#include "waveform/WaveformInputView.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <cmath>

namespace barquill {

WaveformView::WaveformView(AudioStore* store, RecentFiles* recents, AppSettings* settings, QWidget* parent)
    : QWidget(parent), store_(store), recents_(recents), settings_(settings),
      textStyle_(CanvasTextStyle::fromApplication()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);

    settleTimer_ = new QTimer(this);
    settleTimer_->setSingleShot(true);
    settleTimer_->setInterval(settleDelayMs);
    connect(settleTimer_, &QTimer::timeout, this, [this] {
        stableSize_ = liveSize_;
        update();
    });

    emptyState_ = new WaveformEmptyState(
        recents_, [this](const QUrl& url) { store_->open(url.toLocalFile()); }, this);
    badge_ = new LoadingBadge(this);

    input_ = new WaveformInputView(this);
    input_->onSeek = [this](double fraction, bool fine) {
        store_->seek(store_->timeAtFraction(fraction), fine);
    };
    input_->onZoom = [this](double dy, double fraction) {
        if (dy != 0) store_->zoom(std::pow(1.2, -dy / 10), fraction);
    };
    input_->onPan = [this](double dx) { store_->pan(dx); };
    input_->onRightPanBegan = [this](double fraction) {
        store_->beginDragPan(std::clamp(fraction, 0.0, 1.0));
    };
    input_->onRightPanMoved = [this](double fraction) { store_->dragPan(fraction); };
    input_->onRightPanEnded = [this] { store_->endDragPan(); };
    input_->onDoubleClick = [this] { store_->zoomToFit(); };
    // Ctrl-drag from inside the loop hands the loop to other applications; Alt stays the fine click.
    new LoopDragSource(input_, store_, [this](const QMouseEvent& event) {
        const auto loop = store_->loopRange();
        const double t = store_->timeAtFraction(input_->fractionAt(event.position().x()));
        return event.modifiers().testFlag(Qt::ControlModifier) && loop && t >= loop->first &&
               t < loop->second;
    });

    // Everything but the playhead may change the canvas; the value comparison decides whether it
    // is rendered again.
    for (auto signal :
         {&AudioStore::peaksChanged, &AudioStore::displayModeChanged, &AudioStore::analysisChanged,
          &AudioStore::gridShiftQuartersChanged, &AudioStore::viewStartChanged,
          &AudioStore::viewLengthChanged, &AudioStore::isInteractingChanged, &AudioStore::loopEnabledChanged,
          &AudioStore::loopBarsChanged, &AudioStore::isReversedChanged})
        connect(store_, signal, this, qOverload<>(&QWidget::update));
    for (auto signal :
         {&AudioStore::infoChanged, &AudioStore::isLoadingChanged, &AudioStore::durationChanged})
        connect(store_, signal, this, &WaveformView::refreshLayers);
    connect(store_, &AudioStore::currentTimeChanged, this, &WaveformView::playheadMoved);
    connect(store_, &AudioStore::isPlayingChanged, this, &WaveformView::playheadMoved);
    if (settings_) {
        connect(settings_, &AppSettings::barMarkerColorChanged, this, qOverload<>(&QWidget::update));
        connect(settings_, &AppSettings::loopMarkerColorChanged, this, qOverload<>(&QWidget::update));
        connect(settings_, &AppSettings::waveformResolutionChanged, store_, &AudioStore::recomputePeaks);
    }
    refreshLayers();
}

bool WaveformView::hasAudio() const {
    return store_->buffer() != nullptr;
}

WaveformStaticCanvas WaveformView::currentCanvas() const {
    WaveformStaticCanvas canvas;
    canvas.mono = store_->viewMonoPeaks();
    canvas.left = store_->viewLeftPeaks();
    canvas.right = store_->viewRightPeaks();
    canvas.mode = store_->displayMode();
    canvas.beats = store_->effectiveBeats();
    canvas.bars = store_->effectiveBars();
    canvas.viewStart = store_->viewStart();
    canvas.viewLength = store_->viewLength();
    canvas.barColor = settings_ ? settings_->barMarkerColor() : AppSettings::defaultBarMarkerColor();
    canvas.showBarNumbers = !store_->isInteracting();
    if (const auto range = store_->loopRange()) {
        canvas.loopStart = range->first;
        canvas.loopEnd = range->second;
    }
    canvas.loopColor = settings_ ? settings_->loopMarkerColor() : AppSettings::defaultLoopMarkerColor();
    return canvas;
}

std::optional<PlayheadOverlay> WaveformView::currentPlayhead() const {
    return playheadFor(hasAudio(), store_->currentTime(), store_->viewStart(), store_->viewLength());
}

QSize WaveformView::canvasSize() const {
    const QSize size = stableSize_.width() > 1 && stableSize_.height() > 1 ? stableSize_ : liveSize_;
    return size.expandedTo(QSize(1, 1));
}

void WaveformView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());

    // The text-background colour at opacity 0.35 over the window, baked into the canvas image.
    const QColor window = palette().color(QPalette::Window);
    const QColor base = palette().color(QPalette::Base);
    const QColor background = QColor::fromRgbF(0.35f * base.redF() + 0.65f * window.redF(),
                                               0.35f * base.greenF() + 0.65f * window.greenF(),
                                               0.35f * base.blueF() + 0.65f * window.blueF());
    const QSize canvas = canvasSize();
    const bool rendered = cache_.update(currentCanvas(), canvas, devicePixelRatioF(), textStyle_, background);
    // The canvas changed outside the strip this paint covers. An update asked for inside a paint
    // event is dropped, so it is asked for from the event loop.
    if (rendered && !event->region().contains(rect()))
        QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
    if (canvas == size())
        painter.drawImage(QPointF(0, 0), cache_.image());
    else
        painter.drawImage(QRectF(rect()), cache_.image()); // stretched until the size settles

    paintedPlayheadX_.reset();
    if (const auto playhead = currentPlayhead()) {
        playhead->draw(painter, QSizeF(size()));
        paintedPlayheadX_ = playhead->lineX(width());
    }
}

void WaveformView::playheadMoved() {
    // Some canvas inputs (where the loop lies after a move or a rebuild) change without a signal of
    // their own but always together with the playhead or the transport: the whole canvas is
    // repainted in the same frame, not just the playhead's strip.
    if (!cache_.holds(currentCanvas())) {
        update();
        return;
    }
    const auto playhead = currentPlayhead();
    const std::optional<double> x = playhead ? std::optional(playhead->lineX(width())) : std::nullopt;
    if (x == paintedPlayheadX_) return;
    // Only the strip between the old and the new line changes: the played shade grows or shrinks there.
    double from = 0, to = 0;
    if (x && paintedPlayheadX_) {
        from = std::min(*x, *paintedPlayheadX_);
        to = std::max(*x, *paintedPlayheadX_);
    } else {
        to = x ? *x : *paintedPlayheadX_;
    }
    const int left = std::max(static_cast<int>(std::floor(from)) - 2, 0);
    const int right = static_cast<int>(std::ceil(to)) + 3;
    update(QRect(left, 0, right - left, height()));
}

void WaveformView::refreshLayers() {
    const bool audio = hasAudio();
    emptyState_->setVisible(!audio && !store_->isLoading());
    badge_->setVisible(store_->isLoading());
    input_->setVisible(audio);
    if (badge_->isVisible()) {
        badge_->adjustSize();
        badge_->move((width() - badge_->width()) / 2, (height() - badge_->height()) / 2);
        badge_->raise();
    }
    input_->raise();
    update();
}

void WaveformView::resizeEvent(QResizeEvent*) {
    emptyState_->setGeometry(rect());
    input_->setGeometry(rect());
    badge_->adjustSize();
    badge_->move((width() - badge_->width()) / 2, (height() - badge_->height()) / 2);
    sizeChanged(size(), false);
}

void WaveformView::showEvent(QShowEvent*) {
    sizeChanged(size(), true);
}

void WaveformView::hideEvent(QHideEvent*) {
    settleTimer_->stop();
}

void WaveformView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        textStyle_ = CanvasTextStyle::fromApplication();
        update();
    }
    QWidget::changeEvent(event);
}

void WaveformView::sizeChanged(QSize size, bool appearing) {
    liveSize_ = size;
    if (!(size.width() > 1 && size.height() > 1)) return;
    if (appearing || stableSize_.isNull() || stableSize_.isEmpty()) {
        settleTimer_->stop();
        stableSize_ = size;
        return;
    }
    settleTimer_->start(); // restarting cancels the pending settle
}

} // namespace barquill
