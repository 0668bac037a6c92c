#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Comparing what the sound card played with what the file holds.
namespace barquill::e2e {

// Full cross-correlation by FFT: result[k] = sum_i a[i + k] * b[i] for k in [0, a.size() - b.size()].
std::vector<double> crossCorrelate(const std::vector<float>& a, const std::vector<float>& b);

struct Match {
    int64_t offset = -1;    // where b starts inside a
    double correlation = 0; // normalised, 1 = identical shape
    double levelRatio = 0;  // rms(a segment) / rms(b)
};

// Finds b inside a (b shorter than a).
Match findInside(const std::vector<float>& a, const std::vector<float>& b);

// Normalised correlation and level ratio of two equally long runs.
Match compareAt(const std::vector<float>& a, int64_t offset, const std::vector<float>& b);

double rms(const float* data, size_t n);

// Runs of at least minFrames frames whose absolute value stays below threshold.
int countSilentRuns(const std::vector<float>& data, size_t minFrames, float threshold);

} // namespace barquill::e2e
