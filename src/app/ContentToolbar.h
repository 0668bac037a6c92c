#pragma once

#include <QWidget>

class QAction;
class QGridLayout;
class QSlider;

namespace barquill {

class AudioStore;
class CapsuleToolbarButton;
class SegmentedPicker;
class TempoField;

// The main window's toolbar: transport, display mode and volume on the leading side; grid nudge,
// loop and reverse, slice preview and the two exports on the trailing side. Every button's tooltip
// names its key, and the single-key shortcuts (Space, S, Backspace, L, P, E, T) are bound on the
// buttons' actions, so a key and a click do the same thing.
//
// Threads: GUI thread. Borrows the document, which outlives it.
class ContentToolbar : public QWidget {
    Q_OBJECT
public:
    explicit ContentToolbar(AudioStore* store, QWidget* parent = nullptr);

    // The buttons' actions, by what they do.
    QAction* goToStartAction() const { return goToStart_; }
    QAction* playPauseAction() const { return playPause_; }
    QAction* stopAction() const { return stop_; }
    QAction* nudgeLeftAction() const { return nudgeLeft_; }
    QAction* nudgeResetAction() const { return nudgeReset_; }
    QAction* nudgeRightAction() const { return nudgeRight_; }
    QAction* loopAction() const { return loop_; }
    QAction* reverseAction() const { return reverse_; }
    QAction* slicePreviewAction() const { return preview_; }
    QAction* exportSliceAction() const { return exportSlice_; }
    QAction* exportTransientsAction() const { return exportTransients_; }
    QAction* halfTempoAction() const { return halfTempo_; }
    QAction* doubleTempoAction() const { return doubleTempo_; }
    TempoField* matchTempoField() const { return matchTempo_; }
    // The export control: a button whose menu holds the loop and kit exports.
    QAction* exportMenuAction() const { return exportMenu_; }
    QAction* exportLoopAction() const { return exportLoop_; }
    QAction* exportKitAction() const { return exportKit_; }

    CapsuleToolbarButton* buttonFor(QAction* action) const;
    SegmentedPicker* displayModePicker() const { return displayMode_; }
    SegmentedPicker* loopBarsPicker() const { return loopBars_; }
    SegmentedPicker* slicesPicker() const { return slices_; }
    QSlider* volumeSlider() const { return volume_; }
    QWidget* volumeGroup() const { return volumeGroup_; }

    // Reads the document again: labels, icons, tooltips, enabled and prominent states.
    void refresh();

    // True while both areas fit on one row.
    bool isOneRow() const { return oneRow_; }
    // The width both areas need side by side, as the buttons read now.
    int oneRowWidth() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeAreas(bool oneRow);
    QAction* makeAction(const QString& text, const QString& symbol, const QKeySequence& key);
    CapsuleToolbarButton* addButton(QLayout* layout, QAction* action, bool circle);

    AudioStore* store_;
    QGridLayout* grid_;
    QWidget* leading_;
    QWidget* trailing_;
    QWidget* nudgeGroup_;
    bool placed_ = false;
    bool oneRow_ = true;
    QAction *goToStart_, *playPause_, *stop_;
    QAction *nudgeLeft_, *nudgeReset_, *nudgeRight_;
    QAction *loop_, *reverse_, *preview_, *exportSlice_, *exportTransients_;
    QAction *halfTempo_, *doubleTempo_;
    TempoField* matchTempo_;
    QAction *exportMenu_, *exportLoop_, *exportKit_;
    SegmentedPicker *displayMode_, *loopBars_, *slices_;
    QSlider* volume_;
    QWidget* volumeGroup_;
    QList<CapsuleToolbarButton*> buttons_;
};

} // namespace barquill
