#include "AppFixture.h"

#include "app/AppMenus.h"
#include "app/HelpView.h"
#include "settings/RecentFiles.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

namespace barquill::test {
namespace {

using MenuTest = AppTest;

QStringList enabledItems(QMenu* menu) {
    QStringList titles;
    for (QAction* item : menu->actions())
        if (!item->isSeparator() && item->isEnabled()) titles << item->text();
    return titles;
}

TEST_F(MenuTest, MenusHoldEveryItemInOrderWithItsKey) {
    AppMenus* menus = window->menus();
    EXPECT_EQ(menuTitles(menus->viewMenu()),
              (QStringList{"Zoom In", "Zoom Out", "Zoom to Fit", "—", "Pan Left", "Pan Right"}));
    EXPECT_EQ(
        menuTitles(menus->barMenu()),
        (QStringList{"Analyze", "—", "Nudge Grid Left ¼ Bar", "Nudge Grid Right ¼ Bar", "Reset Grid Nudge",
                     "—", "Move Loop Left 1 Bar", "Move Loop Right 1 Bar", "—", "Reverse", "—", "Export Loop",
                     "Export Slice Kit…", "—", "Match Tempo", "Match Half the Detected Tempo",
                     "Match Double the Detected Tempo", "Match Tempo Off"}));
    EXPECT_EQ(menuTitles(menus->fileMenu()).mid(0, 2), (QStringList{"Open…", "Open Recent"}));
    EXPECT_EQ(menuItem("Open…")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(menuItem("Zoom In")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Equal));
    EXPECT_EQ(menuItem("Zoom Out")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Minus));
    EXPECT_EQ(menuItem("Zoom to Fit")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_0));
    EXPECT_EQ(menuItem("Pan Left")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Left));
    EXPECT_EQ(menuItem("Move Loop Right 1 Bar")->shortcut(), QKeySequence(Qt::Key_Right));
    EXPECT_EQ(menuItem("Nudge Grid Left ¼ Bar")->shortcut(), QKeySequence(Qt::Key_BracketLeft));
    EXPECT_TRUE(menuItem("Reset Grid Nudge")->shortcut().isEmpty());
    EXPECT_EQ(menuItem("Barquill Help")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Question));
    EXPECT_TRUE(menuItem("Reverse")->isCheckable());
    EXPECT_EQ(menuItem("Export Loop")->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_E));
    EXPECT_NE(menuItem("About Barquill"), nullptr);
}

TEST_F(MenuTest, BeforeAFileAnalyzeIsShownDisabledAndEveryViewAndBarItemIsDisabled) {
    EXPECT_EQ(window->menus()->analyzeAction()->text(), QStringLiteral("Analyze"));
    EXPECT_TRUE(enabledItems(window->menus()->viewMenu()).isEmpty());
    EXPECT_TRUE(enabledItems(window->menus()->barMenu()).isEmpty());
    EXPECT_TRUE(menuItem("Open…")->isEnabled());
}

TEST_F(MenuTest, WhileAnalysisRunsTheFirstBarItemReadsAnalyzingAndIsDisabled) {
    QString titleDuring;
    bool enabledDuring = true;
    QObject::connect(store, &AudioStore::isAnalyzingChanged, window, [&] {
        if (store->isAnalyzing()) {
            titleDuring = window->menus()->analyzeAction()->text();
            enabledDuring = window->menus()->analyzeAction()->isEnabled();
        }
    });
    openAndSettle(writeClicks());
    EXPECT_EQ(titleDuring, QStringLiteral("Analyzing…"));
    EXPECT_FALSE(enabledDuring);
    EXPECT_EQ(window->menus()->analyzeAction()->text(), QStringLiteral("Re-analyze"));
    EXPECT_EQ(
        enabledItems(window->menus()->barMenu()),
        (QStringList{"Re-analyze", "Nudge Grid Left ¼ Bar", "Nudge Grid Right ¼ Bar", "Move Loop Left 1 Bar",
                     "Move Loop Right 1 Bar", "Reverse", "Export Loop", "Export Slice Kit…", "Match Tempo",
                     "Match Half the Detected Tempo", "Match Double the Detected Tempo"}));
}

TEST_F(MenuTest, AfterAFailedAnalysisGridAndLoopStepStayDisabledWhileZoomAndReverseWork) {
    openAndSettle(writeSilence());
    ASSERT_FALSE(store->analysis());
    EXPECT_EQ(enabledItems(window->menus()->barMenu()),
              (QStringList{"Analyze", "Reverse", "Export Loop", "Export Slice Kit…", "Match Tempo"}));
    EXPECT_EQ(enabledItems(window->menus()->viewMenu()).size(), 5);
}

TEST_F(MenuTest, ResetGridNudgeIsEnabledOnlyWhileNudgedAndReverseIsCheckedWhileReversed) {
    openAndSettle(writeClicks());
    QAction* reset = menuItem("Reset Grid Nudge");
    EXPECT_FALSE(reset->isEnabled());
    menuItem("Nudge Grid Right ¼ Bar")->trigger();
    EXPECT_EQ(store->gridShiftQuarters(), 1);
    EXPECT_TRUE(reset->isEnabled());
    reset->trigger();
    EXPECT_EQ(store->gridShiftQuarters(), 0);
    EXPECT_FALSE(reset->isEnabled());
    menuItem("Reverse")->trigger();
    ASSERT_TRUE(waitUntil([&] { return store->isReversed() && !store->isReversing(); }));
    EXPECT_TRUE(menuItem("Reverse")->isChecked());
}

TEST_F(MenuTest, OpenRecentListsFileNamesNewestFirstThenClearMenu) {
    const QString a = writeClicks("a-44100-2.wav", 1);
    const QString b = writeClicks("b-44100-2.wav", 1);
    app->recents().add(a);
    app->recents().add(b);
    QMenu* recent = window->menus()->recentMenu();
    emit recent->aboutToShow();
    EXPECT_EQ(menuTitles(recent), (QStringList{"b-44100-2.wav", "a-44100-2.wav", "—", "Clear Menu"}));

    recent->actions().at(1)->trigger();
    ASSERT_TRUE(waitUntil([&] { return store->buffer() && !store->isLoading(); }));
    EXPECT_EQ(store->fileURL(), a);

    recent->actions().last()->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(app->recents().items().isEmpty());
    emit recent->aboutToShow();
    EXPECT_EQ(menuTitles(recent), (QStringList{"—", "Clear Menu"}));
}

TEST_F(MenuTest, HelpAndAboutOpenTheOneHelpWindowAndItsFocusDisablesTheDocumentItems) {
    openAndSettle(writeClicks("44100-2-clicks-4s.wav", 4));
    EXPECT_FALSE(enabledItems(window->menus()->viewMenu()).isEmpty());
    menuItem("Barquill Help")->trigger();
    HelpWindow* help = app->helpWindow();
    ASSERT_NE(help, nullptr);
    menuItem("About Barquill")->trigger();
    EXPECT_EQ(app->helpWindow(), help);
    EXPECT_EQ(help->objectName(), QStringLiteral("about-help"));
    EXPECT_EQ(help->windowTitle(), QStringLiteral("About Barquill"));
    EXPECT_EQ(help->size(), QSize(600, 660));

    QApplication::setActiveWindow(help);
    ASSERT_TRUE(QTest::qWaitForWindowActive(help));
    EXPECT_TRUE(enabledItems(window->menus()->viewMenu()).isEmpty());
    EXPECT_TRUE(enabledItems(window->menus()->barMenu()).isEmpty());
    EXPECT_FALSE(menuItem("Open…")->isEnabled());
}

TEST_F(MenuTest, TheHelpWindowHoldsTheKeyReferenceAndTheVersion) {
    menuItem("Barquill Help")->trigger();
    QStringList texts;
    for (QLabel* label : app->helpWindow()->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Drop audio in — find bars, loop, slice, reverse, export.")));
    EXPECT_TRUE(
        texts.contains(QStringLiteral("Version ") + HelpView::shortVersion() +
                       QStringLiteral(" · indie / sideload build · local DSP, no account, no network")));
    EXPECT_FALSE(HelpView::shortVersion().isEmpty());
    EXPECT_TRUE(texts.contains(QStringLiteral("Ctrl+=  Ctrl+−")));
    EXPECT_TRUE(texts.contains(
        QStringLiteral("Nudge bar grid ±¼ bar (fixes step-1-on-the-clap), clamps at ±2 bars")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Right-drag pans grab-style; double-click fits.")));
    EXPECT_TRUE(texts.contains(
        QStringLiteral("Tip: every toolbar button's tooltip names its key — hover to learn them.")));
    for (const char* section :
         {"Transport", "Bars, Loop & Grid", "Slices & Export", "View & Zoom", "Workflow", "Waveform mouse"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(section))) << section;
}

} // namespace
} // namespace barquill::test
