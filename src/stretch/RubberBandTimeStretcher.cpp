#include "stretch/RubberBandTimeStretcher.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <vector>

namespace barquill {

namespace {

using RB = RubberBand::RubberBandStretcher;

constexpr size_t kBlock = 8192;

std::string ratioMessage(double ratio) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "Cannot stretch the loop by %.2f×: the target tempo is more than 4× away from the loop's.",
                  ratio);
    return text;
}

// The loop pass with `context` frames of its own end before it and of its start after it.
std::vector<std::vector<float>> wrapped(const PCMBuffer& loop, size_t context) {
    const size_t n = loop.frameLength();
    std::vector<std::vector<float>> out(loop.channelCount(), std::vector<float>(n + 2 * context));
    for (uint32_t c = 0; c < loop.channelCount(); ++c) {
        const float* src = loop.channel(c);
        float* dst = out[c].data();
        std::copy(src + (n - context), src + n, dst);
        std::copy(src, src + n, dst + context);
        std::copy(src, src + context, dst + context + n);
    }
    return out;
}

// Drains what the engine has ready into `out`.
void retrieveAvailable(RB& rb, std::vector<std::vector<float>>& out, std::vector<float*>& ptrs,
                       std::vector<std::vector<float>>& scratch) {
    for (int avail = rb.available(); avail > 0; avail = rb.available()) {
        const size_t take = std::min<size_t>(static_cast<size_t>(avail), kBlock);
        for (size_t c = 0; c < out.size(); ++c)
            ptrs[c] = scratch[c].data();
        const size_t got = rb.retrieve(ptrs.data(), take);
        for (size_t c = 0; c < out.size(); ++c)
            out[c].insert(out[c].end(), scratch[c].begin(), scratch[c].begin() + static_cast<long>(got));
        if (got == 0) break;
    }
}

} // namespace

StretchOutcome RubberBandTimeStretcher::stretchLoop(const PCMBuffer& loop, uint64_t outputFrames) const {
    const size_t n = loop.frameLength();
    const uint32_t channels = loop.channelCount();
    const double sr = loop.sampleRate();
    if (n < kMinimumFrames || channels == 0)
        return std::string("The loop is too short to stretch (it needs at least 4096 frames).");
    const double ratio = static_cast<double>(outputFrames) / static_cast<double>(n);
    if (!(ratio <= kMaximumRatio && ratio >= 1.0 / kMaximumRatio) ||
        outputFrames > std::numeric_limits<uint32_t>::max())
        return ratioMessage(ratio);

    // Half a second of wrap-around context covers the engine's longest window at any rate.
    const size_t context = std::min(n, static_cast<size_t>(std::lround(sr * 0.5)));
    const size_t fade = std::min<size_t>(outputFrames / 4, static_cast<size_t>(std::lround(sr * 0.01)));
    const size_t total = n + 2 * context;
    const auto lead = static_cast<size_t>(std::llround(static_cast<double>(context) * ratio));

    const std::vector<std::vector<float>> input = wrapped(loop, context);
    RB rb(static_cast<size_t>(std::lround(sr)), channels,
          RB::OptionProcessOffline | RB::OptionEngineFiner | RB::OptionWindowStandard |
              RB::OptionChannelsTogether | RB::OptionThreadingNever,
          ratio, 1.0);
    rb.setExpectedInputDuration(total);
    rb.setMaxProcessSize(kBlock);
    rb.setKeyFrameMap({{context, lead}, {context + n, lead + outputFrames}});

    std::vector<const float*> in(channels);
    for (size_t pos = 0; pos < total; pos += kBlock) {
        const size_t len = std::min(kBlock, total - pos);
        for (uint32_t c = 0; c < channels; ++c)
            in[c] = input[c].data() + pos;
        rb.study(in.data(), len, pos + len == total);
    }
    std::vector<std::vector<float>> out(channels);
    std::vector<std::vector<float>> scratch(channels, std::vector<float>(kBlock));
    std::vector<float*> ptrs(channels);
    for (auto& ch : out)
        ch.reserve(static_cast<size_t>(static_cast<double>(total) * ratio) + kBlock);
    for (size_t pos = 0; pos < total; pos += kBlock) {
        const size_t len = std::min(kBlock, total - pos);
        for (uint32_t c = 0; c < channels; ++c)
            in[c] = input[c].data() + pos;
        rb.process(in.data(), len, pos + len == total);
        retrieveAvailable(rb, out, ptrs, scratch);
    }
    retrieveAvailable(rb, out, ptrs, scratch);

    PCMBufferPtr result = PCMBuffer::create(sr, channels, static_cast<uint32_t>(outputFrames));
    if (!result) return std::string("Not enough memory to stretch the loop.");
    result->setFrameLength(static_cast<uint32_t>(outputFrames));
    const auto at = [&](uint32_t c, size_t i) { return i < out[c].size() ? out[c][i] : 0.0f; };
    for (uint32_t c = 0; c < channels; ++c) {
        float* dst = result->channel(c);
        for (size_t i = 0; i < outputFrames; ++i)
            dst[i] = at(c, lead + i);
        // What follows the pass's end fades into its start, so the seam is a step of the stream.
        for (size_t i = 0; i < fade; ++i) {
            const float w = (static_cast<float>(i) + 0.5f) / static_cast<float>(fade);
            dst[i] = w * dst[i] + (1.0f - w) * at(c, lead + outputFrames + i);
        }
    }
    return result;
}

} // namespace barquill
