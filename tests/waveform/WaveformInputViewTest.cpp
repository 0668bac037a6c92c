#include "waveform/WaveformInputView.h"

#include "UiTestSupport.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace barquill {
namespace {

using test::waitUntil;

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

    void wheel(double x, QPoint pixelDelta, QPoint angleDelta, Qt::KeyboardModifiers modifiers = {}) {
        QWheelEvent event(QPointF(x, 50), QPointF(x, 50), pixelDelta, angleDelta, Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view.get(), &event);
    }
    void mouse(QEvent::Type type, double x, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers modifiers = {}) {
        QMouseEvent event(type, QPointF(x, 50), view->mapToGlobal(QPointF(x, 50)), button, held, modifiers);
        QCoreApplication::sendEvent(view.get(), &event);
    }
    void waitForFlush() {
        ASSERT_TRUE(waitUntil([this] { return !view->hasFlushTimer(); }, 10000));
    }

    std::unique_ptr<WaveformInputView> view;
    std::vector<std::string> log;
};

TEST_F(WaveformInput, SeveralWheelEventsInOneFrameGiveOneZoomWithSummedDyAndLatestFraction) {
    wheel(100, QPoint(0, 3), QPoint());
    wheel(200, QPoint(0, 4), QPoint());
    wheel(300, QPoint(0, 5), QPoint());
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(view->hasFlushTimer());
    waitForFlush();
    EXPECT_EQ(log, (std::vector<std::string>{"zoom 12 at 0.75"}));
}

TEST_F(WaveformInput, NotchesCountTenPointsEitherWayDiagonalsZoomAndSidewaysSwipesPanByMinusDxOverWidth) {
    wheel(200, QPoint(), QPoint(0, 120));
    view->flush();
    wheel(200, QPoint(), QPoint(0, -240));
    view->flush();
    wheel(100, QPoint(6, 6), QPoint());
    view->flush();
    wheel(100, QPoint(40, 2), QPoint());
    wheel(100, QPoint(-80, 0), QPoint());
    view->flush();
    wheel(100, QPoint(), QPoint(-120, 0)); // a tilt-wheel notch: ten points, like a vertical one
    view->flush();
    EXPECT_EQ(log, (std::vector<std::string>{"zoom 10 at 0.5", "zoom -20 at 0.5", "zoom 6 at 0.25", "pan 0.1",
                                             "pan 0.025"}));
}

TEST_F(WaveformInput, TheFlushTimerStopsOnceNothingIsPending) {
    EXPECT_FALSE(view->hasFlushTimer());
    wheel(100, QPoint(0, 1), QPoint());
    EXPECT_TRUE(view->hasFlushTimer());
    view->flush();
    EXPECT_FALSE(view->hasFlushTimer());
}

TEST_F(WaveformInput, ClickSeeksAtOnceClampedToTheEdgesAndAltMakesItFine) {
    for (double x : {100.0, -30.0, 450.0}) {
        mouse(QEvent::MouseButtonPress, x, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, x, Qt::LeftButton, Qt::NoButton);
    }
    mouse(QEvent::MouseButtonPress, 300, Qt::LeftButton, Qt::LeftButton, Qt::AltModifier);
    EXPECT_EQ(log, (std::vector<std::string>{"seek 0.25", "seek 0", "seek 1", "seek 0.75 fine"}));
}

TEST_F(WaveformInput, DraggingSeeksOncePerFrameAtTheLatestPosition) {
    mouse(QEvent::MouseButtonPress, 40, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, 80, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, 120, Qt::NoButton, Qt::LeftButton);
    waitForFlush();
    EXPECT_EQ(log, (std::vector<std::string>{"seek 0.1", "seek 0.3"}));
}

TEST_F(WaveformInput, ReleasingDeliversThePendingSeek) {
    mouse(QEvent::MouseButtonPress, 40, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, 200, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, 200, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(log, (std::vector<std::string>{"seek 0.1", "seek 0.5"}));
    EXPECT_FALSE(view->hasFlushTimer());
}

TEST_F(WaveformInput, RightDragDeliversBeganTheLatestMoveAndEndedButNoMoveWithoutMovement) {
    mouse(QEvent::MouseButtonPress, 200, Qt::RightButton, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, 200, Qt::RightButton, Qt::NoButton);
    mouse(QEvent::MouseButtonPress, 200, Qt::RightButton, Qt::RightButton);
    mouse(QEvent::MouseMove, 240, Qt::NoButton, Qt::RightButton);
    mouse(QEvent::MouseMove, 260, Qt::NoButton, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, 260, Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(log, (std::vector<std::string>{"began 0.5", "ended", "began 0.5", "moved 0.65", "ended"}));
}

TEST_F(WaveformInput, DoubleClickDeliversOnlyTheDoubleClickForItsSecondPress) {
    mouse(QEvent::MouseButtonPress, 100, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, 100, Qt::LeftButton, Qt::NoButton);
    mouse(QEvent::MouseButtonDblClick, 100, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, 100, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(log, (std::vector<std::string>{"seek 0.25", "double"}));
}

TEST_F(WaveformInput, APressFlushesPendingScrollsFirst) {
    wheel(100, QPoint(0, 2), QPoint());
    mouse(QEvent::MouseButtonPress, 200, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(log, (std::vector<std::string>{"zoom 2 at 0.25", "seek 0.5"}));
}

TEST_F(WaveformInput, UnsetCallbacksAreSkippedAndTheirValuesCleared) {
    view->onZoom = nullptr;
    wheel(100, QPoint(0, 2), QPoint());
    view->flush();
    view->onZoom = [this](double dy, double) { log.push_back("zoom " + num(dy)); };
    wheel(100, QPoint(0, 3), QPoint());
    view->flush();
    EXPECT_EQ(log, (std::vector<std::string>{"zoom 3"}));
}

} // namespace
} // namespace barquill
