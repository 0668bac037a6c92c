#pragma once

#include "app/BarquillApp.h"
#include "app/HelpView.h"
#include "app/MainWindow.h"
#include "settings/RecentFiles.h"
#include "store/AudioStore.h"

#include "UiTestSupport.h"

#include <QAction>
#include <QMenu>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace barquill::test {

// The whole application on the offline engine, with its defaults file in a temporary folder, no
// update check, and alerts answered at once and recorded.
class AppTest : public ::testing::Test {
protected:
    AppTest();
    ~AppTest() override;

    // Builds and starts the application (again, after a previous one is shut down), as at process start.
    void launch();
    // A stereo click track at 44.1 kHz the beat analysis locks onto.
    QString writeClicks(const std::string& name = "44100-2-clicks-24s.wav", double seconds = 24);
    // Near silence: the analysis fails on it.
    QString writeSilence(const std::string& name = "44100-2-silence-6s.wav");
    void openAndSettle(const QString& path);
    // Makes the main window the focused window, as a click on it would.
    void focusMainWindow();
    // The menu item with this title, searched in every menu of the main window.
    QAction* menuItem(const QString& title) const;
    QStringList menuTitles(QMenu* menu) const;

    TempDir dir;
    std::unique_ptr<BarquillApp> app;
    AudioStore* store = nullptr;
    MainWindow* window = nullptr;
    QStringList alerts; // "title: message"
};

} // namespace barquill::test
