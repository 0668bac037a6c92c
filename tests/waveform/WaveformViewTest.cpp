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

#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace barquill {
namespace {

// A 400-point-wide input layer whose callbacks write one line each into a log.
class WaveformInput : public ::testing::Test {
protected:
    void SetUp() override {
        view = std::make_unique<WaveformInputView>();
        view->resize(400, 100);
        view->show();
        view->onSeek = [this](double f, bool fine) {
            log.push_back("seek " + num(f) + (fine ? " fine" : ""));
        };
        view->onZoom = [this](double dy, double f) { log.push_back("zoom " + num(dy) + " at " + num(f)); };
        view->onPan = [this](double dx) { log.push_back("pan " + num(dx)); };
        view->onRightPanBegan = [this](double f) { log.push_back("began " + num(f)); };
        view->onRightPanMoved = [this](double f) { log.push_back("moved " + num(f)); };
        view->onRightPanEnded = [this] { log.push_back("ended"); };
        view->onDoubleClick = [this] { log.push_back("double"); };
    }

    static std::string num(double v) { return QString::number(v, 'g', 6).toStdString(); }

    void wheel(double x, QPoint pixelDelta, QPoint angleDelta = {}) {
        QWheelEvent event(QPointF(x, 50), QPointF(x, 50), pixelDelta, angleDelta, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view.get(), &event);
    }
    void mouse(QEvent::Type type, double x, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = {}) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, QPointF(x, 50), view->mapToGlobal(QPointF(x, 50)),
                          type == QEvent::MouseMove ? Qt::NoButton : button, held, modifiers);
        QCoreApplication::sendEvent(view.get(), &event);
    }

    std::unique_ptr<WaveformInputView> view;
    std::vector<std::string> log;
};

// Scrolls of one frame are summed into one zoom (at the latest fraction) or pan, delivered by the
// frame timer, a flush or the next press; a notch counts ten points either way.
TEST_F(WaveformInput, ScrollsOfOneFrameBecomeOneZoomOrPan) {
    wheel(100, QPoint(0, 3));
    wheel(200, QPoint(0, 4));
    wheel(300, QPoint(0, 5));
    EXPECT_TRUE(log.empty());
    ASSERT_TRUE(test::waitUntil([this] { return !view->hasFlushTimer(); }, 10000));
    wheel(200, {}, QPoint(0, -240));
    view->flush();
    wheel(100, QPoint(6, 6)); // diagonal: a zoom
    view->flush();
    wheel(100, QPoint(40, 2));
    wheel(100, QPoint(-80, 0)); // sideways: a pan by −dx / width
    view->flush();
    wheel(100, {}, QPoint(-120, 0)); // a tilt-wheel notch
    wheel(100, QPoint(0, 2));
    mouse(QEvent::MouseButtonPress, 200, Qt::LeftButton);
    EXPECT_EQ(log, (std::vector<std::string>{"zoom 12 at 0.75", "zoom -20 at 0.5", "zoom 6 at 0.25",
                                             "pan 0.1", "zoom 2 at 0.25", "pan 0.025", "seek 0.5"}));
    // An unset callback's value is dropped, not delivered later.
    view->onZoom = nullptr;
    wheel(100, QPoint(0, 2));
    view->flush();
    view->onZoom = [this](double dy, double) { log.push_back("zoom " + num(dy)); };
    wheel(100, QPoint(0, 3));
    view->flush();
    EXPECT_EQ(log.back(), "zoom 3");
}

// Clicks seek at once (clamped to the edges, fine with Alt); drags seek once per frame at the latest
// position and on release; right drags report began, the latest move and ended.
TEST_F(WaveformInput, ClicksSeekAtOnceDragsOncePerFrameAndDoubleClicksOnlyAsSuch) {
    for (double x : {100.0, -30.0, 450.0}) {
        mouse(QEvent::MouseButtonPress, x, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, x, Qt::LeftButton);
    }
    mouse(QEvent::MouseButtonPress, 300, Qt::LeftButton, Qt::AltModifier);
    mouse(QEvent::MouseButtonRelease, 300, Qt::LeftButton, Qt::AltModifier);
    mouse(QEvent::MouseButtonDblClick, 300, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, 300, Qt::LeftButton);
    mouse(QEvent::MouseButtonPress, 40, Qt::LeftButton);
    mouse(QEvent::MouseMove, 80, Qt::LeftButton);
    mouse(QEvent::MouseMove, 120, Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([this] { return !view->hasFlushTimer(); }, 10000));
    mouse(QEvent::MouseMove, 200, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, 200, Qt::LeftButton);
    EXPECT_FALSE(view->hasFlushTimer());
    mouse(QEvent::MouseButtonPress, 200, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, 200, Qt::RightButton); // no move without movement
    mouse(QEvent::MouseButtonPress, 200, Qt::RightButton);
    mouse(QEvent::MouseMove, 240, Qt::RightButton);
    mouse(QEvent::MouseMove, 260, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, 260, Qt::RightButton);
    EXPECT_EQ(log, (std::vector<std::string>{"seek 0.25", "seek 0", "seek 1", "seek 0.75 fine", "double",
                                             "seek 0.1", "seek 0.3", "seek 0.5", "began 0.5", "ended",
                                             "began 0.5", "moved 0.65", "ended"}));
}

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
    EXPECT_EQ(std::pair(view.emptyState()->isVisible(), view.inputLayer()->isVisible()),
              std::pair(true, false));
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
    EXPECT_EQ(std::pair(view.emptyState()->isVisible(), view.inputLayer()->isVisible()),
              std::pair(false, true));
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
    store.setLoopEnabled(true);
    for (const auto& [move, length] : {std::pair(0, 1), {1, 1}, {1, 1}, {0, 4}, {-1, 4}, {0, 2}}) {
        SCOPED_TRACE(testing::Message() << move << " " << length);
        store.moveLoop(move);
        store.setLoopBars(length);
        const auto range = store.loopRange();
        ASSERT_TRUE(range);
        std::vector<int> outside;
        for (size_t i = 0; i < bars.size(); ++i)
            if (bars[i].startTime < range->first - 0.01 || bars[i].startTime >= range->second - 0.01)
                outside.push_back(static_cast<int>(i));
        EXPECT_EQ(shadedBars(), outside);
    }
}

TEST_F(WaveformViewTest, ClickWheelAndDoubleClickDriveTheDocumentsPlayheadAndWindow) {
    openAndSettle(writeClicks("44100-2-clicks-12s.wav"));
    const double whole = store.viewLength();
    QTest::mouseClick(view.inputLayer(), Qt::LeftButton, Qt::AltModifier, QPoint(300, 100));
    EXPECT_DOUBLE_EQ(store.currentTime(), store.duration() / 2);
    QWheelEvent notch(QPointF(300, 100), QPointF(300, 100), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view.inputLayer(), &notch);
    view.inputLayer()->flush();
    EXPECT_NEAR(store.viewLength(), whole / 1.2, 1e-9);
    QTest::mouseDClick(view.inputLayer(), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(view.inputLayer(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_DOUBLE_EQ(store.viewLength(), whole);
}

} // namespace
} // namespace barquill
