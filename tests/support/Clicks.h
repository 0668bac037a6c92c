#pragma once

#include <vector>

namespace barquill::test {

// Adds a 3 ms click at `atSeconds` (a 2 kHz sine decaying with a 1 ms time constant, peaking near
// `level`), cut off at the end of `out`. Mono, one sample per frame.
void addClick(std::vector<float>& out, double sampleRate, double atSeconds, float level);

} // namespace barquill::test
