#pragma once

#include "platform/audio/AudioEngine.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

namespace barquill {

class AppSettings;
class AudioStore;
class BasicUpdater;
class HelpWindow;
class MainWindow;
class RecentFiles;
class SettingsWindow;
class UserDefaults;

// The application: the three process-wide objects (document, settings, recent files), created
// once and kept until the process ends, and the windows that observe them — the main window,
// the single help window and the settings window. At start it also starts the update check
// without waiting for it.
//
// Threads: GUI thread. Owns everything it creates; windows are closed, not destroyed, so the
// document outlives them.
class BarquillApp : public QObject {
    Q_OBJECT
public:
    struct Options {
        // Empty: the user's defaults file.
        QString defaultsFile;
        // Null: the real output device.
        std::unique_ptr<AudioEngine> engine;
        bool checkForUpdate = true;
    };

    explicit BarquillApp(Options options);
    ~BarquillApp() override;

    // Shows the main window and, unless disabled, starts the update check.
    void start();
    // A file named on the command line: opened like a drop.
    void openFromCommandLine(const QString& path);

    void showHelp();
    void showSettings();

    AudioStore& store() { return *store_; }
    AppSettings& settings() { return *settings_; }
    RecentFiles& recents() { return *recents_; }
    MainWindow& mainWindow() { return *mainWindow_; }
    // None until first opened.
    HelpWindow* helpWindow() const;

private:
    // The remembered geometry, else a comfortable size centred on the screen.
    void placeMainWindow();
    void savePlacement();

    Options options_;
    std::unique_ptr<UserDefaults> defaults_;
    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<RecentFiles> recents_;
    std::unique_ptr<AudioStore> store_;
    std::unique_ptr<BasicUpdater> updater_;
    std::unique_ptr<MainWindow> mainWindow_;
    QPointer<HelpWindow> helpWindow_;
    QPointer<SettingsWindow> settingsWindow_;
};

} // namespace barquill
