#include "AppFixture.h"

#include "app/AppMenus.h"
#include "app/ToolbarButtons.h"
#include "platform/ui/ModalAlert.h"
#include "waveform/WaveformView.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

namespace barquill::test {
namespace {

using Texts = std::vector<std::pair<QString, const char*>>; // shown, wanted

void expectTexts(const Texts& rows) {
    for (const auto& [shown, wanted] : rows)
        EXPECT_EQ(shown.toStdString(), wanted);
}

QString choices(SegmentedPicker* picker) {
    QStringList texts;
    for (QAbstractButton* segment : picker->segments())
        texts << segment->text();
    return texts.join('|');
}

// Every label, tooltip and menu title of the main window, in each state that changes one.
TEST_F(AppTest, MainWindowTexts) {
    StatusBarView* status = window->statusView();
    AppMenus* menus = window->menus();
    expectTexts({
        {bar->goToStartAction()->toolTip(), "Go to start (Backspace)"},
        {bar->playPauseAction()->toolTip(), "Play (Space)"},
        {bar->stopAction()->toolTip(), "Stop (S)"},
        {bar->displayModePicker()->toolTip(), "Waveform channels (mono default)"},
        {bar->volumeGroup()->toolTip(), "Preview volume"},
        {bar->nudgeLeftAction()->toolTip(), "Shift bar grid left by ¼ bar ([)"},
        {bar->nudgeRightAction()->toolTip(), "Shift bar grid right by ¼ bar (])"},
        {bar->nudgeResetAction()->toolTip(), "Grid nudge (click to reset)"},
        {bar->loopBarsPicker()->toolTip(), "Bars per loop (whole file when no bars detected)"},
        {bar->reverseAction()->toolTip(), "Reverse loop, track, previews and slice exports (R)"},
        {bar->slicePreviewAction()->toolTip(), "Preview the playhead's bar in slices (P) — file untouched"},
        {bar->slicesPicker()->toolTip(), "Slices per bar (whole file when no bars detected)"},
        {bar->exportTransientsAction()->toolTip(), "Export non-kick transients as one-shots (T)"},
        {bar->loopAction()->text() + bar->reverseAction()->text() + bar->exportSliceAction()->text() +
             bar->exportTransientsAction()->text(),
         "LoopReverseSliceTransients"},
        {choices(bar->loopBarsPicker()) + " " + choices(bar->slicesPicker()), "1|2|4|8 1|4|8|16"},
        {menuTitles(menus->fileMenu()).section('|', 0, 1), "Open…|Open Recent"},
        {menuTitles(menus->viewMenu()), "Zoom In|Zoom Out|Zoom to Fit|—|Pan Left|Pan Right"},
        {menuTitles(menus->barMenu()),
         "Analyze|—|Nudge Grid Left ¼ Bar|Nudge Grid Right ¼ Bar|Reset Grid Nudge|—|Move Loop Left 1 Bar|"
         "Move Loop Right 1 Bar|—|Reverse|—|Export Loop|Export Slice Kit…|—|Match Tempo|"
         "Match Half the Detected Tempo|Match Double the Detected Tempo|Match Tempo Off"},
        {menuTitles(menus->helpMenu()), "Barquill Help|—|About Barquill"},
        {status->detailsText(), "No file — drop audio to start"},
        {status->messageText(), "Drop audio to start — bar detection runs automatically"},
        {StatusBarView::formatFileSize(0) + ", " + StatusBarView::formatFileSize(999) + ", " +
             StatusBarView::formatFileSize(52'000) + ", " + StatusBarView::formatFileSize(3'200'000'000),
         "Zero KB, 999 bytes, 52 KB, 3.20 GB"},
    });
    EXPECT_EQ(status->dot(), StatusBarView::Dot::gray);

    openAndSettle(writeClicks("44100-2-silence-6s.wav", 6, true));
    expectTexts({{bar->loopAction()->toolTip(), "Loop the whole file (no bars detected) (L)"},
                 {bar->exportSliceAction()->toolTip(),
                  "Export the whole file as slice WAVs (no bars detected) (E)"}});

    openAndSettle(writeClicks("44100-2-clicks-4s.wav", 4));
    EXPECT_EQ(status->dot(), StatusBarView::Dot::blue);
    bar->buttonFor(bar->playPauseAction())->click();
    EXPECT_EQ(status->dot(), StatusBarView::Dot::green);
    expectTexts({
        {bar->loopAction()->toolTip(), "Loop N bars from the clicked bar (L)"},
        {bar->exportSliceAction()->toolTip(), "Export the playhead's bar as slice WAVs (E)"},
        {bar->playPauseAction()->toolTip(), "Pause — replay restarts from play start (Space)"},
        {status->detailsText(), "44100-2-clicks-4s   44.1 kHz   2ch   00:04.00   176400 frames   1.4 MB"},
        {status->positionText().section(' ', 1), "/ 00:04.00"},
    });
    bar->buttonFor(bar->stopAction())->click();
    EXPECT_EQ(bar->playPauseAction()->toolTip(), QStringLiteral("Play (Space)"));
    bar->buttonFor(bar->slicePreviewAction())->click();
    EXPECT_EQ(bar->slicePreviewAction()->text(), QStringLiteral("Stop"));
    bar->buttonFor(bar->slicePreviewAction())->click();
    EXPECT_EQ(bar->slicePreviewAction()->text(), QStringLiteral("Slice Preview"));

    // An error covers the export banner, which covers the analysis note, each until it clears.
    window->setAlertPresenter([](QWidget*, const QString&, const QString&) {}); // left open
    const QString note = status->messageText();
    store->flashExport(QStringLiteral("Exported 8 slices"));
    store->showError(QStringLiteral("Device unavailable"));
    EXPECT_EQ(status->messageText(), QStringLiteral("Device unavailable"));
    store->clearErrorMessage();
    EXPECT_EQ(status->messageText(), QStringLiteral("Exported 8 slices"));
    EXPECT_TRUE(waitUntil([&] { return status->messageText() == note; }, 20000));
}

QStringList* warnings = nullptr;

// At the minimum width, with the longest texts showing, the trailing controls wrap to a second
// row, every control, a short status message and a one-line alert keep the room they ask for, and
// painting makes Qt warn of nothing. The picture is left under <build>/artifacts for a person to look at.
TEST_F(AppTest, TextsFitAndPaintingWarnsOfNothing) {
    QStringList seen;
    warnings = &seen;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type != QtDebugMsg && type != QtInfoMsg) *warnings << text;
        });
    openAndSettle(writeClicks());
    store->shiftGrid(1);
    store->setDisplayMode(WaveformDisplayMode::stereo);
    store->setLoopEnabled(true);
    window->resize(1600, 600);
    EXPECT_TRUE(bar->isOneRow());
    window->resize(MainWindow::minimumWidth, MainWindow::minimumHeight);
    ASSERT_TRUE(waitUntil([&] {
        return window->width() == MainWindow::minimumWidth &&
               window->waveform()->stableSize() == window->waveform()->size();
    }));
    EXPECT_FALSE(bar->isOneRow());
    for (QAbstractButton* button : bar->findChildren<QAbstractButton*>()) {
        if (!button->isVisible()) continue;
        SCOPED_TRACE(button->text().toStdString() + " " + button->toolTip().toStdString());
        EXPECT_GE(button->width(), button->sizeHint().width());
        EXPECT_LE(button->mapTo(window, QPoint(button->width(), 0)).x(), window->width());
    }
    QDir().mkpath(QStringLiteral(BARQUILL_BUILD_DIR "/artifacts"));
    EXPECT_TRUE(window->grab().save(QStringLiteral(BARQUILL_BUILD_DIR "/artifacts/main-window.png")));
    qInstallMessageHandler(previous);
    EXPECT_TRUE(seen.isEmpty()) << seen.join('\n').toStdString();
    StatusBarView* status = window->statusView();
    EXPECT_EQ(status->shownMessageText(), status->messageText());
    EXPECT_TRUE(status->messageToolTip().isEmpty());
    const QString longText =
        QStringLiteral("Could not write “x.wav”: ") + QStringLiteral("disk full, ").repeated(20);
    store->flashExport(longText); // too long: elided, whole as tooltip
    QApplication::processEvents();
    EXPECT_TRUE(status->shownMessageText().endsWith(QStringLiteral("…")));
    EXPECT_EQ(status->messageToolTip(), longText);

    // An alert shows a one-line message on one line.
    const QString message = QStringLiteral("“random.wav” is damaged or is not an audio file (End of file).");
    int room = 0, needed = 1;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        const QLabel* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        room = label->contentsRect().width();
        needed = label->fontMetrics().horizontalAdvance(message);
        box->accept();
    });
    messageBoxAlert()(window, QStringLiteral("Could not open file"), message);
    EXPECT_GE(room, needed);
}

} // namespace
} // namespace barquill::test
