#include "AppFixture.h"

#include "waveform/LoopDrag.h"
#include "waveform/WaveformInputView.h"
#include "waveform/WaveformView.h"

#include <QMimeData>
#include <QStandardPaths>
#include <QTest>

#include <memory>
#include <sndfile.h>

namespace barquill::test {
namespace {

using LoopDragTest = AppTest;

TEST_F(LoopDragTest, TheDragCarriesAUriListOfTheLoopWrittenToTheCache) {
    openAndSettle(writeClicks());
    store->seek(store->effectiveBars().at(1).startTime + 0.1, true);
    store->setLoopEnabled(true);
    const std::unique_ptr<QMimeData> data(loopDragMimeData(*store));
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->formats().contains(QStringLiteral("text/uri-list")));
    ASSERT_EQ(data->urls().size(), 1);
    const QString path = data->urls().front().toLocalFile();
    EXPECT_EQ(path, QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                        QStringLiteral("/drag/44100-2-clicks-24s_bar02-02_loop.wav"));
    // One 2 s bar at the default export rate of 44.1 kHz.
    SF_INFO info{};
    SNDFILE* file = sf_open(path.toLocal8Bit().constData(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    sf_close(file);
    EXPECT_EQ(info.frames, 88200);
    EXPECT_EQ(info.channels, 2);
}

TEST_F(LoopDragTest, ACtrlPressInsideTheLoopStartsADragInsteadOfASeek) {
    window->resize(1200, 600);
    openAndSettle(writeClicks());
    store->seek(store->effectiveBars().at(1).startTime + 0.1, true);
    store->setLoopEnabled(true);
    auto* input = window->waveform()->findChild<WaveformInputView*>();
    ASSERT_NE(input, nullptr);
    auto xOf = [&](double seconds) {
        return static_cast<int>(store->fractionOfTime(seconds) * input->width());
    };
    const double before = store->currentTime();
    const double inside = store->loopRange()->first + 1.0;
    QTest::mousePress(input, Qt::LeftButton, Qt::ControlModifier, QPoint(xOf(inside), 20));
    QTest::mouseRelease(input, Qt::LeftButton, Qt::ControlModifier, QPoint(xOf(inside), 20));
    EXPECT_EQ(store->currentTime(), before);
    // Without Ctrl the same press seeks as always.
    QTest::mouseClick(input, Qt::LeftButton, Qt::NoModifier, QPoint(xOf(inside), 20));
    EXPECT_NE(store->currentTime(), before);
}

} // namespace
} // namespace barquill::test
