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

TEST_F(KeyboardTest, EveryKeyReachesItsOneOperationOnce) {
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const std::tuple<int, Qt::KeyboardModifiers, QAction*> cases[] = {
        {Qt::Key_Space, {}, toolbar()->playPauseAction()},
        {Qt::Key_S, {}, toolbar()->stopAction()},
        {Qt::Key_Backspace, {}, toolbar()->goToStartAction()},
        {Qt::Key_L, {}, toolbar()->loopAction()},
        {Qt::Key_BracketLeft, {}, menuItem("Nudge Grid Left ¼ Bar")},
        {Qt::Key_BracketRight, {}, menuItem("Nudge Grid Right ¼ Bar")},
        {Qt::Key_Right, {}, menuItem("Move Loop Right 1 Bar")},
        {Qt::Key_Left, {}, menuItem("Move Loop Left 1 Bar")},
        {Qt::Key_Equal, ctrl, menuItem("Zoom In")},
        {Qt::Key_Right, ctrl, menuItem("Pan Right")},
        {Qt::Key_Left, ctrl, menuItem("Pan Left")},
        {Qt::Key_Minus, ctrl, menuItem("Zoom Out")},
        {Qt::Key_R, {}, menuItem("Reverse")},
        {Qt::Key_A, {}, window->menus()->analyzeAction()}};
    for (const auto& [key, modifiers, action] : cases) {
        SCOPED_TRACE(action->text().toStdString());
        press(key, modifiers);
        EXPECT_EQ(fired, std::vector<QAction*>{action});
        ASSERT_TRUE(waitUntil([&] { return !store->isReversing() && !store->isAnalyzing(); }));
    }
}

TEST_F(KeyboardTest, TransportLoopAndGridKeysChangeTheDocument) {
    store->seek(5.0, true);
    press(Qt::Key_Backspace);
    EXPECT_EQ(store->currentTime(), 0.0);
    press(Qt::Key_Space);
    EXPECT_TRUE(store->isPlaying());
    press(Qt::Key_Space);
    EXPECT_FALSE(store->isPlaying());
    press(Qt::Key_Space);
    press(Qt::Key_S);
    EXPECT_FALSE(store->isPlaying());
    EXPECT_EQ(store->currentTime(), 0.0);
    press(Qt::Key_BracketLeft);
    EXPECT_EQ(store->gridShiftQuarters(), -1);
    press(Qt::Key_BracketRight);
    press(Qt::Key_BracketRight);
    EXPECT_EQ(store->gridShiftQuarters(), 1);
    press(Qt::Key_L);
    ASSERT_TRUE(store->loopEnabled());
    const int startBar = store->loopStartBar();
    press(Qt::Key_Right);
    EXPECT_EQ(store->loopStartBar(), startBar + 1);
    press(Qt::Key_Left);
    EXPECT_EQ(store->loopStartBar(), startBar);
    press(Qt::Key_L);
    EXPECT_FALSE(store->loopEnabled());
}

TEST_F(KeyboardTest, ControlKeysZoomAndPanTheView) {
    const double whole = store->viewLength();
    press(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_NEAR(store->viewLength(), whole * 0.625, 1e-9);
    EXPECT_DOUBLE_EQ(store->viewStart(), 0.0); // the playhead at 0 is the anchor
    press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_NEAR(store->viewStart(), whole * 0.625 * 0.25, 1e-9);
    press(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_NEAR(store->viewStart(), 0.0, 1e-9);
    press(Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(fired, std::vector<QAction*>{menuItem("Zoom to Fit")});
    EXPECT_DOUBLE_EQ(store->viewLength(), whole);
}

TEST_F(KeyboardTest, ZoomInAnchorsOnThePlayheadWhenInViewAndOnTheCentreOtherwise) {
    store->seek(6.0, true);
    const double t = store->currentTime(), before = store->fractionOfTime(t);
    press(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_NEAR(store->fractionOfTime(t), before, 1e-9);
    press(Qt::Key_0, Qt::ControlModifier);
    store->seek(1.0, true);
    press(Qt::Key_Equal, Qt::ControlModifier);
    press(Qt::Key_Right, Qt::ControlModifier);
    press(Qt::Key_Right, Qt::ControlModifier);
    ASSERT_LT(store->fractionOfTime(store->currentTime()), 0.0);
    const double centre = store->timeAtFraction(0.5);
    press(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_NEAR(store->timeAtFraction(0.5), centre, 1e-9);
}

TEST_F(KeyboardTest, PETAndShiftEReachTheirActions) {
    for (auto [key, modifiers, action] :
         {std::tuple{Qt::Key_P, Qt::KeyboardModifiers{}, toolbar()->slicePreviewAction()},
          std::tuple{Qt::Key_E, Qt::KeyboardModifiers{}, toolbar()->exportSliceAction()},
          std::tuple{Qt::Key_T, Qt::KeyboardModifiers{}, toolbar()->exportTransientsAction()},
          std::tuple{Qt::Key_E, Qt::KeyboardModifiers{Qt::ShiftModifier}, menuItem("Export Loop")}}) {
        // Exports ask for a folder first; cancelling leaves the file system alone.
        store->setFolderChooser([] { return std::nullopt; });
        press(key, modifiers);
        EXPECT_EQ(fired, std::vector<QAction*>{action}) << key;
        waitUntil([&] { return !store->isExportingTransients(); });
        if (store->isPreviewing()) store->endPreview();
    }
    // Shift+E writes the loop L would play into the chosen folder.
    TempDir out;
    store->setFolderChooser(
        [&] { return std::optional<QString>(QString::fromStdString(out.path().string())); });
    press(Qt::Key_E, Qt::ShiftModifier);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out.path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"44100-2-clicks-24s_bar01-01_loop.wav"});
}

TEST_F(KeyboardTest, ControlQuestionMarkOpensHelp) {
    press(Qt::Key_Question, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_NE(app->helpWindow(), nullptr);
    EXPECT_TRUE(app->helpWindow()->isVisible());
}

} // namespace
} // namespace barquill::test
