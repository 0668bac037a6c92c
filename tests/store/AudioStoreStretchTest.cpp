#include "StoreFixture.h"

#include "stretch/LoopStretch.h"

namespace barquill::test {
namespace {

// Bar k of the click track starts at 0.75 + 2k s; 120 BPM.
class StoreStretch : public StoreTest {
protected:
    void SetUp() override {
        openAndSettle(writeClickTrack());
        store->seek(2.75, true);
        store->setLoopEnabled(true);
        ASSERT_EQ(store->loopFrames(), 88200);
    }
    // Renders until the scheduled pass is `frames` long, at most `limit` frames.
    bool renderUntilPass(int64_t frames, int64_t limit = 400000) {
        for (; limit > 0; limit -= 441) {
            if (store->passRange().playableFrames() == frames) return true;
            render(441);
        }
        return false;
    }
};

TEST_F(StoreStretch, ATargetStretchesTheLoopOnAWorkerAndSwitchesAtTheNextPass) {
    store->play();
    render(20000);
    const Frame before = store->currentFrame();
    store->setMatchTempo(150);
    // The call returned with the loop still playing as cut and the stretch under way.
    EXPECT_TRUE(store->isStretching());
    EXPECT_EQ(store->passRange(), store->loopPlayRange());
    EXPECT_EQ(store->currentFrame(), before);
    EXPECT_EQ(settings.matchTempoBPM(), 150);
    EXPECT_TRUE(store->analysisNote().startsWith(QStringLiteral("120.0 BPM → 150.0 · ")));
    ASSERT_TRUE(waitFor([&] { return !store->isStretching(); }));

    // Not before the pass ends: then the stretched pass, 70 560 frames (4 beats at 150 BPM).
    const int64_t untilSeam = 88200 - (store->currentFrame() - store->loopStartFrame());
    render(std::max<int64_t>(0, untilSeam - 2000));
    EXPECT_EQ(store->passRange(), store->loopPlayRange());
    ASSERT_TRUE(renderUntilPass(70560));
    const PCMBufferPtr pass = store->passRange().buffer;

    // The playhead still walks the loop in file positions, and the sound is the stretched pass.
    for (int step = 0; step < 6; ++step) {
        render(10000, 1000);
        const Frame f = store->currentFrame();
        EXPECT_GE(f, store->loopStartFrame());
        EXPECT_LT(f, store->loopStartFrame() + store->loopFrames());
    }
    const std::vector<float> heard = captured();
    const std::vector<float> tail = slice(heard, heard.size() - 1000, 1000);
    const auto* p = pass->channel(0);
    EXPECT_NE(std::search(p, p + pass->frameLength(), tail.begin(), tail.end()), p + pass->frameLength());

    // Off again: the loop as cut from the next pass.
    store->setMatchTempo(0);
    EXPECT_EQ(settings.matchTempoBPM(), 0);
    EXPECT_TRUE(renderUntilPass(88200));
}

TEST_F(StoreStretch, OutOfRangeTargetsAreClampedAndSaidSoAndHalfOrDoubleComeFromTheDetectedTempo) {
    const struct {
        double asked, used;
        bool said;
    } cases[] = {{400, 300, true}, {12, 40, true}, {139.5, 139.5, false}};
    for (const auto& c : cases) {
        store->setMatchTempo(c.asked);
        EXPECT_EQ(store->matchTempo(), c.used);
        EXPECT_EQ(store->exportFlash().value_or(QString()).contains(QStringLiteral("out of range")), c.said)
            << c.asked;
        store->setMatchTempo(0);
        store->flashExport(QString());
    }
    store->matchDetectedTempo(0.5);
    EXPECT_DOUBLE_EQ(store->matchTempo(), store->analysis()->bpm / 2);
    store->matchDetectedTempo(2);
    EXPECT_DOUBLE_EQ(store->matchTempo(), store->analysis()->bpm * 2);
}

} // namespace
} // namespace barquill::test
