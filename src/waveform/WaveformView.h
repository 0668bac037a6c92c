#pragma once

#include "waveform/PlayheadOverlay.h"
#include "waveform/StaticCanvasCache.h"
#include "waveform/WaveformStaticCanvas.h"

#include <QSize>
#include <QWidget>

#include <optional>

class QTimer;

namespace barquill {

class AppSettings;
class AudioStore;
class LoadingBadge;
class RecentFiles;
class WaveformEmptyState;
class WaveformInputView;

// The waveform area of the main window. Paints, back to front: the background, the static canvas
// (cached as an image and re-rendered only when its value changes), the playhead; above them sit the
// empty state, the "Decoding…" badge and the pointer-input layer as child widgets.
//
// During a live resize the last canvas image is stretched; it is rendered again at the new size
// 150 ms after the last size change.
//
// Threads: GUI thread. Borrows the document, the recent-file list and the settings, which the
// application keeps for the whole process.
class WaveformView : public QWidget {
    Q_OBJECT
public:
    static constexpr int settleDelayMs = 150;

    WaveformView(AudioStore* store, RecentFiles* recents, AppSettings* settings, QWidget* parent = nullptr);

    // The canvas value for the document's current state.
    WaveformStaticCanvas currentCanvas() const;
    std::optional<PlayheadOverlay> currentPlayhead() const;
    // The size the canvas is laid out at: the settled size, or the live size before one exists.
    QSize canvasSize() const;
    QSize liveSize() const { return liveSize_; }
    QSize stableSize() const { return stableSize_; }
    // How many times the static canvas was rendered.
    int staticRenderCount() const { return cache_.renderCount(); }
    WaveformInputView* inputLayer() const { return input_; }
    WaveformEmptyState* emptyState() const { return emptyState_; }
    LoadingBadge* loadingBadge() const { return badge_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void sizeChanged(QSize size, bool appearing);
    void refreshLayers();
    void playheadMoved();
    bool hasAudio() const;

    AudioStore* store_;
    RecentFiles* recents_;
    AppSettings* settings_;
    QSize liveSize_{0, 0};
    QSize stableSize_{0, 0};
    QTimer* settleTimer_ = nullptr;
    StaticCanvasCache cache_;
    CanvasTextStyle textStyle_;
    std::optional<double> paintedPlayheadX_;

    WaveformEmptyState* emptyState_ = nullptr;
    LoadingBadge* badge_ = nullptr;
    WaveformInputView* input_ = nullptr;
};

} // namespace barquill
