#pragma once

#include "app/BarquillApp.h"
#include "app/ContentToolbar.h"
#include "app/MainWindow.h"
#include "app/StatusBarView.h"
#include "platform/audio/OfflineAudioEngine.h"
#include "settings/AppSettings.h"
#include "settings/RecentFiles.h"
#include "store/AudioStore.h"

#include "UiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace barquill::test {

// The whole application on the offline engine, with its defaults file in a temporary folder, no
// update check, and alerts answered at once and recorded as "title: message".
class AppTest : public ::testing::Test {
protected:
    AppTest() { launch(); }
    ~AppTest() override { app.reset(); }

    // Builds and starts the application (again, after a previous one is shut down), as at process start.
    void launch() {
        app.reset();
        QApplication::setApplicationName(QStringLiteral("Barquill"));
        BarquillApp::Options options{path("defaults.json"), std::make_unique<OfflineAudioEngine>(), false};
        app = std::make_unique<BarquillApp>(std::move(options));
        store = &app->store();
        window = &app->mainWindow();
        bar = window->toolbar();
        window->setAlertPresenter([this](QWidget*, const QString& title, const QString& text) {
            alerts << title + QStringLiteral(": ") + text;
        });
        window->setOpenFileChooser([](QWidget*) { return std::nullopt; });
        app->start();
        focusMainWindow();
    }
    // A stereo 120 BPM click track at 44.1 kHz the beat analysis locks onto; silent, it finds no bars.
    QString writeClicks(const std::string& name = "44100-2-clicks-24s.wav", double seconds = 24,
                        bool silent = false) {
        auto samples = clickTrack(seconds, 44100, 2);
        if (silent) samples.assign(2, std::vector<float>(samples[0].size(), 0.0f));
        EXPECT_TRUE(writeFloatWav(dir / name, samples, 44100));
        return path(name);
    }
    void openAndSettle(const QString& file) {
        store->open(file);
        ASSERT_TRUE(waitUntil([&] { return !store->isLoading() && !store->isAnalyzing(); }));
        ASSERT_TRUE(store->buffer() != nullptr);
    }
    // Makes the main window the focused window, as a click on it would.
    void focusMainWindow() {
        window->activateWindow();
        QApplication::setActiveWindow(window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    // The menu item with this title, searched in every menu of the main window.
    QAction* menuItem(const QString& title) const {
        for (QAction* top : window->menuBar()->actions())
            for (QAction* item : top->menu()->actions())
                if (item->text() == title) return item;
        return nullptr;
    }
    // Item titles joined by "|", a separator as "—".
    static QString menuTitles(QMenu* menu, bool enabledOnly = false) {
        QStringList titles;
        for (QAction* item : menu->actions())
            if (!enabledOnly || (item->isEnabled() && !item->isSeparator()))
                titles << (item->isSeparator() ? QStringLiteral("—") : item->text());
        return titles.join('|');
    }
    QString path(const std::string& name) const { return QString::fromStdString((dir / name).string()); }

    TempDir dir;
    std::unique_ptr<BarquillApp> app;
    AudioStore* store = nullptr;
    MainWindow* window = nullptr;
    ContentToolbar* bar = nullptr;
    QStringList alerts;
};

} // namespace barquill::test
