#include "app/BarquillApp.h"

#include "app/HelpView.h"
#include "app/MainWindow.h"
#include "app/WindowPlacement.h"
#include "platform/defaults/UserDefaults.h"
#include "settings/AppSettings.h"
#include "settings/RecentFiles.h"
#include "settings/SettingsWindow.h"
#include "store/AudioStore.h"
#include "update/BasicUpdater.h"

#include <QGuiApplication>
#include <QScreen>

namespace barquill {

namespace {
constexpr int updateBackOffDays = 5;
// The main window's size and place of the last session (QWidget::saveGeometry bytes).
const QString mainWindowGeometryKey = QStringLiteral("Barquill.mainWindowGeometry");
} // namespace

BarquillApp::BarquillApp(Options options) : options_(std::move(options)) {
    defaults_ = options_.defaultsFile.isEmpty() ? std::make_unique<UserDefaults>()
                                                : std::make_unique<UserDefaults>(options_.defaultsFile);
    settings_ = std::make_unique<AppSettings>(*defaults_);
    recents_ = std::make_unique<RecentFiles>(*defaults_);
    store_ = std::make_unique<AudioStore>(settings_.get(), recents_.get(), std::move(options_.engine));
    mainWindow_ = std::make_unique<MainWindow>(
        store_.get(), recents_.get(), settings_.get(), [this] { showHelp(); }, [this] { showSettings(); });
}

BarquillApp::~BarquillApp() {
    if (mainWindow_->isVisible()) savePlacement();
    // Windows first: they observe the document and the settings.
    delete helpWindow_.data();
    delete settingsWindow_.data();
    mainWindow_.reset();
}

void BarquillApp::placeMainWindow() {
    if (const auto stored = defaults_->data(mainWindowGeometryKey);
        stored && mainWindow_->restoreGeometry(*stored))
        return;
    const QScreen* screen = mainWindow_->screen() ? mainWindow_->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    mainWindow_->setGeometry(firstWindowGeometry(mainWindow_->comfortableSize(), mainWindow_->minimumSize(),
                                                 screen->availableGeometry()));
}

void BarquillApp::savePlacement() {
    const QByteArray geometry = mainWindow_->saveGeometry();
    if (defaults_->data(mainWindowGeometryKey) != geometry)
        defaults_->setData(mainWindowGeometryKey, geometry);
}

void BarquillApp::start() {
    placeMainWindow();
    mainWindow_->show();
    // Saved when the window closes, not on every move: the defaults file is not rewritten while
    // the user drags the window about.
    connect(mainWindow_.get(), &MainWindow::closing, this, &BarquillApp::savePlacement);
    // A defaults file that could not be read was set aside and defaults are in use: the user hears
    // of it once, here, rather than finding their settings silently gone.
    if (!defaults_->loadProblem().isEmpty())
        mainWindow_->showAlertSoon(QStringLiteral("Settings were reset"), defaults_->loadProblem());
    // A chosen device that is gone gets a note; the system default plays meanwhile.
    store_->checkOutputDevice();
    if (options_.checkForUpdate) {
        updater_ =
            std::make_unique<BasicUpdater>(BasicUpdater::defaultBaseUrl(), updateBackOffDays, *defaults_);
        updater_->checkForUpdate();
    }
}

void BarquillApp::openFromCommandLine(const QString& path) {
    mainWindow_->openDroppedFile(path);
}

HelpWindow* BarquillApp::helpWindow() const {
    return helpWindow_.data();
}

void BarquillApp::showHelp() {
    if (!helpWindow_) helpWindow_ = new HelpWindow();
    helpWindow_->show();
    helpWindow_->raise();
    helpWindow_->activateWindow();
}

void BarquillApp::showSettings() {
    if (!settingsWindow_) {
        settingsWindow_ = new SettingsWindow(*settings_);
        settingsWindow_->setWindowFlag(Qt::Window);
        settingsWindow_->setWindowTitle(QStringLiteral("Settings"));
        settingsWindow_->setDeviceLister([this](std::function<void(std::vector<OutputDevice>)> done) {
            store_->engine().listOutputDevices(std::move(done));
        });
    }
    settingsWindow_->show();
    settingsWindow_->raise();
    settingsWindow_->activateWindow();
}

} // namespace barquill
