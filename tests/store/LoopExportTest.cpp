#include "ExportFixture.h"

namespace barquill::test {
namespace {

// The click track: bar k starts at 0.75 + 2k s (frame 33075 + 88200k) and is 88200 frames long.
class StoreLoopExport : public ExportTest {
protected:
    void SetUp() override {
        openAndSettle(writeClickTrack());
        ASSERT_EQ(store->effectiveBars().size(), 10u);
    }
    const std::string stem = "44100-2-clicks-20s";
};

TEST_F(StoreLoopExport, WritesTheRangeLWouldLoopWithReverseAndNudge) {
    struct Case {
        bool loopOn;
        int bars;
        int nudge;
        bool reversed;
        const char* suffix;
        int64_t start;
        int64_t frames;
    };
    const Case cases[] = {
        {false, 2, 0, false, "_bar03-04_loop.wav", 33075 + 2 * 88200, 2 * 88200},
        {true, 4, 0, false, "_bar03-06_loop.wav", 33075 + 2 * 88200, 4 * 88200},
        {false, 1, 0, true, "_bar03-03_loop_rev.wav", 33075 + 2 * 88200, 88200},
        // A quarter bar later the playhead at 5.2 s lies in the second bar, now from 3.25 s.
        {false, 1, 1, false, "_bar02-02_loop.wav", 143325, 88200},
        // The last bar is 1.25 s long, so a loop from there holds only it.
        {true, 8, 0, false, "_bar10-10_loop.wav", 33075 + 9 * 88200, 55125},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.suffix);
        store->setLoopEnabled(false);
        if (store->isReversed() != c.reversed) {
            store->toggleReverse();
            ASSERT_TRUE(waitFor([&] { return !store->isReversing(); }));
        }
        store->resetGridShift();
        store->shiftGrid(c.nudge);
        store->setLoopBars(c.bars);
        store->seek(c.start == 33075 + 9 * 88200 ? 19.0 : 5.2, true);
        store->setLoopEnabled(c.loopOn);
        store->exportLoop();
        ASSERT_FALSE(store->errorMessage()) << store->errorMessage()->toStdString();
        const auto file = out / (stem + c.suffix);
        for (uint32_t ch = 0; ch < 2; ++ch)
            EXPECT_EQ(samplesOf(file, ch), c.reversed ? sourceBackwards(c.start + c.frames - 1, c.frames, ch)
                                                      : source(c.start, c.frames, ch));
    }
    EXPECT_EQ(store->exportFlash(),
              QString::fromStdString("Exported loop (bar 10) → " + out.path().filename().string()));
}

TEST_F(StoreLoopExport, WithoutBarsTheWholeFileIsTheLoop) {
    openAndSettle(writeWav("44100-1-noise-1s.wav", {noise(44100, 1)}));
    ASSERT_TRUE(store->effectiveBars().empty());
    store->exportLoop();
    EXPECT_EQ(samplesOf(out / "44100-1-noise-1s_loop.wav"), source(0, 44100));
    EXPECT_EQ(store->exportFlash(),
              QString::fromStdString("Exported loop (whole file) → " + out.path().filename().string()));
}

} // namespace
} // namespace barquill::test
