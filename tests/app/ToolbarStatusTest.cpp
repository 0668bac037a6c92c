#include "AppFixture.h"

#include "app/AppMenus.h"
#include "app/ContentToolbar.h"
#include "app/StatusBarView.h"
#include "app/TempoField.h"
#include "app/ToolbarButtons.h"

#include <QLineEdit>
#include <QSlider>
#include <QTest>

namespace barquill::test {
namespace {

using ToolbarTest = AppTest;
using StatusBarTest = AppTest;

TEST_F(ToolbarTest, ButtonsCarryTheirTooltipsAndLabels) {
    ContentToolbar* bar = window->toolbar();
    EXPECT_EQ(bar->goToStartAction()->toolTip(), QStringLiteral("Go to start (Backspace)"));
    EXPECT_EQ(bar->playPauseAction()->toolTip(), QStringLiteral("Play (Space)"));
    EXPECT_EQ(bar->stopAction()->toolTip(), QStringLiteral("Stop (S)"));
    EXPECT_EQ(bar->displayModePicker()->toolTip(), QStringLiteral("Waveform channels (mono default)"));
    EXPECT_EQ(bar->volumeGroup()->toolTip(), QStringLiteral("Preview volume"));
    EXPECT_EQ(bar->volumeSlider()->width(), 88);
    EXPECT_EQ(bar->nudgeLeftAction()->toolTip(), QStringLiteral("Shift bar grid left by ¼ bar ([)"));
    EXPECT_EQ(bar->nudgeRightAction()->toolTip(), QStringLiteral("Shift bar grid right by ¼ bar (])"));
    EXPECT_EQ(bar->nudgeResetAction()->toolTip(), QStringLiteral("Grid nudge (click to reset)"));
    EXPECT_EQ(bar->loopBarsPicker()->toolTip(),
              QStringLiteral("Bars per loop (whole file when no bars detected)"));
    EXPECT_EQ(bar->reverseAction()->toolTip(),
              QStringLiteral("Reverse loop, track, previews and slice exports (R)"));
    EXPECT_EQ(bar->slicePreviewAction()->toolTip(),
              QStringLiteral("Preview the playhead's bar in slices (P) — file untouched"));
    EXPECT_EQ(bar->slicesPicker()->toolTip(),
              QStringLiteral("Slices per bar (whole file when no bars detected)"));
    EXPECT_EQ(bar->exportTransientsAction()->toolTip(),
              QStringLiteral("Export non-kick transients as one-shots (T)"));
    EXPECT_EQ(bar->loopAction()->text(), QStringLiteral("Loop"));
    EXPECT_EQ(bar->reverseAction()->text(), QStringLiteral("Reverse"));
    EXPECT_EQ(bar->slicePreviewAction()->text(), QStringLiteral("Slice Preview"));
    EXPECT_EQ(bar->exportSliceAction()->text(), QStringLiteral("Slice"));
    EXPECT_EQ(bar->exportTransientsAction()->text(), QStringLiteral("Transients"));
    QStringList loopChoices, sliceChoices;
    for (QAbstractButton* b : bar->loopBarsPicker()->segments())
        loopChoices << b->text();
    for (QAbstractButton* b : bar->slicesPicker()->segments())
        sliceChoices << b->text();
    EXPECT_EQ(loopChoices, (QStringList{"1", "2", "4", "8"}));
    EXPECT_EQ(sliceChoices, (QStringList{"1", "4", "8", "16"}));
}

TEST_F(ToolbarTest, LoopAndSliceTooltipsUseTheWholeFileWordingWithoutBars) {
    openAndSettle(writeSilence());
    ContentToolbar* bar = window->toolbar();
    EXPECT_EQ(bar->loopAction()->toolTip(), QStringLiteral("Loop the whole file (no bars detected) (L)"));
    EXPECT_EQ(bar->exportSliceAction()->toolTip(),
              QStringLiteral("Export the whole file as slice WAVs (no bars detected) (E)"));
    openAndSettle(writeClicks());
    EXPECT_EQ(bar->loopAction()->toolTip(), QStringLiteral("Loop N bars from the clicked bar (L)"));
    EXPECT_EQ(bar->exportSliceAction()->toolTip(),
              QStringLiteral("Export the playhead's bar as slice WAVs (E)"));
}

TEST_F(ToolbarTest, WhileASecondFileDecodesNothingActsOnTheFirst) {
    openAndSettle(writeClicks());
    ContentToolbar* bar = window->toolbar();
    std::vector<bool> enabledWhileLoading;
    QObject::connect(store, &AudioStore::isLoadingChanged, window, [&] {
        if (!store->isLoading()) return;
        for (QAction* action :
             {bar->playPauseAction(), bar->loopAction(), bar->reverseAction(), bar->slicePreviewAction(),
              bar->exportSliceAction(), bar->exportTransientsAction(), menuItem("Reverse"),
              menuItem("Move Loop Right 1 Bar")})
            enabledWhileLoading.push_back(action->isEnabled());
    });
    openAndSettle(writeClicks("44100-2-clicks-12s.wav", 12));
    EXPECT_EQ(enabledWhileLoading, std::vector<bool>(8, false));
    EXPECT_TRUE(bar->playPauseAction()->isEnabled());
    EXPECT_TRUE(bar->exportSliceAction()->isEnabled());
}

TEST_F(ToolbarTest, PlayTurnsIntoPauseWhilePlayingAndSlicePreviewIntoStopWhilePreviewing) {
    openAndSettle(writeClicks());
    ContentToolbar* bar = window->toolbar();
    bar->buttonFor(bar->playPauseAction())->click();
    ASSERT_TRUE(store->isPlaying());
    EXPECT_EQ(bar->playPauseAction()->toolTip(),
              QStringLiteral("Pause — replay restarts from play start (Space)"));
    bar->buttonFor(bar->stopAction())->click();
    EXPECT_EQ(bar->playPauseAction()->toolTip(), QStringLiteral("Play (Space)"));
    bar->buttonFor(bar->slicePreviewAction())->click();
    ASSERT_TRUE(store->isPreviewing());
    EXPECT_EQ(bar->slicePreviewAction()->text(), QStringLiteral("Stop"));
    bar->buttonFor(bar->slicePreviewAction())->click();
    EXPECT_FALSE(store->isPreviewing());
    EXPECT_EQ(bar->slicePreviewAction()->text(), QStringLiteral("Slice Preview"));
}

TEST_F(ToolbarTest, TheGridChipAppearsAfterANudgeAndResetsItWhenClicked) {
    openAndSettle(writeClicks());
    ContentToolbar* bar = window->toolbar();
    CapsuleToolbarButton* chip = bar->buttonFor(bar->nudgeResetAction());
    EXPECT_FALSE(chip->isVisible());
    bar->buttonFor(bar->nudgeRightAction())->click();
    EXPECT_TRUE(chip->isVisible());
    EXPECT_EQ(chip->text(), QStringLiteral("+1×¼"));
    bar->buttonFor(bar->nudgeLeftAction())->click();
    bar->buttonFor(bar->nudgeLeftAction())->click();
    EXPECT_EQ(chip->text(), QStringLiteral("-1×¼"));
    chip->click();
    EXPECT_EQ(store->gridShiftQuarters(), 0);
    EXPECT_FALSE(chip->isVisible());
}

TEST_F(ToolbarTest, PickersAndTheVolumeSliderWriteTheDocumentAtOnce) {
    ContentToolbar* bar = window->toolbar();
    EXPECT_EQ(bar->volumeSlider()->value(), 900);
    bar->volumeSlider()->setValue(250);
    EXPECT_FLOAT_EQ(store->volume(), 0.25f);
    EXPECT_FLOAT_EQ(store->engine().outputLevel(), 0.25f);
    bar->slicesPicker()->segments().at(3)->click();
    EXPECT_EQ(store->slicesPerBar(), 16);
    bar->loopBarsPicker()->segments().at(2)->click();
    EXPECT_EQ(store->loopBars(), 4);
    bar->displayModePicker()->segments().at(1)->click();
    EXPECT_EQ(store->displayMode(), WaveformDisplayMode::stereo);
}

TEST_F(ToolbarTest, PressingReverseTwiceQuicklyCancelsTheMirrorAndLeavesReverseOff) {
    openAndSettle(writeClicks());
    ContentToolbar* bar = window->toolbar();
    bar->buttonFor(bar->reverseAction())->click();
    if (store->isReversing()) {
        EXPECT_EQ(bar->reverseAction()->toolTip(),
                  QStringLiteral("Building reverse mirror… (press again to cancel)"));
    }
    bar->buttonFor(bar->reverseAction())->click();
    spinEventLoop(300);
    EXPECT_FALSE(store->isReversed());
    EXPECT_FALSE(store->isReversing());
}

TEST_F(StatusBarTest, WithoutAFileTheGrayDotAndInvitationThenTheFilesDetailsAndPosition) {
    StatusBarView* status = window->statusView();
    EXPECT_EQ(status->dot(), StatusBarView::Dot::gray);
    EXPECT_EQ(status->detailsText(), QStringLiteral("No file — drop audio to start"));
    EXPECT_TRUE(status->positionText().isEmpty());
    EXPECT_EQ(status->messageText(),
              QStringLiteral("Drop audio to start — bar detection runs automatically"));
    openAndSettle(writeClicks("44100-2-clicks-4s.wav", 4));
    EXPECT_EQ(status->dot(), StatusBarView::Dot::blue);
    const QString details = status->detailsText();
    EXPECT_TRUE(details.startsWith(QStringLiteral("44100-2-clicks-4s")));
    EXPECT_TRUE(details.contains(QStringLiteral("44.1 kHz")));
    EXPECT_TRUE(details.contains(QStringLiteral("2ch")));
    EXPECT_TRUE(details.contains(QStringLiteral("176400 frames")));
    EXPECT_TRUE(details.contains(QStringLiteral("1.4 MB")));
    EXPECT_EQ(status->positionText(), QStringLiteral("00:00.00 / 00:04.00"));
    store->play();
    EXPECT_EQ(status->dot(), StatusBarView::Dot::green);
}

TEST_F(StatusBarTest, AnErrorHidesTheBannerWhichHidesTheNoteUntilItClears) {
    openAndSettle(writeClicks("44100-2-clicks-4s.wav", 4));
    window->setAlertPresenter(
        [](QWidget*, const QString&, const QString&) {}); // left open until cleared below
    StatusBarView* status = window->statusView();
    const QString note = store->analysisNote();
    store->flashExport(QStringLiteral("Exported 8 slices"));
    EXPECT_EQ(status->messageText(), QStringLiteral("Exported 8 slices"));
    store->showError(QStringLiteral("Device unavailable"));
    EXPECT_EQ(status->messageText(), QStringLiteral("Device unavailable"));
    EXPECT_EQ(status->messageColor().red(), 215);
    store->clearErrorMessage();
    EXPECT_EQ(status->messageText(), QStringLiteral("Exported 8 slices"));
    ASSERT_TRUE(waitUntil([&] { return !store->exportFlash(); }, 20000));
    EXPECT_EQ(status->messageText(), note);
}

TEST(StatusBarFileSize, DecimalUnitsLikeAFileBrowser) {
    EXPECT_EQ(StatusBarView::formatFileSize(0), QStringLiteral("Zero KB"));
    EXPECT_EQ(StatusBarView::formatFileSize(999), QStringLiteral("999 bytes"));
    EXPECT_EQ(StatusBarView::formatFileSize(1'411'244), QStringLiteral("1.4 MB"));
    EXPECT_EQ(StatusBarView::formatFileSize(52'000), QStringLiteral("52 KB"));
    EXPECT_EQ(StatusBarView::formatFileSize(3'200'000'000), QStringLiteral("3.20 GB"));
}

} // namespace
} // namespace barquill::test

namespace barquill::test {
namespace {

TEST_F(ToolbarTest, AtTheMinimumWidthTheTrailingControlsMoveToASecondRowUnsqueezed) {
    ContentToolbar* bar = window->toolbar();
    window->resize(1600, 600);
    QCoreApplication::processEvents();
    EXPECT_TRUE(bar->isOneRow());
    window->resize(MainWindow::minimumWidth, MainWindow::minimumHeight);
    ASSERT_TRUE(waitUntil([&] { return window->width() == MainWindow::minimumWidth; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(bar->isOneRow());
    for (QAction* action : {bar->loopAction(), bar->reverseAction(), bar->slicePreviewAction(),
                            bar->exportSliceAction(), bar->exportTransientsAction(), bar->exportMenuAction()})
        EXPECT_GE(bar->buttonFor(action)->width(), bar->buttonFor(action)->sizeHint().width())
            << action->text().toStdString();
}

} // namespace
} // namespace barquill::test

namespace barquill::test {
namespace {

TEST_F(ToolbarTest, MatchTempoIsTypedSteppedHalvedAndClampedFromToolbarAndBarMenu) {
    openAndSettle(writeClicks());
    focusMainWindow();
    TempoField* field = window->toolbar()->matchTempoField();
    EXPECT_EQ(field->text(), QStringLiteral("Off"));
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("140"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(store->matchTempo(), 140);
    EXPECT_TRUE(store->analysisNote().startsWith(QStringLiteral("120.0 BPM → 140.0 · ")));
    EXPECT_EQ(window->statusView()->messageText(), store->analysisNote());
    QTest::keyClick(field, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(store->matchTempo(), 140.1);
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_DOUBLE_EQ(store->matchTempo(), 139.1);

    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("400"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(store->matchTempo(), 300);
    EXPECT_EQ(field->value(), 300);
    EXPECT_TRUE(store->exportFlash().value_or(QString()).contains(QStringLiteral("out of range")));

    window->toolbar()->buttonFor(window->toolbar()->halfTempoAction())->click();
    EXPECT_DOUBLE_EQ(store->matchTempo(), store->analysis()->bpm / 2);
    window->menus()->refresh();
    EXPECT_EQ(window->menus()->matchTempoField()->value(), field->value());
    menuItem("Match Double the Detected Tempo")->trigger();
    EXPECT_DOUBLE_EQ(store->matchTempo(), store->analysis()->bpm * 2);
    menuItem("Match Tempo Off")->trigger();
    EXPECT_EQ(store->matchTempo(), 0);
    EXPECT_EQ(field->text(), QStringLiteral("Off"));
}

} // namespace
} // namespace barquill::test
