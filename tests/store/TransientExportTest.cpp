#include "ExportFixture.h"
#include "TransientSignals.h"

#include <QSignalSpy>

namespace barquill::test {
namespace {

// The breakdown scene: an eight-second near-silent stretch holding 5 kicks and 8 hats and claps,
// between loud stretches holding 44 hits.
class StoreTransientExport : public ExportTest {
protected:
    void SetUp() override {
        settings.setSliceFadeMs(1);
        openAndSettle(writeWav("44100-1-breakdown-32s.wav", {BreakdownScene::make().samples}));
        ASSERT_TRUE(store->buffer());
    }

    void exportAndWait() {
        store->exportTransients();
        ASSERT_TRUE(waitFor([&] { return !store->isExportingTransients(); }));
    }

    static std::vector<std::string> oneShotNames() {
        std::vector<std::string> names;
        for (int j = 1; j <= 8; ++j)
            names.push_back("44100-1-breakdown-32s_transient0" + std::to_string(j) + "of08.wav");
        return names;
    }
    // The one-shots and the kit that maps them.
    static std::vector<std::string> allNames() {
        std::vector<std::string> names = oneShotNames();
        names.push_back("44100-1-breakdown-32s_transients.sf2");
        names.push_back("44100-1-breakdown-32s_transients.sfz");
        return names;
    }
};

TEST_F(StoreTransientExport, OnlyTheNonKickHitsOfTheQuietBreakdownAreWritten) {
    exportAndWait();
    EXPECT_FALSE(store->errorMessage());
    EXPECT_EQ(store->exportFlash(),
              QString::fromStdString("Exported 8 transients (5 kicks + 44 loud hits skipped) → " +
                                     out.path().filename().string()));
    ASSERT_EQ(fileNames(out.path()), allNames());
    for (const auto& name : oneShotNames()) {
        // Hits last from 60 ms to 400 ms and end in a fade-out to silence.
        const std::vector<float> samples = samplesOf(out / name);
        EXPECT_GE(samples.size(), 2646u) << name;
        EXPECT_LE(samples.size(), 17640u) << name;
        EXPECT_EQ(samples.empty() ? 1.0f : samples.back(), 0.0f) << name;
    }
}

TEST_F(StoreTransientExport, ASecondPressWhileRunningDoesNothing) {
    QSignalSpy running(store.get(), &AudioStore::isExportingTransientsChanged);
    store->exportTransients();
    ASSERT_TRUE(store->isExportingTransients());
    // With no folder stored, a second run would have to ask for one.
    settings.setExportFolderBookmark(std::nullopt);
    store->exportTransients();
    EXPECT_EQ(chooserCalls, 1);
    ASSERT_TRUE(waitFor([&] { return !store->isExportingTransients(); }));
    EXPECT_EQ(running.count(), 2);
    EXPECT_EQ(fileNames(out.path()), allNames());
}

TEST_F(StoreTransientExport, AReversedDocumentStillExportsForwardWithoutRev) {
    exportAndWait();
    std::vector<std::vector<float>> forward;
    for (const auto& name : oneShotNames())
        forward.push_back(samplesOf(out / name));

    TempDir reversedOut;
    settings.setExportFolder(QString::fromStdString(reversedOut.path().string()));
    store->toggleReverse();
    ASSERT_TRUE(waitFor([&] { return !store->isReversing(); }));
    ASSERT_TRUE(store->isReversed());
    exportAndWait();
    ASSERT_EQ(fileNames(reversedOut.path()), allNames());
    for (size_t j = 0; j < forward.size(); ++j)
        EXPECT_EQ(samplesOf(reversedOut / oneShotNames()[j]), forward[j]) << j;
}

using StoreTransientExportWithoutQuiet = ExportTest;

TEST_F(StoreTransientExportWithoutQuiet, ReportsThatNothingWasExported) {
    // Long noise bursts every two seconds: no quiet run of two seconds anywhere.
    SignalBuilder b(44100, 20);
    for (double t = 0.5; t < 20; t += 2)
        b.noiseBurst(t, 0.4, 1e9, 1.5);
    openAndSettle(writeWav("44100-1-bursts-20s.wav", {b.take()}));
    store->exportTransients();
    ASSERT_TRUE(waitFor([&] { return !store->isExportingTransients(); }));
    EXPECT_EQ(store->exportFlash(), QStringLiteral("No quiet sections found — nothing exported"));
    EXPECT_FALSE(store->errorMessage());
    EXPECT_TRUE(fileNames(out.path()).empty());
}

TEST_F(StoreTransientExportWithoutQuiet, AFileTooShortForDetectionReportsTheDetectorsReason) {
    openAndSettle(writeWav("44100-1-noise-half-second.wav", {noise(22050, 3)}));
    store->exportTransients();
    ASSERT_TRUE(waitFor([&] { return !store->isExportingTransients(); }));
    EXPECT_EQ(
        store->errorMessage(),
        QStringLiteral("Transient detection failed: Audio too short for transient detection (need ≥ 1 s)."));
    EXPECT_FALSE(store->exportFlash());
}

} // namespace
} // namespace barquill::test
