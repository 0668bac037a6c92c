#include "app/ContentToolbar.h"

#include "app/TempoField.h"
#include "app/ToolbarButtons.h"
#include "platform/ui/SymbolIcon.h"
#include "store/AudioStore.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSlider>

#include <cmath>

namespace barquill {
namespace {

constexpr int volumeSteps = 1000;
constexpr int areaSpacing = 12;

QWidget* group(QHBoxLayout* parentLayout, QWidget* parent, int spacing = 4) {
    auto* box = new QWidget(parent);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    parentLayout->addWidget(box);
    return box;
}

} // namespace

ContentToolbar::ContentToolbar(AudioStore* store, QWidget* parent) : QWidget(parent), store_(store) {
    grid_ = new QGridLayout(this);
    grid_->setContentsMargins(10, 8, 10, 8);
    grid_->setHorizontalSpacing(areaSpacing);
    grid_->setVerticalSpacing(6);
    leading_ = new QWidget(this);
    trailing_ = new QWidget(this);
    auto* bar = new QHBoxLayout(leading_);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(areaSpacing);
    auto* trailingBar = new QHBoxLayout(trailing_);
    trailingBar->setContentsMargins(0, 0, 0, 0);
    trailingBar->setSpacing(areaSpacing);

    // Leading: transport, display mode, volume, tempo match.
    goToStart_ = makeAction(QString(), QStringLiteral("backward.end.fill"), QKeySequence(Qt::Key_Backspace));
    playPause_ = makeAction(QString(), QStringLiteral("play.fill"), QKeySequence(Qt::Key_Space));
    stop_ = makeAction(QString(), QStringLiteral("stop.fill"), QKeySequence(Qt::Key_S));
    goToStart_->setToolTip(QStringLiteral("Go to start (Backspace)"));
    stop_->setToolTip(QStringLiteral("Stop (S)"));
    QWidget* transport = group(bar, leading_);
    for (QAction* action : {goToStart_, playPause_, stop_})
        addButton(transport->layout(), action, true);

    displayMode_ = new SegmentedPicker(
        {{toText(WaveformDisplayMode::mono), static_cast<int>(WaveformDisplayMode::mono)},
         {toText(WaveformDisplayMode::stereo), static_cast<int>(WaveformDisplayMode::stereo)}},
        this);
    displayMode_->setToolTip(QStringLiteral("Waveform channels (mono default)"));
    bar->addWidget(displayMode_);

    volumeGroup_ = group(bar, leading_, 6);
    volumeGroup_->setToolTip(QStringLiteral("Preview volume"));
    const QColor iconColor = palette().color(QPalette::WindowText);
    auto* quiet = new QLabel(volumeGroup_);
    quiet->setPixmap(symbolIcon(QStringLiteral("speaker.fill"), iconColor).pixmap(14, 14));
    volume_ = new QSlider(Qt::Horizontal, volumeGroup_);
    volume_->setRange(0, volumeSteps);
    volume_->setFixedWidth(88);
    volume_->setFocusPolicy(Qt::NoFocus);
    auto* loud = new QLabel(volumeGroup_);
    loud->setPixmap(symbolIcon(QStringLiteral("speaker.wave.3.fill"), iconColor).pixmap(14, 14));
    volumeGroup_->layout()->addWidget(quiet);
    volumeGroup_->layout()->addWidget(volume_);
    volumeGroup_->layout()->addWidget(loud);

    // The target tempo loops play and export at; the halves and doubles come from the detected tempo.
    QWidget* tempoGroup = group(bar, leading_, 6);
    tempoGroup->setToolTip(
        QStringLiteral("Match tempo: play and export the loop at this BPM, key unchanged"));
    auto* tempoLabel = new QLabel(QStringLiteral("Match tempo"), tempoGroup);
    matchTempo_ = new TempoField(tempoGroup);
    matchTempo_->setObjectName(QStringLiteral("matchTempo"));
    halfTempo_ = makeAction(QStringLiteral("½"), QString(), QKeySequence());
    halfTempo_->setToolTip(QStringLiteral("Match tempo: half the detected BPM"));
    doubleTempo_ = makeAction(QStringLiteral("×2"), QString(), QKeySequence());
    doubleTempo_->setToolTip(QStringLiteral("Match tempo: double the detected BPM"));
    tempoGroup->layout()->addWidget(tempoLabel);
    tempoGroup->layout()->addWidget(matchTempo_);
    addButton(tempoGroup->layout(), halfTempo_, false);
    addButton(tempoGroup->layout(), doubleTempo_, false);

    // Trailing: grid nudge, loop and reverse, slice preview, export.
    nudgeLeft_ = makeAction(QString(), QStringLiteral("chevron.left"), QKeySequence());
    nudgeLeft_->setToolTip(QStringLiteral("Shift bar grid left by ¼ bar ([)"));
    nudgeReset_ = makeAction(QString(), QString(), QKeySequence());
    nudgeReset_->setToolTip(QStringLiteral("Grid nudge (click to reset)"));
    nudgeRight_ = makeAction(QString(), QStringLiteral("chevron.right"), QKeySequence());
    nudgeRight_->setToolTip(QStringLiteral("Shift bar grid right by ¼ bar (])"));
    nudgeGroup_ = group(trailingBar, trailing_);
    addButton(nudgeGroup_->layout(), nudgeLeft_, true);
    addButton(nudgeGroup_->layout(), nudgeReset_, false);
    addButton(nudgeGroup_->layout(), nudgeRight_, true);

    loop_ = makeAction(QStringLiteral("Loop"), QStringLiteral("repeat"), QKeySequence(Qt::Key_L));
    loopBars_ = new SegmentedPicker({{"1", 1}, {"2", 2}, {"4", 4}, {"8", 8}}, trailing_);
    loopBars_->setToolTip(QStringLiteral("Bars per loop (whole file when no bars detected)"));
    reverse_ = makeAction(QStringLiteral("Reverse"), QStringLiteral("backward.fill"), QKeySequence());
    QWidget* loopGroup = group(trailingBar, trailing_, 6);
    addButton(loopGroup->layout(), loop_, false);
    loopGroup->layout()->addWidget(loopBars_);
    addButton(loopGroup->layout(), reverse_, false);

    preview_ =
        makeAction(QStringLiteral("Slice Preview"), QStringLiteral("scissors"), QKeySequence(Qt::Key_P));
    preview_->setToolTip(QStringLiteral("Preview the playhead's bar in slices (P) — file untouched"));
    slices_ = new SegmentedPicker({{"1", 1}, {"4", 4}, {"8", 8}, {"16", 16}}, trailing_);
    slices_->setToolTip(QStringLiteral("Slices per bar (whole file when no bars detected)"));
    QWidget* previewGroup = group(trailingBar, trailing_, 6);
    addButton(previewGroup->layout(), preview_, false);
    previewGroup->layout()->addWidget(slices_);

    exportSlice_ =
        makeAction(QStringLiteral("Slice"), QStringLiteral("square.and.arrow.down"), QKeySequence(Qt::Key_E));
    exportTransients_ =
        makeAction(QStringLiteral("Transients"), QStringLiteral("bolt.fill"), QKeySequence(Qt::Key_T));
    exportTransients_->setToolTip(QStringLiteral("Export non-kick transients as one-shots (T)"));
    QWidget* exportGroup = group(trailingBar, trailing_, 6);
    addButton(exportGroup->layout(), exportSlice_, false);
    addButton(exportGroup->layout(), exportTransients_, false);
    // The keys live on the Bar menu's items; the texts here only show them.
    // Icon-only, so the trailing row still fits the narrowest window.
    exportMenu_ = makeAction(QString(), QStringLiteral("square.and.arrow.up"), QKeySequence());
    exportMenu_->setToolTip(QStringLiteral("Export the loop as one WAV (Shift+E) or the bar as a slice kit"));
    auto* exportMenu = new QMenu(this);
    exportLoop_ = exportMenu->addAction(QStringLiteral("Export Loop\tShift+E"));
    exportKit_ = exportMenu->addAction(QStringLiteral("Export Slice Kit…"));
    exportMenu_->setMenu(exportMenu);
    addButton(exportGroup->layout(), exportMenu_, true)->setPopupMode(QToolButton::InstantPopup);

    connect(goToStart_, &QAction::triggered, store_, &AudioStore::goToStart);
    connect(playPause_, &QAction::triggered, store_, &AudioStore::togglePlay);
    connect(stop_, &QAction::triggered, store_, &AudioStore::stop);
    connect(nudgeLeft_, &QAction::triggered, store_, [this] { store_->shiftGrid(-1); });
    connect(nudgeReset_, &QAction::triggered, store_, &AudioStore::resetGridShift);
    connect(nudgeRight_, &QAction::triggered, store_, [this] { store_->shiftGrid(1); });
    connect(loop_, &QAction::triggered, store_, [this] { store_->setLoopEnabled(!store_->loopEnabled()); });
    connect(reverse_, &QAction::triggered, store_, &AudioStore::toggleReverse);
    connect(preview_, &QAction::triggered, store_, &AudioStore::togglePreview);
    connect(exportSlice_, &QAction::triggered, store_, &AudioStore::exportSlices);
    connect(exportTransients_, &QAction::triggered, store_, &AudioStore::exportTransients);
    connect(matchTempo_, &QDoubleSpinBox::valueChanged, store_,
            [this](double bpm) { store_->setMatchTempo(bpm); });
    connect(halfTempo_, &QAction::triggered, store_, [this] { store_->matchDetectedTempo(0.5); });
    connect(doubleTempo_, &QAction::triggered, store_, [this] { store_->matchDetectedTempo(2); });
    connect(exportLoop_, &QAction::triggered, store_, &AudioStore::exportLoop);
    connect(exportKit_, &QAction::triggered, store_, &AudioStore::exportSliceKit);
    connect(displayMode_, &SegmentedPicker::picked, store_,
            [this](int value) { store_->setDisplayMode(static_cast<WaveformDisplayMode>(value)); });
    connect(loopBars_, &SegmentedPicker::picked, store_, [this](int value) { store_->setLoopBars(value); });
    connect(slices_, &SegmentedPicker::picked, store_, [this](int value) { store_->setSlicesPerBar(value); });
    connect(volume_, &QSlider::valueChanged, store_,
            [this](int value) { store_->setVolume(static_cast<float>(value) / volumeSteps); });

    for (auto signal :
         {&AudioStore::infoChanged, &AudioStore::isLoadingChanged, &AudioStore::isPlayingChanged,
          &AudioStore::displayModeChanged, &AudioStore::volumeChanged, &AudioStore::analysisChanged,
          &AudioStore::isAnalyzingChanged, &AudioStore::gridShiftQuartersChanged,
          &AudioStore::loopEnabledChanged, &AudioStore::loopBarsChanged, &AudioStore::isReversedChanged,
          &AudioStore::isReversingChanged, &AudioStore::slicesPerBarChanged, &AudioStore::isPreviewingChanged,
          &AudioStore::isExportingTransientsChanged, &AudioStore::matchTempoChanged})
        connect(store_, signal, this, &ContentToolbar::refresh);
    refresh();
    placeAreas(true);
}

int ContentToolbar::oneRowWidth() const {
    const QMargins margins = grid_->contentsMargins();
    return margins.left() + leading_->sizeHint().width() + areaSpacing + trailing_->sizeHint().width() +
           margins.right();
}

void ContentToolbar::placeAreas(bool oneRow) {
    if (placed_ && oneRow == oneRow_) return;
    placed_ = true;
    oneRow_ = oneRow;
    grid_->removeWidget(leading_);
    grid_->removeWidget(trailing_);
    // On two rows the grid nudge ends the first row, where there is room to spare, so the second
    // row keeps every button at its full width.
    auto* leadingBar = static_cast<QHBoxLayout*>(leading_->layout());
    auto* trailingBar = static_cast<QHBoxLayout*>(trailing_->layout());
    leadingBar->removeWidget(nudgeGroup_);
    trailingBar->removeWidget(nudgeGroup_);
    if (oneRow) {
        nudgeGroup_->setParent(trailing_);
        trailingBar->insertWidget(0, nudgeGroup_);
    } else {
        nudgeGroup_->setParent(leading_);
        leadingBar->addWidget(nudgeGroup_);
    }
    nudgeGroup_->show();
    grid_->addWidget(leading_, 0, 0, Qt::AlignLeft);
    // Too narrow for one row: the trailing area moves below the leading one.
    if (oneRow)
        grid_->addWidget(trailing_, 0, 1, Qt::AlignRight);
    else
        grid_->addWidget(trailing_, 1, 0, 1, 2, Qt::AlignRight);
    grid_->setColumnStretch(0, 1);
}

void ContentToolbar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeAreas(width() >= oneRowWidth());
}

QAction* ContentToolbar::makeAction(const QString& text, const QString& symbol, const QKeySequence& key) {
    auto* action = new QAction(text, this);
    if (!symbol.isEmpty()) action->setIcon(symbolIcon(symbol, palette().color(QPalette::ButtonText)));
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    return action;
}

CapsuleToolbarButton* ContentToolbar::addButton(QLayout* layout, QAction* action, bool circle) {
    CapsuleToolbarButton* button = circle ? static_cast<CapsuleToolbarButton*>(new CircleToolbarButton(this))
                                          : static_cast<CapsuleToolbarButton*>(new PillToolbarButton(this));
    button->setDefaultAction(action);
    layout->addWidget(button);
    buttons_.append(button);
    return button;
}

CapsuleToolbarButton* ContentToolbar::buttonFor(QAction* action) const {
    for (CapsuleToolbarButton* button : buttons_)
        if (button->defaultAction() == action) return button;
    return nullptr;
}

void ContentToolbar::refresh() {
    const bool hasAudio = store_->buffer() != nullptr;
    const bool hasBars = !store_->effectiveBars().empty();
    const bool playing = store_->isPlaying();

    playPause_->setIcon(symbolIcon(playing ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"),
                                   palette().color(QPalette::ButtonText)));
    playPause_->setToolTip(playing ? QStringLiteral("Pause — replay restarts from play start (Space)")
                                   : QStringLiteral("Play (Space)"));
    // While another file decodes, the old audio is on its way out: nothing may act on it.
    const bool ready = hasAudio && !store_->isLoading();
    for (QAction* action : {goToStart_, playPause_, stop_, loop_, reverse_, preview_, exportSlice_,
                            exportTransients_, exportMenu_, exportLoop_, exportKit_})
        action->setEnabled(ready);
    buttonFor(playPause_)->setProminent(ready);

    const bool canShift = store_->analysis().has_value();
    nudgeLeft_->setEnabled(canShift);
    nudgeRight_->setEnabled(canShift);
    const int nudge = store_->gridShiftQuarters();
    nudgeReset_->setText(QString::asprintf("%+d", nudge) + QStringLiteral("×¼"));
    buttonFor(nudgeReset_)->setVisible(nudge != 0);

    loop_->setToolTip(hasBars ? QStringLiteral("Loop N bars from the clicked bar (L)")
                              : QStringLiteral("Loop the whole file (no bars detected) (L)"));
    buttonFor(loop_)->setProminent(store_->loopEnabled());
    loopBars_->setValue(store_->loopBars());

    const bool reversing = store_->isReversing();
    reverse_->setToolTip(reversing ? QStringLiteral("Building reverse mirror… (press again to cancel)")
                                   : QStringLiteral("Reverse loop, track, previews and slice exports (R)"));
    buttonFor(reverse_)->setBusy(reversing);
    buttonFor(reverse_)->setProminent(store_->isReversed());

    const bool previewing = store_->isPreviewing();
    preview_->setText(previewing ? QStringLiteral("Stop") : QStringLiteral("Slice Preview"));
    preview_->setIcon(symbolIcon(previewing ? QStringLiteral("stop.fill") : QStringLiteral("scissors"),
                                 palette().color(QPalette::ButtonText)));
    buttonFor(preview_)->setProminent(previewing);
    slices_->setValue(store_->slicesPerBar());

    exportSlice_->setToolTip(
        hasBars ? QStringLiteral("Export the playhead's bar as slice WAVs (E)")
                : QStringLiteral("Export the whole file as slice WAVs (no bars detected) (E)"));
    buttonFor(exportTransients_)->setBusy(store_->isExportingTransients());

    const bool hasTempo = store_->analysis().has_value();
    halfTempo_->setEnabled(hasTempo);
    doubleTempo_->setEnabled(hasTempo);
    matchTempo_->setEnabled(hasAudio);
    if (hasTempo) matchTempo_->setStartTempo(std::round(store_->analysis()->bpm * 10) / 10);
    if (matchTempo_->value() != store_->matchTempo()) {
        const QSignalBlocker blocker(matchTempo_);
        matchTempo_->setValue(store_->matchTempo());
    }

    displayMode_->setValue(static_cast<int>(store_->displayMode()));
    const int volumeValue = static_cast<int>(std::lround(store_->volume() * volumeSteps));
    if (volume_->value() != volumeValue) {
        const QSignalBlocker blocker(volume_);
        volume_->setValue(volumeValue);
    }
    for (CapsuleToolbarButton* button : buttons_)
        button->updateGeometry();
    if (placed_) placeAreas(width() >= oneRowWidth());
}

} // namespace barquill
