#include "AppFixture.h"

#include "app/ContentToolbar.h"

#include <QTest>

#include <map>

namespace barquill::test {
namespace {

// A loaded, analysed file with the main window focused; every menu and toolbar action counts how
// often it fires, so a key proves it reached exactly one operation exactly once.
class KeyboardTest : public AppTest {
protected:
    void SetUp() override {
        openAndSettle(writeClicks());
        ASSERT_FALSE(store->effectiveBars().empty());
        focusMainWindow();
        for (QAction* action : window->findChildren<QAction*>())
            if (!action->text().isEmpty() || !action->toolTip().isEmpty())
                QObject::connect(action, &QAction::triggered, window,
                                 [this, action] { fired.push_back(action); });
    }

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        fired.clear();
        QTest::keyClick(window, static_cast<Qt::Key>(key), modifiers);
    }
    ContentToolbar* toolbar() const { return window->toolbar(); }

    std::vector<QAction*> fired;
};

TEST_F(KeyboardTest, SpacePlaysAndPausesAndSStops) {
    press(Qt::Key_Space);
    EXPECT_EQ(fired, std::vector<QAction*>{toolbar()->playPauseAction()});
    EXPECT_TRUE(store->isPlaying());
    press(Qt::Key_Space);
    EXPECT_FALSE(store->isPlaying());
    press(Qt::Key_Space);
    press(Qt::Key_S);
    EXPECT_EQ(fired, std::vector<QAction*>{toolbar()->stopAction()});
    EXPECT_FALSE(store->isPlaying());
    EXPECT_EQ(store->currentTime(), 0.0);
}

TEST_F(KeyboardTest, BackspaceGoesToTheStart) {
    store->seek(5.0, true);
    press(Qt::Key_Backspace);
    EXPECT_EQ(fired, std::vector<QAction*>{toolbar()->goToStartAction()});
    EXPECT_EQ(store->currentTime(), 0.0);
}

TEST_F(KeyboardTest, LTogglesTheLoop) {
    press(Qt::Key_L);
    EXPECT_EQ(fired, std::vector<QAction*>{toolbar()->loopAction()});
    EXPECT_TRUE(store->loopEnabled());
    press(Qt::Key_L);
    EXPECT_FALSE(store->loopEnabled());
}

TEST_F(KeyboardTest, BracketsNudgeTheGridOneQuarterEach) {
    press(Qt::Key_BracketLeft);
    EXPECT_EQ(fired, std::vector<QAction*>{menuItem("Nudge Grid Left ¼ Bar")});
    EXPECT_EQ(store->gridShiftQuarters(), -1);
    press(Qt::Key_BracketRight);
    press(Qt::Key_BracketRight);
    EXPECT_EQ(store->gridShiftQuarters(), 1);
}

TEST_F(KeyboardTest, BareArrowsStepTheLoopOneBar) {
    press(Qt::Key_L);
    const int startBar = store->loopStartBar();
    press(Qt::Key_Right);
    EXPECT_EQ(fired, std::vector<QAction*>{menuItem("Move Loop Right 1 Bar")});
    EXPECT_EQ(store->loopStartBar(), startBar + 1);
    press(Qt::Key_Left);
    EXPECT_EQ(fired, std::vector<QAction*>{menuItem("Move Loop Left 1 Bar")});
    EXPECT_EQ(store->loopStartBar(), startBar);
}

TEST_F(KeyboardTest, RReversesAndAReanalyzes) {
    press(Qt::Key_R);
    EXPECT_EQ(fired, std::vector<QAction*>{menuItem("Reverse")});
    ASSERT_TRUE(waitUntil([&] { return store->isReversed() && !store->isReversing(); }));
    press(Qt::Key_A);
    EXPECT_EQ(fired, std::vector<QAction*>{window->menus()->analyzeAction()});
    EXPECT_TRUE(store->isAnalyzing());
    ASSERT_TRUE(waitUntil([&] { return !store->isAnalyzing(); }));
}

TEST_F(KeyboardTest, ControlKeysZoomAndPanTheView) {
    const double whole = store->viewLength();
    press(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(fired, std::vector<QAction*>{menuItem("Zoom In")});
    EXPECT_NEAR(store->viewLength(), whole * 0.625, 1e-9);
    EXPECT_DOUBLE_EQ(store->viewStart(), 0.0); // the playhead at 0 is the anchor
    press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(fired, std::vector<QAction*>{menuItem("Pan Right")});
    EXPECT_NEAR(store->viewStart(), whole * 0.625 * 0.25, 1e-9);
    press(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_NEAR(store->viewStart(), 0.0, 1e-9);
    press(Qt::Key_0, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(store->viewLength(), whole);
    press(Qt::Key_Equal, Qt::ControlModifier);
    press(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(fired, std::vector<QAction*>{menuItem("Zoom Out")});
    EXPECT_DOUBLE_EQ(store->viewLength(), whole);
}

TEST_F(KeyboardTest, ZoomInWithThePlayheadInViewAnchorsOnIt) {
    store->seek(6.0, true);
    const double t = store->currentTime();
    const double before = store->fractionOfTime(t);
    press(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_NEAR(store->fractionOfTime(t), before, 1e-9);
}

TEST_F(KeyboardTest, ZoomInWithThePlayheadOutsideTheViewAnchorsOnTheCentre) {
    store->seek(1.0, true);
    press(Qt::Key_Equal, Qt::ControlModifier);
    press(Qt::Key_Right, Qt::ControlModifier);
    press(Qt::Key_Right, Qt::ControlModifier);
    ASSERT_LT(store->fractionOfTime(store->currentTime()), 0.0);
    const double centre = store->timeAtFraction(0.5);
    press(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_NEAR(store->timeAtFraction(0.5), centre, 1e-9);
}

TEST_F(KeyboardTest, PETReachTheirToolbarButtons) {
    for (auto [key, action] : {std::pair{Qt::Key_P, toolbar()->slicePreviewAction()},
                               std::pair{Qt::Key_E, toolbar()->exportSliceAction()},
                               std::pair{Qt::Key_T, toolbar()->exportTransientsAction()}}) {
        // Exports ask for a folder first; cancelling leaves the file system alone.
        store->setFolderChooser([] { return std::nullopt; });
        press(key);
        EXPECT_EQ(fired, std::vector<QAction*>{action}) << key;
        waitUntil([&] { return !store->isExportingTransients(); });
        if (store->isPreviewing()) store->endPreview();
    }
}

TEST_F(KeyboardTest, ControlQuestionMarkOpensHelp) {
    press(Qt::Key_Question, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_NE(app->helpWindow(), nullptr);
    EXPECT_TRUE(app->helpWindow()->isVisible());
}

} // namespace
} // namespace barquill::test
