#include "AppFixture.h"

#include "app/FileDrop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTest>
#include <QUrl>

namespace barquill::test {
namespace {

class FileDropTest : public AppTest {
protected:
    // Drags the files over the window and drops them; returns whether the drop was accepted.
    bool drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &enter);
        targetedWhileHovering = window->isDropTargeted();
        QDropEvent dropped(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &dropped);
        return dropped.isAccepted();
    }

    bool targetedWhileHovering = false;
};

TEST_F(FileDropTest, DroppingSeveralFilesLoadsOnlyTheFirst) {
    const QString first = writeClicks("44100-2-clicks-4s-a.wav", 4);
    const QString second = writeClicks("44100-2-clicks-4s-b.wav", 4);
    EXPECT_TRUE(drop({first, second}));
    EXPECT_TRUE(targetedWhileHovering);
    EXPECT_FALSE(window->isDropTargeted());
    ASSERT_TRUE(waitUntil([&] { return store->buffer() && !store->isLoading(); }));
    EXPECT_EQ(store->fileURL(), first);
    EXPECT_EQ(app->recents().items().size(), 1);
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(FileDropTest, ATextFileLeavesTheDocumentAloneAndShowsTheUnsupportedTypeAlert) {
    const QString audio = writeClicks("44100-2-clicks-4s.wav", 4);
    openAndSettle(audio);
    const PCMBufferPtr loaded = store->buffer();
    const QString notes = QString::fromStdString((dir / "notes.txt").string());

    EXPECT_TRUE(drop({notes}));
    ASSERT_TRUE(waitUntil([&] { return !alerts.isEmpty(); }));
    EXPECT_EQ(alerts,
              QStringList{QStringLiteral(
                  "Could not open file: Unsupported type “.txt”. Use mp3/m4a/mp4/wav/aif/flac/opus.")});
    EXPECT_EQ(store->buffer(), loaded);
    EXPECT_EQ(store->fileURL(), audio);
    EXPECT_FALSE(store->errorMessage()); // dismissing the alert cleared it
}

TEST_F(FileDropTest, AnEmptyDropIsRefused) {
    EXPECT_FALSE(drop({}));
    QCoreApplication::processEvents();
    EXPECT_FALSE(store->isLoading());
}

TEST_F(FileDropTest, AFileNamedOnTheCommandLineIsCheckedLikeADrop) {
    app->openFromCommandLine(QStringLiteral("/tmp/song.MP3.bak"));
    ASSERT_TRUE(waitUntil([&] { return !alerts.isEmpty(); }));
    EXPECT_EQ(
        alerts.first(),
        QStringLiteral("Could not open file: Unsupported type “.bak”. Use mp3/m4a/mp4/wav/aif/flac/opus."));
    EXPECT_FALSE(store->fileURL());

    const QString audio = writeClicks("44100-2-clicks-4s.wav", 4);
    app->openFromCommandLine(audio);
    ASSERT_TRUE(waitUntil([&] { return store->buffer() && !store->isLoading(); }));
    EXPECT_EQ(store->fileURL(), audio);
}

TEST_F(FileDropTest, DecodeErrorsShowInTheSameAlert) {
    const QString broken = QString::fromStdString((dir / "broken.wav").string());
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a wav file at all");
    file.close();
    store->open(broken);
    ASSERT_TRUE(waitUntil([&] { return !alerts.isEmpty(); }));
    EXPECT_TRUE(alerts.first().startsWith(QStringLiteral("Could not open file: ")));
    EXPECT_FALSE(store->errorMessage());
}

TEST(FileDropRules, ExtensionsAreComparedLowerCased) {
    EXPECT_FALSE(unsupportedTypeMessage(QStringLiteral("/music/Loop.WAV")));
    EXPECT_FALSE(unsupportedTypeMessage(QStringLiteral("/music/take.opus")));
    EXPECT_EQ(unsupportedTypeMessage(QStringLiteral("notes.TXT")),
              QStringLiteral("Unsupported type “.txt”. Use mp3/m4a/mp4/wav/aif/flac/opus."));
    EXPECT_EQ(unsupportedTypeMessage(QStringLiteral("/music/README")),
              QStringLiteral("Unsupported type “.”. Use mp3/m4a/mp4/wav/aif/flac/opus."));
}

} // namespace
} // namespace barquill::test

namespace barquill::test {
namespace {

TEST_F(FileDropTest, AFileThereIsNoMemoryForGivesOneClearAlertAndTheAppStaysUsable) {
    const QString clicks = writeClicks("44100-2-clicks-4s.wav", 4);
    struct Limit {
        Limit() { PCMBuffer::setByteLimit(1'000'000); } // under the file's 1.4 MB of samples
        ~Limit() { PCMBuffer::setByteLimit(0); }
    };
    {
        const Limit limit;
        EXPECT_TRUE(drop({clicks}));
        ASSERT_TRUE(waitUntil([&] { return !alerts.isEmpty() && !store->isLoading(); }));
    }
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(
        alerts.front().endsWith(QStringLiteral(": Not enough memory to open “44100-2-clicks-4s.wav”.")))
        << alerts.front().toStdString();
    EXPECT_FALSE(store->buffer());

    focusMainWindow();
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_FALSE(store->isPlaying());
    openAndSettle(clicks);
    EXPECT_TRUE(store->buffer());
    EXPECT_EQ(alerts.size(), 1);
}

} // namespace
} // namespace barquill::test
