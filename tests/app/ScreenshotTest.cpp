#include "AppFixture.h"

#include "app/ContentToolbar.h"
#include "app/ToolbarButtons.h"
#include "waveform/WaveformView.h"

#include <QDir>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

namespace barquill::test {
namespace {

using ScreenshotTest = AppTest;

// Leaves a picture of the main window with an analysed file, a loop and the playhead under
// <build>/artifacts/ for a person to look at.
TEST_F(ScreenshotTest, MainWindowWithAnAnalysedLoopedFileIsSavedAsPng) {
    window->resize(1280, 640);
    openAndSettle(writeClicks());
    ASSERT_FALSE(store->effectiveBars().empty());
    store->setDisplayMode(WaveformDisplayMode::stereo);
    store->seek(store->effectiveBars().at(2).startTime + 0.3, true);
    store->setLoopBars(2);
    store->setLoopEnabled(true);
    ASSERT_TRUE(waitUntil([&] { return !store->isInteracting(); }));
    ASSERT_TRUE(waitUntil([&] { return window->waveform()->stableSize() == window->waveform()->size(); }));

    const QString folder = QStringLiteral(BARQUILL_BUILD_DIR "/artifacts");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QImage image = window->grab().toImage();
    const QString path = folder + QStringLiteral("/main-window-analysed-loop.png");
    ASSERT_TRUE(image.save(path));
    EXPECT_EQ(image.width(), 1280);

    window->resize(900, 560);
    store->setDisplayMode(WaveformDisplayMode::mono);
    ASSERT_TRUE(waitUntil([&] { return window->waveform()->stableSize() == window->waveform()->size(); }));
    ASSERT_TRUE(window->grab().toImage().save(folder + QStringLiteral("/main-window-mono.png")));
}

// The toolbar's export area with the export control's menu open beneath its button.
TEST_F(ScreenshotTest, ExportControlWithItsMenuIsSavedAsPng) {
    window->resize(1280, 640);
    openAndSettle(writeClicks());
    ContentToolbar* bar = window->toolbar();
    QWidget* button = bar->buttonFor(bar->exportMenuAction());
    QMenu* menu = bar->exportMenuAction()->menu();
    ASSERT_NE(menu, nullptr);
    menu->adjustSize();
    const QImage toolbar = bar->grab().toImage();
    const QImage items = menu->grab().toImage();
    const QPoint under = button->mapTo(bar, QPoint(0, button->height() + 2));
    QImage shot(toolbar.width(), toolbar.height() + items.height() + 8, QImage::Format_ARGB32);
    shot.fill(bar->palette().color(QPalette::Window));
    QPainter painter(&shot);
    painter.drawImage(0, 0, toolbar);
    painter.drawImage(std::min(under.x(), shot.width() - items.width()), under.y(), items);
    painter.end();
    const QString folder = QStringLiteral(BARQUILL_BUILD_DIR "/artifacts");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(shot.save(folder + QStringLiteral("/toolbar-export-control.png")));
}

TEST_F(ScreenshotTest, EmptyWindowWithRecentFilesIsSavedAsPng) {
    for (const char* name : {"kick-loop-44100-2.wav", "break-48000-2.wav"}) {
        const QString path = writeClicks(name, 1);
        app->recents().add(path);
    }
    window->resize(1000, 560);
    QCoreApplication::processEvents();
    const QString folder = QStringLiteral(BARQUILL_BUILD_DIR "/artifacts");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(window->grab().toImage().save(folder + QStringLiteral("/main-window-empty.png")));
}

} // namespace
} // namespace barquill::test
