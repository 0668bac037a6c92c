#include "waveform/WaveformView.h"

#include "platform/audio/OfflineAudioEngine.h"
#include "platform/defaults/UserDefaults.h"
#include "settings/AppSettings.h"
#include "settings/RecentFiles.h"
#include "store/AudioStore.h"
#include "waveform/LoadingBadge.h"
#include "waveform/WaveformEmptyState.h"
#include "waveform/WaveformInputView.h"

#include "UiTestSupport.h"

#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace barquill {
namespace {

using test::waitUntil;

// A 600 × 300 waveform area over a store on the offline engine, with its settings and recent list
// in a temporary folder.
class WaveformViewTest : public ::testing::Test {
protected:
    WaveformViewTest()
        : defaults(QString::fromStdString((dir / "defaults.json").string())), settings(defaults),
          recents(defaults), store(&settings, &recents, std::make_unique<OfflineAudioEngine>()),
          view(&store, &recents, &settings) {
        settings.setBarMarkerColor(QColor(0, 255, 0));
        view.resize(600, 300);
        view.show();
    }

    QString writeClicks(const std::string& name, double seconds = 12) {
        const auto path = dir / name;
        EXPECT_TRUE(test::writeFloatWav(path, test::clickTrack(seconds, 44100, 2), 44100));
        return QString::fromStdString(path.string());
    }
    void openAndSettle(const QString& path) {
        store.open(path);
        ASSERT_TRUE(waitUntil([&] { return !store.isLoading() && !store.isAnalyzing() && store.buffer(); }));
    }
    int columnOf(double seconds) const {
        return static_cast<int>((seconds - store.viewStart()) / store.viewLength() * view.width());
    }

    test::TempDir dir;
    UserDefaults defaults;
    AppSettings settings;
    RecentFiles recents;
    AudioStore store;
    WaveformView view;
};

TEST_F(WaveformViewTest, BeforeAFileTheEmptyStateListsSixRecentFilesThatOpenOnClickUnderTheBadge) {
    std::vector<QString> paths;
    for (int i = 0; i < 8; ++i)
        recents.add(paths.emplace_back(writeClicks("44100-2-clicks-" + std::to_string(i) + ".wav", 1)));
    EXPECT_TRUE(view.emptyState()->isVisible());
    EXPECT_FALSE(view.inputLayer()->isVisible());
    const QList<QPushButton*> entries = view.emptyState()->findChildren<QPushButton*>();
    ASSERT_EQ(entries.size(), 6);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("44100-2-clicks-7.wav"));

    bool badgeSeen = false;
    QObject::connect(&store, &AudioStore::isLoadingChanged, &view, [&] {
        if (store.isLoading()) badgeSeen = view.loadingBadge()->isVisible();
    });
    entries[1]->click();
    ASSERT_TRUE(waitUntil([&] { return !store.isLoading() && store.buffer(); }));
    EXPECT_TRUE(badgeSeen);
    EXPECT_FALSE(view.loadingBadge()->isVisible());
    EXPECT_EQ(store.fileURL(), paths[6]);
    EXPECT_FALSE(view.emptyState()->isVisible());
    EXPECT_TRUE(view.inputLayer()->isVisible());
}

// Bar lines take the colour from the settings. The static canvas is drawn again only when it changes:
// not for the playhead, and not during a resize, where it is stretched until the size settles.
TEST_F(WaveformViewTest, BarLinesAreInTheBarColourAndOnlyACanvasChangeOrASettledResizeRedraws) {
    openAndSettle(writeClicks("44100-2-clicks-12s.wav"));
    const QImage atZero = view.grab().toImage();
    const int bar = columnOf(store.effectiveBars().at(2).startTime);
    const QColor onLine = atZero.pixelColor(bar, 2), between = atZero.pixelColor(bar + 20, 2);
    EXPECT_GT(onLine.green() - onLine.red(), 60);
    EXPECT_LT(std::abs(between.green() - between.red()), 20);

    const int renders = view.staticRenderCount();
    store.seek(6.0, true);
    const QImage atSix = view.grab().toImage();
    const int x = columnOf(6.0);
    EXPECT_NE(atSix.pixelColor(x, 150), atZero.pixelColor(x, 150));     // the line
    EXPECT_NE(atSix.pixelColor(x / 2, 5), atZero.pixelColor(x / 2, 5)); // the played shade
    store.seek(0.0, true);
    EXPECT_EQ(view.grab().toImage(), atZero); // no playhead at time 0
    EXPECT_EQ(view.staticRenderCount(), renders);

    view.resize(700, 300);
    view.resize(720, 310);
    EXPECT_EQ(view.canvasSize(), QSize(600, 300));
    view.grab();
    EXPECT_EQ(view.staticRenderCount(), renders);
    ASSERT_TRUE(waitUntil([&] { return view.stableSize() == QSize(720, 310); }));
    view.grab();
    EXPECT_EQ(view.staticRenderCount(), renders + 1);
    store.setDisplayMode(WaveformDisplayMode::stereo);
    view.grab();
    EXPECT_EQ(view.staticRenderCount(), renders + 2);
}

TEST_F(WaveformViewTest, TheLoopShadingOnScreenFollowsEveryMoveAndResizeOfTheLoop) {
    openAndSettle(writeClicks("44100-2-clicks-24s.wav", 24));
    const std::vector<Bar> bars = store.effectiveBars();
    ASSERT_GE(bars.size(), 10u);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    store.seek(bars[1].startTime, true);
    // What the window shows, not a fresh render: a stale canvas survives only on screen.
    auto shadedBars = [&] {
        test::spinEventLoop(50);
        const QImage shown = view.screen()->grabWindow(view.winId()).toImage();
        std::vector<int> shaded;
        for (size_t i = 0; i < bars.size(); ++i) // between the bar's first two beats, near the top
            if (shown.pixelColor(columnOf(bars[i].startTime + 0.25), 4).lightness() < 210)
                shaded.push_back(static_cast<int>(i));
        return shaded;
    };
    const std::function<void()> steps[] = {
        [&] { store.setLoopEnabled(true); }, [&] { store.moveLoop(1); },  [&] { store.moveLoop(1); },
        [&] { store.setLoopBars(4); },       [&] { store.moveLoop(-1); }, [&] { store.setLoopBars(2); }};
    for (size_t step = 0; step < std::size(steps); ++step) {
        SCOPED_TRACE(step);
        steps[step]();
        const auto range = store.loopRange();
        ASSERT_TRUE(range);
        std::vector<int> outside;
        for (size_t i = 0; i < bars.size(); ++i)
            if (bars[i].startTime < range->first - 0.01 || bars[i].startTime >= range->second - 0.01)
                outside.push_back(static_cast<int>(i));
        EXPECT_EQ(shadedBars(), outside);
    }
}

} // namespace
} // namespace barquill
