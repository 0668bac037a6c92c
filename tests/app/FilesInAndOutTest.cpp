#include "AppFixture.h"

#include "TransientSignals.h"
#include "app/FileDrop.h"
#include "waveform/LoopDrag.h"
#include "waveform/WaveformInputView.h"
#include "waveform/WaveformView.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

namespace barquill::test {
namespace {

const QString kUnsupported =
    QStringLiteral("Could not open file: Unsupported type “%1”. Use mp3/m4a/mp4/wav/aif/flac/opus.");

// Drags the files over the window and drops them: whether the window was highlighted while
// hovering, and whether it accepted the drop.
std::pair<bool, bool> drop(MainWindow* window, const QStringList& paths) {
    QMimeData data;
    for (const QString& file : paths)
        data.setUrls(data.urls() << QUrl::fromLocalFile(file));
    QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    const bool highlighted = window->isDropTargeted();
    QDropEvent dropped(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &dropped);
    return {highlighted, dropped.isAccepted()};
}

TEST_F(AppTest, ADropOrTheCommandLineOpensTheFirstFileAndAnUnsupportedOneOnlyShowsTheAlert) {
    EXPECT_FALSE(drop(window, {}).second);
    const QString first = writeClicks("44100-2-clicks-4s-a.WAV", 4);
    EXPECT_EQ(drop(window, {first, writeClicks("44100-2-clicks-4s-b.wav", 4)}), std::pair(true, true));
    EXPECT_FALSE(window->isDropTargeted());
    ASSERT_TRUE(waitUntil([&] { return store->buffer() && !store->isLoading(); }));
    EXPECT_EQ(store->fileURL(), first);
    EXPECT_EQ(app->recents().items().size(), 1);

    const PCMBufferPtr loaded = store->buffer();
    EXPECT_TRUE(drop(window, {path("notes.txt")}).second);
    ASSERT_TRUE(waitUntil([&] { return !alerts.isEmpty(); }));
    EXPECT_EQ(alerts, QStringList{kUnsupported.arg(".txt")});
    EXPECT_EQ(store->buffer(), loaded);
    EXPECT_FALSE(store->errorMessage()); // dismissing the alert cleared it
    EXPECT_EQ(QStringLiteral("Could not open file: ") + *unsupportedTypeMessage("/music/README"),
              kUnsupported.arg("."));
    // A file named on the command line is checked the same way.
    app->openFromCommandLine(QStringLiteral("/tmp/song.MP3.bak"));
    ASSERT_TRUE(waitUntil([&] { return alerts.size() == 2; }));
    EXPECT_EQ(alerts.last(), kUnsupported.arg(".bak"));
    app->openFromCommandLine(path("44100-2-clicks-4s-b.wav"));
    EXPECT_TRUE(waitUntil([&] { return store->fileURL() == path("44100-2-clicks-4s-b.wav"); }));
}

TEST_F(AppTest, AFileThereIsNoMemoryForGivesOneClearAlertAndTheAppStaysUsable) {
    const QString clicks = writeClicks("44100-2-clicks-4s.wav", 4);
    PCMBuffer::setByteLimit(1'000'000); // under the file's 1.4 MB of samples
    EXPECT_TRUE(drop(window, {clicks}).second);
    const bool told = waitUntil([&] { return !alerts.isEmpty() && !store->isLoading(); });
    PCMBuffer::setByteLimit(0);
    ASSERT_TRUE(told);
    EXPECT_EQ(alerts, QStringList{"Could not open file: Not enough memory to open “44100-2-clicks-4s.wav”."});
    EXPECT_FALSE(store->buffer());
    // Nothing is left to play, and the same file can be tried again.
    focusMainWindow();
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_FALSE(store->isPlaying());
    openAndSettle(clicks);
    EXPECT_TRUE(store->buffer());
    EXPECT_EQ(alerts.size(), 1);
}

// Ctrl-pressing inside the loop drags it out, as a WAV written to the cache, instead of seeking.
TEST_F(AppTest, TheLoopIsDraggedOutAsAWavInTheCache) {
    openAndSettle(writeClicks());
    store->seek(store->effectiveBars().at(1).startTime + 0.1, true);
    store->setLoopEnabled(true);
    auto* input = window->waveform()->findChild<WaveformInputView*>();
    const double before = store->currentTime();
    const QPoint inside(static_cast<int>(store->fractionOfTime(before + 1.0) * input->width()), 20);
    QTest::mousePress(input, Qt::LeftButton, Qt::ControlModifier, inside);
    QTest::mouseRelease(input, Qt::LeftButton, Qt::ControlModifier, inside);
    EXPECT_EQ(store->currentTime(), before);
    QTest::mouseClick(input, Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_NE(store->currentTime(), before);
    store->seek(before, true);

    const std::unique_ptr<QMimeData> data(loopDragMimeData(*store));
    ASSERT_TRUE(data && data->formats().contains(QStringLiteral("text/uri-list")));
    ASSERT_EQ(data->urls().size(), 1);
    const QString file = data->urls().front().toLocalFile();
    EXPECT_EQ(file, QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                        QStringLiteral("/drag/44100-2-clicks-24s_bar02-02_loop.wav"));
}

// With no usable export folder, E and T open the window's own folder chooser, which a watcher
// answers as a user would: a folder confirms, none cancels.
TEST_F(AppTest, EAndTAskForAFolderWhenNoneIsStoredAndExportIntoTheChosenOne) {
    QString seen, answer;
    QTimer watch; // fires inside the chooser's own event loop
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        watch.stop();
        seen = dialog->windowTitle() + " / " + dialog->labelText(QFileDialog::Accept);
        if (answer.isEmpty()) return dialog->reject();
        dialog->setDirectory(answer);
        dialog->selectFile(answer);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept() checks the choice
    });
    const auto scene = BreakdownScene::make(); // quiet hats and claps: both exports write files
    ASSERT_TRUE(writeFloatWav(dir / "44100-2-breakdown.wav", {scene.samples, scene.samples}, 44100));
    openAndSettle(path("44100-2-breakdown.wav"));

    for (const auto& [key, folder] : {std::pair{Qt::Key_E, ""}, std::pair{Qt::Key_T, ""},
                                      std::pair{Qt::Key_E, "slices"}, std::pair{Qt::Key_T, "shots"}}) {
        seen.clear();
        answer = *folder ? path(folder) : QString();
        if (*folder) { // a stored folder would be used without asking
            QDir().mkpath(answer);
            app->settings().setExportFolderBookmark(std::nullopt);
        }
        watch.start(20);
        QTest::keyClick(window, key);
        focusMainWindow(); // the closed dialog may leave the window inactive, and keys unheard
        EXPECT_EQ(seen, QStringLiteral("Choose where sliced WAVs are exported / Choose"));
        ASSERT_TRUE(waitUntil([&] { return !store->isExportingTransients(); }));
        if (answer.isEmpty()) { // cancelled: nothing stored, written or reported
            EXPECT_FALSE(app->settings().exportFolderBookmark() || store->exportFlash());
            continue;
        }
        EXPECT_EQ(app->settings().resolvedExportFolder(), answer);
        EXPECT_FALSE(QDir(answer).entryList({QStringLiteral("*.wav")}).isEmpty());
        EXPECT_TRUE(store->exportFlash().value_or(QString()).startsWith(QStringLiteral("Exported")));
    }
}

} // namespace
} // namespace barquill::test
