#include "app/MainWindow.h"

#include "app/ContentToolbar.h"
#include "app/DocumentActions.h"
#include "app/FileDrop.h"
#include "app/StatusBarView.h"
#include "settings/ExportFolderDialog.h"
#include "settings/RecentFiles.h"
#include "store/AudioStore.h"
#include "waveform/WaveformView.h"

#include <QDragEnterEvent>
#include <QFrame>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace barquill {
namespace {

// The accent outline drawn over the content while a drag hovers; it never takes the mouse.
class DropOutline : public QWidget {
public:
    explicit DropOutline(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_NoSystemBackground);
    }
    bool targeted = false;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!targeted) return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect()).adjusted(4, 4, -4, -4), 6, 6);
        painter.strokePath(outline, QPen(palette().color(QPalette::Highlight), 2));
    }
};

} // namespace

MainWindow::MainWindow(AudioStore* store, RecentFiles* recents, AppSettings* settings,
                       std::function<void()> showHelp, std::function<void()> showSettings, QWidget* parent)
    : QMainWindow(parent), store_(store), recents_(recents) {
    setWindowTitle(QStringLiteral("Barquill"));
    setMinimumSize(minimumWidth, minimumHeight);
    setAcceptDrops(true);

    auto* central = new QWidget(this);
    central->setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* upper = new QWidget(central);
    auto* upperLayout = new QVBoxLayout(upper);
    upperLayout->setContentsMargins(0, 0, 0, 0);
    upperLayout->setSpacing(0);
    toolbar_ = new ContentToolbar(store_, upper);
    waveform_ = new WaveformView(store_, recents_, settings, upper);
    upperLayout->addWidget(toolbar_);
    upperLayout->addWidget(waveform_, 1);
    layout->addWidget(upper, 1);
    auto* divider = new QFrame(central);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setStyleSheet(QStringLiteral("color: palette(mid);"));
    layout->addWidget(divider);
    status_ = new StatusBarView(store_, central);
    layout->addWidget(status_);
    setCentralWidget(central);

    // The outline covers the area above the status bar.
    dropOutline_ = new DropOutline(upper);
    dropOutline_->setGeometry(upper->rect());

    menus_ = new AppMenus(
        menuBar(), [this] { return focusedBundles(); }, std::move(showHelp), std::move(showSettings));
    for (auto signal : {&AudioStore::infoChanged, &AudioStore::isLoadingChanged, &AudioStore::analysisChanged,
                        &AudioStore::isAnalyzingChanged, &AudioStore::gridShiftQuartersChanged,
                        &AudioStore::isReversedChanged, &AudioStore::durationChanged})
        connect(store_, signal, menus_, &AppMenus::refresh);
    if (recents_)
        connect(recents_, &RecentFiles::itemsChanged, menus_, &AppMenus::refresh, Qt::QueuedConnection);
    connect(store_, &AudioStore::errorMessageChanged, this, &MainWindow::errorMessageChanged);
    // An export with no usable folder asks through this window's modal chooser; once the window
    // is gone nobody is asked.
    store_->setFolderChooser([window = QPointer<MainWindow>(this)]() -> std::optional<QString> {
        if (!window) return std::nullopt;
        return runExportFolderDialog(window);
    });
}

AudioFileActions MainWindow::fileActions() {
    return makeFileActions(
        recents_, [this] { showOpenPanel(); }, [this](const QUrl& url) { store_->open(url.toLocalFile()); });
}

AudioZoomActions MainWindow::zoomActions() {
    return makeZoomActions(store_);
}

std::optional<AppMenus::Bundles> MainWindow::focusedBundles() {
    if (!isActiveWindow()) return std::nullopt;
    return AppMenus::Bundles{fileActions(), zoomActions()};
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) menus_->refresh();
    QMainWindow::changeEvent(event);
}

void MainWindow::openDroppedFile(const QString& path) {
    if (auto message = unsupportedTypeMessage(path)) {
        store_->showError(*message);
        return;
    }
    store_->open(path);
}

void MainWindow::showOpenPanel() {
    if (showOpenPanel_) return;
    showOpenPanel_ = true;
    const std::optional<QString> chosen = chooseFile_ ? chooseFile_(this) : std::nullopt;
    showOpenPanel_ = false;
    if (chosen) store_->open(*chosen);
}

void MainWindow::errorMessageChanged() {
    // Shown from the event loop, not from inside the store's change notification.
    if (!store_->errorMessage() || alertPending_) return;
    alertPending_ = true;
    QTimer::singleShot(0, this, [this] {
        alertPending_ = false;
        const std::optional<QString> message = store_->errorMessage();
        if (!message) return;
        if (alert_) alert_(this, QStringLiteral("Could not open file"), *message);
        // Dismissing clears the message, unless a newer one arrived meanwhile.
        if (store_->errorMessage() == message) store_->clearErrorMessage();
    });
}

QSize MainWindow::comfortableSize() const {
    // The chip showing a grid nudge and longer button labels widen the toolbar later on.
    constexpr int toolbarSlack = 90;
    constexpr int comfortableHeight = 760;
    return QSize(std::max(toolbar_->oneRowWidth() + toolbarSlack, 1200), comfortableHeight);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    emit closing();
    QMainWindow::closeEvent(event);
}

void MainWindow::showAlertSoon(const QString& title, const QString& message) {
    QTimer::singleShot(0, this, [this, title, message] {
        if (alert_) alert_(this, title, message);
    });
}

void MainWindow::setDropTargeted(bool on) {
    isDropTargeted_ = on;
    auto* outline = static_cast<DropOutline*>(dropOutline_);
    outline->targeted = on;
    outline->setGeometry(outline->parentWidget()->rect());
    outline->raise();
    outline->update();
}

namespace {
// Only drags that carry files are taken.
bool carriesFiles(const QMimeData* data) {
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}
} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!carriesFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setDropTargeted(true);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dragLeaveEvent(QDragLeaveEvent*) {
    setDropTargeted(false);
}

void MainWindow::dropEvent(QDropEvent* event) {
    setDropTargeted(false);
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty()) {
        event->ignore();
        return;
    }
    // Reported as handled at once; the file itself is taken up from the event loop.
    event->acceptProposedAction();
    if (const auto path = firstDroppedFile(urls))
        QTimer::singleShot(0, this, [this, file = *path] { openDroppedFile(file); });
}

} // namespace barquill
