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

} // namespace
} // namespace barquill
