#pragma once

#include "app/AppMenus.h"
#include "app/AudioFileActions.h"
#include "app/AudioZoomActions.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/OpenFileChooser.h"

#include <QMainWindow>

#include <functional>

namespace barquill {

class AppSettings;
class AudioStore;
class ContentToolbar;
class RecentFiles;
class StatusBarView;
class WaveformView;

// The main window and its content: the toolbar at the top, the waveform area, a divider and the
// status bar. The whole window is a drop target for one audio file; it hosts the open dialog and
// the "Could not open file" alert, and publishes its file and zoom actions to its menus while it
// is the focused window.
//
// Threads: GUI thread. Borrows the document, the recent list and the settings, which the
// application keeps for the whole process; closing the window leaves the document alone.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int minimumWidth = 860;
    static constexpr int minimumHeight = 520;

    MainWindow(AudioStore* store, RecentFiles* recents, AppSettings* settings, std::function<void()> showHelp,
               std::function<void()> showSettings, QWidget* parent = nullptr);

    // Opens a file the way a drop does: an unsupported extension only shows the message.
    void openDroppedFile(const QString& path);
    // Shows the open dialog; a chosen file is opened.
    void showOpenPanel();

    AudioFileActions fileActions();
    AudioZoomActions zoomActions();
    // The bundles while this window is focused, else none.
    std::optional<AppMenus::Bundles> focusedBundles();

    // The size to open at when none is remembered: the toolbar on one row, with room for the
    // nudge chip, over a generous waveform.
    QSize comfortableSize() const;

    // Shows a modal alert from the event loop, once the window is up.
    void showAlertSoon(const QString& title, const QString& message);

    void setAlertPresenter(AlertPresenter presenter) { alert_ = std::move(presenter); }
    void setOpenFileChooser(OpenFileChooser chooser) { chooseFile_ = std::move(chooser); }

    bool isDropTargeted() const { return isDropTargeted_; }
    bool isShowingOpenPanel() const { return showOpenPanel_; }
    ContentToolbar* toolbar() const { return toolbar_; }
    WaveformView* waveform() const { return waveform_; }
    StatusBarView* statusView() const { return status_; }
    AppMenus* menus() const { return menus_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

signals:
    // The window is about to close, at its last size and place.
    void closing();

private:
    void setDropTargeted(bool on);
    void errorMessageChanged();

    AudioStore* store_;
    RecentFiles* recents_;
    ContentToolbar* toolbar_;
    WaveformView* waveform_;
    StatusBarView* status_;
    QWidget* dropOutline_;
    AppMenus* menus_;
    AlertPresenter alert_ = messageBoxAlert();
    OpenFileChooser chooseFile_ = fileDialogChooser();
    bool isDropTargeted_ = false;
    bool showOpenPanel_ = false;
    bool alertPending_ = false;
};

} // namespace barquill
