#include "analysis/BeatBarAnalysis.h"
#include "analysis/BeatBarAnalysisError.h"
#include "analysis/LocalDSPBeatAnalyzer.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace barquill {
namespace {

BeatBarAnalysis sampleAnalysis() {
    BeatBarAnalysis a;
    a.bpm = 120;
    a.beats = {0.25, 0.75, 1.25, 1.75, 2.25};
    a.downbeats = {0.75};
    a.bars = {Bar{0, 0, 0.75, 2.0, 1.0f}};
    a.beatsPerBar = 4;
    a.engineName = "Local DSP";
    return a;
}

TEST(BeatBarAnalysisError, DescriptionsAreTheUserFacingTextsAndEqualityComparesKindAndMessage) {
    EXPECT_EQ(BeatBarAnalysisError::noAudio().description(), "No audio loaded.");
    EXPECT_EQ(BeatBarAnalysisError::unsupported().description(), "Analyzer not available on this OS.");
    EXPECT_EQ(BeatBarAnalysisError::failed("Could not lock a beat grid.").description(),
              "Could not lock a beat grid.");
    EXPECT_EQ(BeatBarAnalysisError::failed("a"), BeatBarAnalysisError::failed("a"));
    EXPECT_NE(BeatBarAnalysisError::failed("a"), BeatBarAnalysisError::failed("b"));
    EXPECT_NE(BeatBarAnalysisError::noAudio(), BeatBarAnalysisError::unsupported());
}

TEST(BeatBarAnalysis, EveryFieldTakesPartInEqualityAndHashing) {
    const BeatBarAnalysis base = sampleAnalysis();
    EXPECT_EQ(base, sampleAnalysis());
    EXPECT_EQ(std::hash<BeatBarAnalysis>{}(base), std::hash<BeatBarAnalysis>{}(sampleAnalysis()));
    std::vector<BeatBarAnalysis> variants(6, base);
    variants[0].bpm = 120.25;
    variants[1].beats.pop_back();
    variants[2].downbeats = {0.25};
    variants[3].bars[0].duration = 1.5;
    variants[4].beatsPerBar = 3;
    variants[5].engineName = "Other";
    std::unordered_set<BeatBarAnalysis> set{base};
    for (const auto& v : variants) {
        EXPECT_NE(v, base);
        set.insert(v);
    }
    EXPECT_EQ(set.size(), variants.size() + 1);
}

TEST(Bar, DifferingOnlyInConfidenceIsUnequal) {
    const Bar a{3, 3, 6.75, 2.0, 1.0f};
    Bar b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<Bar>{}(a), std::hash<Bar>{}(b));
    b.confidence = 0.5f;
    EXPECT_NE(a, b);
    EXPECT_NE(std::hash<Bar>{}(a), std::hash<Bar>{}(b));
}

TEST(LocalDSPBeatAnalyzer, ConfigurationsCompareAndHashByTheirFields) {
    const LocalDSPBeatAnalyzer base; // 70…180 BPM, 4 beats per bar
    const std::hash<LocalDSPBeatAnalyzer> hash;
    EXPECT_EQ(base, LocalDSPBeatAnalyzer(70, 180, 4));
    EXPECT_EQ(hash(base), hash(LocalDSPBeatAnalyzer(70, 180, 4)));
    for (const auto& other : {LocalDSPBeatAnalyzer(60, 180, 4), LocalDSPBeatAnalyzer(70, 200, 4),
                              LocalDSPBeatAnalyzer(70, 180, 3)}) {
        EXPECT_FALSE(other == base);
        EXPECT_NE(hash(other), hash(base));
    }
}

} // namespace
} // namespace barquill
