#include "app/AppMenus.h"

#include "app/TempoField.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QWidgetAction>

namespace barquill {
namespace {

QAction* addItem(QMenu* menu, const QString& title, const QKeySequence& key) {
    QAction* action = menu->addAction(title);
    if (!key.isEmpty()) action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    return action;
}

} // namespace

AppMenus::AppMenus(QMenuBar* menuBar, BundleSource source, std::function<void()> showHelp,
                   std::function<void()> showSettings)
    : QObject(menuBar), source_(std::move(source)) {
    fileMenu_ = menuBar->addMenu(QStringLiteral("File"));
    open_ = addItem(fileMenu_, QStringLiteral("Open…"), QKeySequence(Qt::CTRL | Qt::Key_O));
    recentMenu_ = fileMenu_->addMenu(QStringLiteral("Open Recent"));
    fileMenu_->addSeparator();
    QAction* settings =
        addItem(fileMenu_, QStringLiteral("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    settings->setMenuRole(QAction::PreferencesRole);
    fileMenu_->addSeparator();
    QAction* quit = addItem(fileMenu_, QStringLiteral("Quit Barquill"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);

    viewMenu_ = menuBar->addMenu(QStringLiteral("View"));
    zoomIn_ = addItem(viewMenu_, QStringLiteral("Zoom In"), QKeySequence(Qt::CTRL | Qt::Key_Equal));
    zoomOut_ = addItem(viewMenu_, QStringLiteral("Zoom Out"), QKeySequence(Qt::CTRL | Qt::Key_Minus));
    zoomToFit_ = addItem(viewMenu_, QStringLiteral("Zoom to Fit"), QKeySequence(Qt::CTRL | Qt::Key_0));
    viewMenu_->addSeparator();
    panLeft_ = addItem(viewMenu_, QStringLiteral("Pan Left"), QKeySequence(Qt::CTRL | Qt::Key_Left));
    panRight_ = addItem(viewMenu_, QStringLiteral("Pan Right"), QKeySequence(Qt::CTRL | Qt::Key_Right));

    barMenu_ = menuBar->addMenu(QStringLiteral("Bar"));
    analyze_ = addItem(barMenu_, QStringLiteral("Analyze"), QKeySequence(Qt::Key_A));
    barMenu_->addSeparator();
    nudgeLeft_ =
        addItem(barMenu_, QStringLiteral("Nudge Grid Left ¼ Bar"), QKeySequence(Qt::Key_BracketLeft));
    nudgeRight_ =
        addItem(barMenu_, QStringLiteral("Nudge Grid Right ¼ Bar"), QKeySequence(Qt::Key_BracketRight));
    resetNudge_ = addItem(barMenu_, QStringLiteral("Reset Grid Nudge"), QKeySequence());
    barMenu_->addSeparator();
    moveLeft_ = addItem(barMenu_, QStringLiteral("Move Loop Left 1 Bar"), QKeySequence(Qt::Key_Left));
    moveRight_ = addItem(barMenu_, QStringLiteral("Move Loop Right 1 Bar"), QKeySequence(Qt::Key_Right));
    barMenu_->addSeparator();
    reverse_ = addItem(barMenu_, QStringLiteral("Reverse"), QKeySequence(Qt::Key_R));
    reverse_->setCheckable(true);
    barMenu_->addSeparator();
    exportLoop_ = addItem(barMenu_, QStringLiteral("Export Loop"), QKeySequence(Qt::SHIFT | Qt::Key_E));
    exportKit_ = addItem(barMenu_, QStringLiteral("Export Slice Kit…"), QKeySequence());
    barMenu_->addSeparator();
    // The target tempo as a field inside the menu, beside the toolbar's.
    auto* tempoItem = new QWidgetAction(barMenu_);
    auto* tempoRow = new QWidget(barMenu_);
    auto* tempoLayout = new QHBoxLayout(tempoRow);
    tempoLayout->setContentsMargins(12, 2, 12, 2);
    tempoLayout->addWidget(new QLabel(QStringLiteral("Match tempo"), tempoRow));
    matchTempo_ = new TempoField(tempoRow);
    tempoLayout->addWidget(matchTempo_);
    tempoItem->setDefaultWidget(tempoRow);
    tempoItem->setText(QStringLiteral("Match Tempo"));
    tempoItem_ = tempoItem;
    barMenu_->addAction(tempoItem);
    halfTempo_ = addItem(barMenu_, QStringLiteral("Match Half the Detected Tempo"), QKeySequence());
    doubleTempo_ = addItem(barMenu_, QStringLiteral("Match Double the Detected Tempo"), QKeySequence());
    tempoOff_ = addItem(barMenu_, QStringLiteral("Match Tempo Off"), QKeySequence());

    helpMenu_ = menuBar->addMenu(QStringLiteral("Help"));
    QAction* help =
        addItem(helpMenu_, QStringLiteral("Barquill Help"), QKeySequence(Qt::CTRL | Qt::Key_Question));
    // Ctrl-? is typed as Ctrl-Shift-/; some keyboard layouts report the Shift as well.
    help->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Question), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Question)});
    helpMenu_->addSeparator();
    QAction* about = addItem(helpMenu_, QStringLiteral("About Barquill"), QKeySequence());
    about->setMenuRole(QAction::AboutRole);

    connect(help, &QAction::triggered, this, [showHelp] { showHelp(); });
    connect(about, &QAction::triggered, this, [showHelp] { showHelp(); });
    connect(settings, &QAction::triggered, this, [showSettings] { showSettings(); });
    connect(quit, &QAction::triggered, qApp, &QApplication::closeAllWindows);

    // Each item asks for the bundles at the moment it fires, so it always acts on the focused window.
    auto bindFile = [this](QAction* action, auto member) {
        connect(action, &QAction::triggered, this, [this, member] {
            if (auto b = source_(); b && (b->file.*member)) (b->file.*member)();
        });
    };
    auto bindZoom = [this](QAction* action, std::function<void()> AudioZoomActions::*member) {
        connect(action, &QAction::triggered, this, [this, member] {
            if (auto b = source_(); b && (b->zoom.*member)) (b->zoom.*member)();
        });
    };
    bindFile(open_, &AudioFileActions::openPanel);
    bindZoom(zoomIn_, &AudioZoomActions::zoomIn);
    bindZoom(zoomOut_, &AudioZoomActions::zoomOut);
    bindZoom(zoomToFit_, &AudioZoomActions::zoomToFit);
    bindZoom(panLeft_, &AudioZoomActions::panLeft);
    bindZoom(panRight_, &AudioZoomActions::panRight);
    bindZoom(analyze_, &AudioZoomActions::analyze);
    bindZoom(nudgeLeft_, &AudioZoomActions::shiftGridLeft);
    bindZoom(nudgeRight_, &AudioZoomActions::shiftGridRight);
    bindZoom(resetNudge_, &AudioZoomActions::resetGridShift);
    bindZoom(moveLeft_, &AudioZoomActions::moveLoopLeft);
    bindZoom(moveRight_, &AudioZoomActions::moveLoopRight);
    bindZoom(reverse_, &AudioZoomActions::toggleReverse);
    bindZoom(exportLoop_, &AudioZoomActions::exportLoop);
    bindZoom(exportKit_, &AudioZoomActions::exportSliceKit);

    connect(halfTempo_, &QAction::triggered, this, [this] {
        if (auto b = source_(); b && b->zoom.matchDetectedTempo) b->zoom.matchDetectedTempo(0.5);
    });
    connect(doubleTempo_, &QAction::triggered, this, [this] {
        if (auto b = source_(); b && b->zoom.matchDetectedTempo) b->zoom.matchDetectedTempo(2);
    });
    connect(tempoOff_, &QAction::triggered, this, [this] {
        if (auto b = source_(); b && b->zoom.setMatchTempo) b->zoom.setMatchTempo(0);
    });
    connect(matchTempo_, &QDoubleSpinBox::valueChanged, this, [this](double bpm) {
        if (auto b = source_(); b && b->zoom.setMatchTempo) b->zoom.setMatchTempo(bpm);
        if (auto b = source_(); b && b->zoom.matchTempo) {
            const QSignalBlocker blocker(matchTempo_);
            matchTempo_->setValue(b->zoom.matchTempo());
        }
    });

    for (QMenu* menu : {fileMenu_, viewMenu_, barMenu_})
        connect(menu, &QMenu::aboutToShow, this, &AppMenus::refresh);
    connect(recentMenu_, &QMenu::aboutToShow, this, &AppMenus::rebuildRecentMenu);
    refresh();
}

void AppMenus::refresh() {
    const std::optional<Bundles> b = source_();
    const bool present = b.has_value();
    auto ask = [&](std::function<bool()> AudioZoomActions::*query) {
        return present && (b->zoom.*query) && (b->zoom.*query)();
    };
    open_->setEnabled(present);
    recentMenu_->setEnabled(present);
    const bool canZoom = ask(&AudioZoomActions::canZoom);
    for (QAction* action : {zoomIn_, zoomOut_, zoomToFit_, panLeft_, panRight_})
        action->setEnabled(canZoom);

    if (ask(&AudioZoomActions::isAnalyzing))
        analyze_->setText(QStringLiteral("Analyzing…"));
    else if (ask(&AudioZoomActions::hasAnalysis))
        analyze_->setText(QStringLiteral("Re-analyze"));
    else
        analyze_->setText(QStringLiteral("Analyze"));
    analyze_->setEnabled(ask(&AudioZoomActions::canAnalyze));

    const bool canShift = ask(&AudioZoomActions::canShiftGrid);
    nudgeLeft_->setEnabled(canShift);
    nudgeRight_->setEnabled(canShift);
    resetNudge_->setEnabled(present && b->zoom.gridNudge && b->zoom.gridNudge() != 0);
    const bool canMove = ask(&AudioZoomActions::canMoveLoop);
    moveLeft_->setEnabled(canMove);
    moveRight_->setEnabled(canMove);
    reverse_->setEnabled(ask(&AudioZoomActions::canReverse));
    reverse_->setChecked(ask(&AudioZoomActions::isReversed));
    const bool hasAudio = ask(&AudioZoomActions::canReverse);
    const bool hasTempo = ask(&AudioZoomActions::hasAnalysis);
    halfTempo_->setEnabled(hasTempo);
    doubleTempo_->setEnabled(hasTempo);
    const double target = present && b->zoom.matchTempo ? b->zoom.matchTempo() : 0;
    tempoOff_->setEnabled(hasAudio && target > 0);
    tempoItem_->setEnabled(hasAudio);
    matchTempo_->setEnabled(hasAudio);
    if (matchTempo_->value() != target) {
        const QSignalBlocker blocker(matchTempo_);
        matchTempo_->setValue(target);
    }
    exportLoop_->setEnabled(ask(&AudioZoomActions::canExport));
    exportKit_->setEnabled(ask(&AudioZoomActions::canExport));
    // Deferred: a refresh may run while one of the recent items is still firing.
    QMetaObject::invokeMethod(this, &AppMenus::rebuildRecentMenu, Qt::QueuedConnection);
}

void AppMenus::rebuildRecentMenu() {
    recentMenu_->clear();
    const std::optional<Bundles> b = source_();
    const QList<RecentItem> items = b && b->file.recentItems ? b->file.recentItems() : QList<RecentItem>{};
    for (const RecentItem& item : items) {
        QAction* action = recentMenu_->addAction(QFileInfo(item.url.toLocalFile()).fileName());
        const QUrl url = item.url;
        connect(action, &QAction::triggered, this, [this, url] {
            if (auto bundles = source_(); bundles && bundles->file.openURL) bundles->file.openURL(url);
        });
    }
    recentMenu_->addSeparator();
    QAction* clear = recentMenu_->addAction(QStringLiteral("Clear Menu"));
    clear->setEnabled(b.has_value());
    connect(clear, &QAction::triggered, this, [this] {
        if (auto bundles = source_(); bundles && bundles->file.clearRecents) bundles->file.clearRecents();
        QMetaObject::invokeMethod(this, &AppMenus::rebuildRecentMenu, Qt::QueuedConnection);
    });
}

} // namespace barquill
