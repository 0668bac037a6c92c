#pragma once

#include <span>

// Choosing between a tempo and its half or double by how strong the envelope is halfway
// between the slower tempo's beats. Plain functions on any thread.
namespace barquill {

// Off-mean / on-mean of the phase of `tempo` whose beats carry the most envelope; 0 when that
// on-mean is 0.000001 or less. Above 0.75 the faster tempo of the pair is the true one.
float offBeatRatio(std::span<const float> envelope, double frameRate, double tempo);

// The scan's best tempo, or its half (when best/2 is in range and the envelope is weak
// between best/2's beats), or its double (when 2·best is in range and the envelope is strong
// between best's beats). The double test, when it applies, decides.
double correctHalfDouble(double best, std::span<const float> envelope, double frameRate, double minBPM,
                         double maxBPM);

} // namespace barquill
