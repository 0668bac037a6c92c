#include "AppFixture.h"

#include "app/StatusBarView.h"
#include "platform/ui/ModalAlert.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <fstream>
#include <random>

namespace barquill::test {
namespace {

QStringList* capturedWarnings = nullptr;
void captureWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg && capturedWarnings) *capturedWarnings << text;
}

TEST_F(AppTest, ALongStatusMessageIsElidedWithTheWholeTextAsTooltip) {
    window->resize(MainWindow::minimumWidth, MainWindow::minimumHeight);
    StatusBarView* status = window->statusView();
    const QString longText = QStringLiteral("Could not write “DrumLoop_bar01_slice01of08.wav”: ") +
                             QString(QStringLiteral("the disk is full, ")).repeated(8) +
                             QStringLiteral("sorry.");
    store->flashExport(longText);
    QApplication::processEvents();
    EXPECT_EQ(status->messageText(), longText);
    EXPECT_TRUE(status->shownMessageText().endsWith(QStringLiteral("…")))
        << status->shownMessageText().toStdString();
    EXPECT_EQ(status->messageToolTip(), longText);

    store->flashExport(QStringLiteral("Exported 8 slices"));
    QApplication::processEvents();
    EXPECT_EQ(status->shownMessageText(), status->messageText());
    EXPECT_TRUE(status->messageToolTip().isEmpty());
}

TEST_F(AppTest, AnAlertShowsAOneLineMessageOnOneLine) {
    const QString message = QStringLiteral("“random.wav” is damaged or is not an audio file (End of file).");
    int room = 0, needed = 1;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QLabel* label : box->findChildren<QLabel*>())
            if (label->text() == message) {
                room = label->contentsRect().width();
                needed = label->fontMetrics().horizontalAdvance(message);
            }
        box->accept();
    });
    messageBoxAlert()(window, QStringLiteral("Could not open file"), message);
    EXPECT_GE(room, needed);
}

TEST_F(AppTest, AFileTheDecodersCannotReadIsNamedInTheAlert) {
    const auto path = dir / "random.wav";
    std::mt19937 random(7);
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < 20000; ++i)
        out.put(static_cast<char>(random()));
    out.close();
    store->open(QString::fromStdString(path.string()));
    ASSERT_TRUE(waitUntil([&] { return !store->isLoading() && !alerts.isEmpty(); }));
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].startsWith(
        QStringLiteral("Could not open file: “random.wav” is damaged or is not an audio file")))
        << alerts[0].toStdString();
}

TEST_F(AppTest, AnUnreadableDefaultsFileIsSetAsideAndTheUserIsToldOnce) {
    app.reset();
    const QString file = QString::fromStdString((dir / "defaults.json").string());
    std::ofstream(dir / "defaults.json") << "{\"Barquill.sliceFadeMs\": ";
    alerts.clear();
    launch();
    ASSERT_TRUE(waitUntil([&] { return !alerts.isEmpty(); }));
    EXPECT_TRUE(alerts[0].startsWith(QStringLiteral("Settings were reset: ")));
    EXPECT_TRUE(alerts[0].contains(file + QStringLiteral(".corrupt"))) << alerts[0].toStdString();
    EXPECT_TRUE(QFile::exists(file + QStringLiteral(".corrupt")));

    alerts.clear();
    launch();
    spinEventLoop(50);
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();
}

TEST_F(AppTest, DrawingTheWholeWindowWarnsOfNothing) {
    QStringList warnings;
    capturedWarnings = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler(captureWarning);
    openAndSettle(writeClicks());
    store->shiftGrid(1); // the text-only nudge chip appears
    window->grab();
    store->setDisplayMode(WaveformDisplayMode::stereo);
    window->grab();
    qInstallMessageHandler(previous);
    capturedWarnings = nullptr;
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
}

} // namespace
} // namespace barquill::test
