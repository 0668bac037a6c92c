#pragma once

#include "app/AudioFileActions.h"
#include "app/AudioZoomActions.h"

#include <QObject>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QMenuBar;

namespace barquill {
class TempoField;
}

namespace barquill {

// The File, View, Bar and Help menus of a main window. The menus hold no document: every item acts
// through the bundles the focused main window publishes, and is disabled while there are none.
//
// Threads: GUI thread. Owned by the menu bar it fills (a QObject child).
class AppMenus : public QObject {
    Q_OBJECT
public:
    struct Bundles {
        AudioFileActions file;
        AudioZoomActions zoom;
    };
    // None while no main window is focused.
    using BundleSource = std::function<std::optional<Bundles>()>;

    AppMenus(QMenuBar* menuBar, BundleSource source, std::function<void()> showHelp,
             std::function<void()> showSettings);

    // Re-reads the bundles: titles, check marks and enabled states.
    void refresh();

    QMenu* fileMenu() const { return fileMenu_; }
    QMenu* recentMenu() const { return recentMenu_; }
    QMenu* viewMenu() const { return viewMenu_; }
    QMenu* barMenu() const { return barMenu_; }
    QMenu* helpMenu() const { return helpMenu_; }
    QAction* analyzeAction() const { return analyze_; }
    TempoField* matchTempoField() const { return matchTempo_; }

private:
    void rebuildRecentMenu();

    BundleSource source_;
    QMenu* fileMenu_;
    QMenu* recentMenu_;
    QMenu* viewMenu_;
    QMenu* barMenu_;
    QMenu* helpMenu_;
    QAction* open_;
    QAction *zoomIn_, *zoomOut_, *zoomToFit_, *panLeft_, *panRight_;
    QAction *analyze_, *nudgeLeft_, *nudgeRight_, *resetNudge_, *moveLeft_, *moveRight_, *reverse_;
    QAction *tempoItem_, *halfTempo_, *doubleTempo_, *tempoOff_;
    TempoField* matchTempo_;
    QAction *exportLoop_, *exportKit_;
};

} // namespace barquill
