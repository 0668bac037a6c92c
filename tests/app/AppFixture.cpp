#include "AppFixture.h"

#include "platform/audio/OfflineAudioEngine.h"

#include <QApplication>
#include <QMenuBar>
#include <QTest>

namespace barquill::test {

AppTest::AppTest() {
    QApplication::setApplicationName(QStringLiteral("Barquill"));
    launch();
}

void AppTest::launch() {
    app.reset();
    BarquillApp::Options options;
    options.defaultsFile = QString::fromStdString((dir / "defaults.json").string());
    options.engine = std::make_unique<OfflineAudioEngine>();
    options.checkForUpdate = false;
    app = std::make_unique<BarquillApp>(std::move(options));
    store = &app->store();
    window = &app->mainWindow();
    window->setAlertPresenter(
        [this](QWidget*, const QString& title, const QString& message) { alerts << title + ": " + message; });
    window->setOpenFileChooser([](QWidget*) { return std::nullopt; });
    app->start();
    focusMainWindow();
}

AppTest::~AppTest() {
    app.reset();
}

QString AppTest::writeClicks(const std::string& name, double seconds) {
    const auto path = dir / name;
    EXPECT_TRUE(writeFloatWav(path, clickTrack(seconds, 44100, 2), 44100));
    return QString::fromStdString(path.string());
}

QString AppTest::writeSilence(const std::string& name) {
    const auto path = dir / name;
    EXPECT_TRUE(writeFloatWav(
        path, {std::vector<float>(6 * 44100, 0.0f), std::vector<float>(6 * 44100, 0.0f)}, 44100));
    return QString::fromStdString(path.string());
}

void AppTest::openAndSettle(const QString& path) {
    store->open(path);
    ASSERT_TRUE(waitUntil([&] { return !store->isLoading() && !store->isAnalyzing(); }));
    ASSERT_TRUE(store->buffer() != nullptr);
}

void AppTest::focusMainWindow() {
    window->activateWindow();
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

QAction* AppTest::menuItem(const QString& title) const {
    for (QAction* top : window->menuBar()->actions())
        if (QMenu* menu = top->menu())
            for (QAction* item : menu->actions())
                if (item->text() == title) return item;
    return nullptr;
}

QStringList AppTest::menuTitles(QMenu* menu) const {
    QStringList titles;
    for (QAction* item : menu->actions())
        titles << (item->isSeparator() ? QStringLiteral("—") : item->text());
    return titles;
}

} // namespace barquill::test
