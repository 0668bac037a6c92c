#include "transients/QuietSearch.h"

#include "buffer/VectorMath.h"
#include "transients/SampleCounts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace barquill::transients {

namespace {

// Mean square of each frame of `frameLength` samples; the last frame may be short.
std::vector<float> frameEnergies(const ChannelMix& mix, int64_t frameLength, int64_t frames) {
    std::vector<float> energy(static_cast<size_t>(frames));
    mix.forEachFrame(frameLength, [&energy](int64_t k, const float* samples, int64_t count) {
        energy[static_cast<size_t>(k)] = sumOfSquares(samples, count) / static_cast<float>(count);
    });
    return energy;
}

// Centred moving average over 2·half + 1 frames that shrinks at both ends and always reads the
// unsmoothed energies.
std::vector<float> smoothed(const std::vector<float>& energy, int64_t half) {
    const auto frames = static_cast<int64_t>(energy.size());
    std::vector<float> result(energy.size());
    for (int64_t k = 0; k < frames; ++k) {
        const int64_t from = std::max<int64_t>(k - half, 0);
        const int64_t to = std::min<int64_t>(k + half, frames - 1);
        float sum = 0;
        for (int64_t j = from; j <= to; ++j)
            sum += energy[j];
        result[k] = sum / static_cast<float>(to - from + 1);
    }
    return result;
}

} // namespace

std::vector<QuietRun> findQuietRuns(std::span<const float> samples, double sampleRate,
                                    const TransientExtractor& parameters) {
    return findQuietRuns(ChannelMix(samples), sampleRate, parameters);
}

std::vector<QuietRun> findQuietRuns(const ChannelMix& mix, double sampleRate,
                                    const TransientExtractor& parameters) {
    const int64_t n = mix.frames();
    const int64_t frameLength = std::max<int64_t>(nearest(parameters.quietFrameSeconds * sampleRate), 1);
    const int64_t frames = n / frameLength + (n % frameLength != 0 ? 1 : 0);
    // Too short to compare its parts: the whole file counts as quiet.
    if (frames < 5) return {QuietRun{0, n}};

    std::vector<float> level = frameEnergies(mix, frameLength, frames);
    const int64_t quietCount =
        std::max<int64_t>(nearest(parameters.quietFraction * static_cast<double>(frames)), 1);
    const int64_t window = nearest(2.0 / parameters.quietFrameSeconds);
    const int64_t half = window / 2;
    if (window >= 2 && frames > 2 * half) level = smoothed(level, half);

    // Quietest first, earlier frame on ties; NaN levels (from NaN samples) sort last so the order stays
    // a strict weak ordering.
    auto key = [&level](int64_t k) {
        return std::isnan(level[k]) ? std::numeric_limits<float>::infinity() : level[k];
    };
    std::vector<int64_t> order(static_cast<size_t>(frames));
    std::iota(order.begin(), order.end(), int64_t{0});
    std::stable_sort(order.begin(), order.end(), [&key](int64_t a, int64_t b) { return key(a) < key(b); });
    std::vector<uint8_t> quiet(static_cast<size_t>(frames), 0);
    for (int64_t i = 0; i < std::min(quietCount, frames); ++i)
        quiet[order[i]] = 1;

    const int64_t minRun =
        std::max<int64_t>(nearest(parameters.minQuietRunSeconds / parameters.quietFrameSeconds), 1);
    std::vector<QuietRun> runs;
    int64_t runStart = -1;
    for (int64_t k = 0; k <= frames; ++k) {
        const bool isQuiet = k < frames && quiet[k];
        if (isQuiet && runStart < 0) {
            runStart = k;
        } else if (!isQuiet && runStart >= 0) {
            if (k - runStart >= minRun)
                runs.push_back({runStart * frameLength, std::min(k * frameLength, n)});
            runStart = -1;
        }
    }
    return runs;
}

std::vector<int64_t> gateOnsets(const std::vector<int64_t>& onsets, const std::vector<QuietRun>& runs) {
    std::vector<int64_t> inside;
    for (int64_t onset : onsets) {
        // The first run that starts after the onset; the one before it is the only candidate.
        auto after = std::upper_bound(runs.begin(), runs.end(), onset,
                                      [](int64_t o, const QuietRun& run) { return o < run.start; });
        if (after != runs.begin() && onset < std::prev(after)->end) inside.push_back(onset);
    }
    return inside;
}

} // namespace barquill::transients
