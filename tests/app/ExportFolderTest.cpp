#include "AppFixture.h"

#include "TransientSignals.h"
#include "settings/AppSettings.h"

#include <QApplication>
#include <QFileDialog>
#include <QTest>
#include <QTimer>

namespace barquill::test {
namespace {

// The real shell with no usable export folder: E and T must open the window's modal folder
// chooser, which the test answers the way a user would.
class ExportFolderTest : public AppTest {
protected:
    // Answers the next folder chooser: `folder` confirms, empty cancels. Records what it saw.
    void answerChooserWith(const QString& folder) {
        seenTitle.clear();
        QTimer::singleShot(0, window, [this, folder] { answerWhenShown(folder, 200); });
    }
    void answerWhenShown(const QString& folder, int triesLeft) {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (triesLeft > 0)
                QTimer::singleShot(20, window,
                                   [this, folder, triesLeft] { answerWhenShown(folder, triesLeft - 1); });
            return;
        }
        seenTitle = dialog->windowTitle();
        seenAccept = dialog->labelText(QFileDialog::Accept);
        if (folder.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->setDirectory(folder);
        dialog->selectFile(folder);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept() checks the choice
    }
    QStringList wavsIn(const QString& folder) const {
        return QDir(folder).entryList({QStringLiteral("*.wav")}, QDir::Files);
    }

    QString seenTitle, seenAccept;
};

TEST_F(ExportFolderTest, EAndTAskForAFolderWhenNoneIsStoredAndExportIntoTheChosenOne) {
    // A loud bed around a quiet breakdown with hats and claps: both exports write files.
    const auto scene = BreakdownScene::make();
    const auto path = dir / "44100-2-breakdown.wav";
    ASSERT_TRUE(
        writeFloatWav(path, {scene.samples, scene.samples}, static_cast<int>(BreakdownScene::sampleRate)));
    openAndSettle(QString::fromStdString(path.string()));
    const QString gone = QString::fromStdString((dir / "deleted").string());
    QDir().mkpath(gone);
    app->settings().setExportFolder(gone);
    QDir(gone).removeRecursively(); // a stored folder that no longer exists counts as none

    // Cancelling stops silently: nothing stored, written, shown or reported.
    for (auto key : {Qt::Key_E, Qt::Key_T}) {
        SCOPED_TRACE(key);
        answerChooserWith({});
        QTest::keyClick(window, key);
        EXPECT_EQ(seenTitle, QStringLiteral("Choose where sliced WAVs are exported"));
        EXPECT_EQ(seenAccept, QStringLiteral("Choose"));
        EXPECT_FALSE(app->settings().exportFolderBookmark());
        EXPECT_FALSE(store->exportFlash());
        EXPECT_FALSE(store->isExportingTransients());
        focusMainWindow(); // the closed dialog may leave the window inactive, and keys unheard
    }

    for (auto key : {Qt::Key_E, Qt::Key_T}) {
        SCOPED_TRACE(key);
        const QString out = QString::fromStdString((dir / (key == Qt::Key_E ? "slices" : "shots")).string());
        QDir().mkpath(out);
        app->settings().setExportFolderBookmark(std::nullopt);
        answerChooserWith(out);
        QTest::keyClick(window, key);
        focusMainWindow();
        ASSERT_FALSE(seenTitle.isEmpty()) << "no folder chooser";
        ASSERT_TRUE(waitUntil([&] { return !store->isExportingTransients(); }));
        EXPECT_EQ(app->settings().resolvedExportFolder(), out);
        EXPECT_FALSE(wavsIn(out).isEmpty());
        ASSERT_TRUE(store->exportFlash());
        EXPECT_TRUE(store->exportFlash()->startsWith(QStringLiteral("Exported")))
            << store->exportFlash()->toStdString();
    }
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();
}

} // namespace
} // namespace barquill::test
