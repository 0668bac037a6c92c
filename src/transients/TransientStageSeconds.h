#pragma once

namespace barquill {

// Wall-clock seconds spent in each stage of one detection run, for diagnostics and benchmarks.
// A stage that an early return skipped stays 0.
struct TransientStageSeconds {
    double envelope = 0;    // 3 ms RMS envelope
    double onsets = 0;      // onset strength, threshold, peak picking
    double refinement = 0;  // sample-precise onsets and spacing
    double quietSearch = 0; // quiet runs and the gate
    double bandSplit = 0;   // the two crossover bands
    double hits = 0;        // hit construction and kick classification
};

} // namespace barquill
