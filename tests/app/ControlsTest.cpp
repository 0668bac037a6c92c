#include "AppFixture.h"

#include "app/AppMenus.h"
#include "app/HelpView.h"
#include "app/TempoField.h"
#include "app/ToolbarButtons.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <functional>

namespace barquill::test {
namespace {

// Every key reaches exactly one action exactly once, and that action changes the document.
TEST_F(AppTest, EveryKeyFiresItsOneActionWhichChangesTheDocument) {
    openAndSettle(writeClicks());
    QDir().mkpath(path("out"));
    app->settings().setExportFolder(path("out"));
    std::vector<QAction*> fired;
    for (QAction* action : window->findChildren<QAction*>())
        QObject::connect(action, &QAction::triggered, window, [&fired, action] { fired.push_back(action); });
    int openPanels = 0;
    // Counts the open dialogs asked for, and chooses nothing.
    window->setOpenFileChooser([&](QWidget*) { return ++openPanels, std::optional<QString>(); });
    const QSignalSpy analyses(store, &AudioStore::isAnalyzingChanged);
    const double w = store->viewLength();
    const auto near = [](double a, double b) { return std::abs(a - b) < 1e-9; };
    const auto wavs = [&](const char* pattern) { return QDir(path("out")).entryList({pattern}); };
    const auto m = [&](const char* title) { return menuItem(QString::fromUtf8(title)); };
    const std::tuple<QKeyCombination, QAction*, std::function<bool()>> keys[] = {
        {Qt::Key_Backspace, bar->goToStartAction(), [&] { return store->currentTime() == 0; }},
        {Qt::Key_Space, bar->playPauseAction(), [&] { return store->isPlaying(); }},
        {Qt::Key_Space, bar->playPauseAction(), [&] { return !store->isPlaying(); }},
        {Qt::Key_S, bar->stopAction(), [&] { return !store->isPlaying() && store->currentTime() == 0; }},
        // Zoom anchors on the playhead while it is in view, else on the centre.
        {Qt::CTRL | Qt::Key_Equal, m("Zoom In"), [&] { return near(store->viewLength(), w * 0.625); }},
        {Qt::CTRL | Qt::Key_Right, m("Pan Right"), [&] { return near(store->viewStart(), w * 0.625 / 4); }},
        {Qt::CTRL | Qt::Key_Equal, m("Zoom In"), [&] { return near(store->timeAtFraction(.5), .46875 * w); }},
        {Qt::CTRL | Qt::Key_Left, m("Pan Left"), [&] { return store->viewStart() < w * 0.2; }},
        {Qt::CTRL | Qt::Key_Minus, m("Zoom Out"), [&] { return near(store->viewLength(), w * 0.625); }},
        {Qt::CTRL | Qt::Key_0, m("Zoom to Fit"), [&] { return store->viewLength() == w; }},
        {Qt::Key_BracketLeft, m("Nudge Grid Left ¼ Bar"), [&] { return store->gridShiftQuarters() == -1; }},
        {Qt::Key_BracketRight, m("Nudge Grid Right ¼ Bar"), [&] { return store->gridShiftQuarters() == 0; }},
        {Qt::Key_L, bar->loopAction(), [&] { return store->loopEnabled() && store->loopStartBar() == 0; }},
        {Qt::Key_Right, m("Move Loop Right 1 Bar"), [&] { return store->loopStartBar() == 1; }},
        {Qt::Key_Left, m("Move Loop Left 1 Bar"), [&] { return store->loopStartBar() == 0; }},
        {Qt::SHIFT | Qt::Key_E, m("Export Loop"), [&] { return wavs("*_bar01-01_loop.wav").size(); }},
        {Qt::Key_L, bar->loopAction(), [&] { return !store->loopEnabled(); }},
        {Qt::Key_R, m("Reverse"), [&] { return store->isReversed() && !store->isReversing(); }},
        {Qt::Key_A, window->menus()->analyzeAction(), [&] { return !analyses.isEmpty(); }},
        {Qt::Key_P, bar->slicePreviewAction(), [&] { return store->isPreviewing(); }},
        {Qt::Key_P, bar->slicePreviewAction(), [&] { return !store->isPreviewing(); }},
        {Qt::Key_E, bar->exportSliceAction(), [&] { return wavs("*slice*").size(); }},
        {Qt::Key_T, bar->exportTransientsAction(), [&] { return !store->isExportingTransients(); }},
        {Qt::CTRL | Qt::Key_O, m("Open…"), [&] { return openPanels == 1; }},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Question, m("Barquill Help"), [&] { return app->helpWindow(); }},
    };
    store->seek(5.0, true);
    for (const auto& [key, action, done] : keys) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        fired.clear();
        QTest::keyClick(window, key.key(), key.keyboardModifiers());
        EXPECT_EQ(fired, std::vector<QAction*>{action});
        EXPECT_TRUE(waitUntil(done, 20000));
        ASSERT_TRUE(waitUntil([&] { return !store->isAnalyzing() && !store->isExportingTransients(); }));
    }
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();
}

// Which menu and toolbar items work, and what they say, follows the document and the focus.
TEST_F(AppTest, MenusAndToolbarFollowTheDocumentAndTheFocusedWindow) {
    AppMenus* menus = window->menus();
    EXPECT_EQ(menuTitles(menus->viewMenu(), true) + menuTitles(menus->barMenu(), true), "");
    EXPECT_TRUE(menuItem("Open…")->isEnabled());
    // Open Recent lists file names newest first, opens them, and clears.
    const QString a = writeClicks("a-44100-2.wav", 1);
    app->recents().add(a);
    app->recents().add(writeClicks("b-44100-2.wav", 1));
    QMenu* recent = window->menus()->recentMenu();
    emit recent->aboutToShow();
    EXPECT_EQ(menuTitles(recent), "b-44100-2.wav|a-44100-2.wav|—|Clear Menu");
    recent->actions().at(1)->trigger();
    ASSERT_TRUE(waitUntil([&] { return store->buffer() && !store->isLoading(); }));
    EXPECT_EQ(store->fileURL(), a);
    recent->actions().last()->trigger();
    QApplication::processEvents();
    emit recent->aboutToShow();
    EXPECT_EQ(menuTitles(recent), "—|Clear Menu");

    openAndSettle(writeClicks("44100-2-silence-6s.wav", 6, true));
    EXPECT_EQ(menuTitles(menus->barMenu(), true),
              "Analyze|Reverse|Export Loop|Export Slice Kit…|Match Tempo");
    EXPECT_EQ(menuTitles(menus->viewMenu(), true), "Zoom In|Zoom Out|Zoom to Fit|Pan Left|Pan Right");

    // While the next file decodes, nothing acts on the one shown.
    std::vector<bool> enabledWhileLoading;
    QObject::connect(store, &AudioStore::isLoadingChanged, window, [&] {
        if (store->isLoading())
            for (QAction* action :
                 {bar->playPauseAction(), bar->loopAction(), bar->reverseAction(), bar->slicePreviewAction(),
                  bar->exportSliceAction(), bar->exportTransientsAction(), menuItem("Reverse"),
                  menuItem("Move Loop Right 1 Bar")})
                enabledWhileLoading.push_back(action->isEnabled());
    });
    QString duringAnalysis;
    QObject::connect(store, &AudioStore::isAnalyzingChanged, window, [&] {
        QAction* analyze = menus->analyzeAction();
        if (store->isAnalyzing()) duringAnalysis = analyze->text() + (analyze->isEnabled() ? " enabled" : "");
    });
    openAndSettle(writeClicks());
    EXPECT_EQ(enabledWhileLoading, std::vector<bool>(8, false));
    EXPECT_EQ(duringAnalysis, QStringLiteral("Analyzing…"));
    EXPECT_EQ(
        menuTitles(menus->barMenu(), true),
        "Re-analyze|Nudge Grid Left ¼ Bar|Nudge Grid Right ¼ Bar|Move Loop Left 1 Bar|Move Loop Right 1 Bar|"
        "Reverse|Export Loop|Export Slice Kit…|Match Tempo|Match Half the Detected Tempo|"
        "Match Double the Detected Tempo");
    menuItem("Nudge Grid Right ¼ Bar")->trigger();
    EXPECT_TRUE(menuItem("Reset Grid Nudge")->isEnabled());
    menuItem("Reset Grid Nudge")->trigger();
    EXPECT_FALSE(menuItem("Reset Grid Nudge")->isEnabled());
    menuItem("Reverse")->trigger();
    ASSERT_TRUE(waitUntil([&] { return store->isReversed() && !store->isReversing(); }));
    EXPECT_TRUE(menuItem("Reverse")->isChecked());

    // The toolbar's own controls: grid chip, pickers and volume.
    CapsuleToolbarButton* chip = bar->buttonFor(bar->nudgeResetAction());
    EXPECT_FALSE(chip->isVisible());
    bar->buttonFor(bar->nudgeRightAction())->click();
    EXPECT_EQ(chip->isVisible() ? chip->text() : QString(), QStringLiteral("+1×¼"));
    bar->buttonFor(bar->nudgeLeftAction())->click();
    bar->buttonFor(bar->nudgeLeftAction())->click();
    EXPECT_EQ(chip->text(), QStringLiteral("-1×¼"));
    chip->click();
    EXPECT_EQ(store->gridShiftQuarters(), 0);
    EXPECT_FALSE(chip->isVisible());
    bar->volumeSlider()->setValue(250);
    EXPECT_FLOAT_EQ(store->engine().outputLevel(), 0.25f);
    bar->slicesPicker()->segments().at(3)->click();
    bar->loopBarsPicker()->segments().at(2)->click();
    bar->displayModePicker()->segments().at(1)->click();
    EXPECT_EQ(std::pair(store->slicesPerBar(), store->loopBars()), std::pair(16, 4));
    EXPECT_EQ(store->displayMode(), WaveformDisplayMode::stereo);

    // Help and About show the one help window; while it has the focus no document item works.
    menuItem("Barquill Help")->trigger();
    HelpWindow* help = app->helpWindow();
    menuItem("About Barquill")->trigger();
    EXPECT_EQ(app->helpWindow(), help);
    QStringList texts;
    for (QLabel* label : help->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(
        texts.contains(QStringLiteral("Version ") + HelpView::shortVersion() +
                       QStringLiteral(" · indie / sideload build · local DSP, no account, no network")));
    for (const char* text :
         {"Transport", "Bars, Loop & Grid", "Slices & Export", "View & Zoom", "Workflow", "Waveform mouse",
          "Ctrl+=  Ctrl+−", "Right-drag pans grab-style; double-click fits."})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(text))) << text;
    QApplication::setActiveWindow(help);
    ASSERT_TRUE(QTest::qWaitForWindowActive(help));
    EXPECT_EQ(menuTitles(menus->viewMenu(), true) + menuTitles(menus->barMenu(), true), "");
    EXPECT_FALSE(menuItem("Open…")->isEnabled());
}

TEST_F(AppTest, MatchTempoIsTypedSteppedHalvedAndClampedFromToolbarAndBarMenu) {
    openAndSettle(writeClicks());
    TempoField* field = bar->matchTempoField();
    const auto type = [&](const char* text) {
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    };
    type("140");
    EXPECT_TRUE(store->analysisNote().startsWith(QStringLiteral("120.0 BPM → 140.0 · ")));
    QTest::keyClick(field, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(store->matchTempo(), 140.1);
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_DOUBLE_EQ(store->matchTempo(), 139.1);
    type("400");
    EXPECT_EQ(field->value(), 300);
    EXPECT_TRUE(store->exportFlash().value_or(QString()).contains(QStringLiteral("out of range")));

    bar->buttonFor(bar->halfTempoAction())->click();
    EXPECT_DOUBLE_EQ(store->matchTempo(), store->analysis()->bpm / 2);
    window->menus()->refresh(); // as opening the menu does
    menuItem("Match Double the Detected Tempo")->trigger();
    EXPECT_DOUBLE_EQ(store->matchTempo(), store->analysis()->bpm * 2);
    menuItem("Match Tempo Off")->trigger();
    EXPECT_EQ(field->text(), QStringLiteral("Off"));
}

} // namespace
} // namespace barquill::test
