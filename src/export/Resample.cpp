#include "export/Resample.h"

#include <soxr.h>

#include <cstring>
#include <memory>
#include <vector>

namespace barquill {

namespace {

struct SoxrDeleter {
    void operator()(soxr_t s) const noexcept { soxr_delete(s); }
};
using SoxrPtr = std::unique_ptr<std::remove_pointer_t<soxr_t>, SoxrDeleter>;

} // namespace

PCMBufferPtr resampleBuffer(const PCMBufferPtr& buffer, double rate) {
    if (!buffer) return nullptr;
    if (!(rate > 0) || rate == buffer->sampleRate()) return buffer;
    const uint32_t channels = buffer->channelCount();
    if (channels == 0) return nullptr;

    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_S, SOXR_FLOAT32_S);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    // One thread: exports run many short conversions, where a thread team costs more than it saves.
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    SoxrPtr soxr(soxr_create(buffer->sampleRate(), rate, channels, &error, &io, &quality, &runtime));
    if (!soxr || error) return nullptr;

    try {
        const size_t inputFrames = buffer->frameLength();
        size_t consumed = 0;
        bool inputEnded = false;
        std::vector<const float*> in(channels);
        std::vector<float*> out(channels);
        std::vector<PCMBufferPtr> blocks;
        size_t total = 0;
        bool streamEnded = false;

        while (!streamEnded && blocks.size() < kResampleMaxBlocks) {
            auto block = PCMBuffer::create(rate, channels, kResampleBlockFrames);
            if (!block) return nullptr;
            size_t filled = 0;
            while (filled < kResampleBlockFrames) {
                for (uint32_t c = 0; c < channels; ++c)
                    out[c] = block->channel(c) + filled;
                size_t used = 0, produced = 0;
                if (!inputEnded && consumed < inputFrames) {
                    for (uint32_t c = 0; c < channels; ++c)
                        in[c] = buffer->channel(c) + consumed;
                    error = soxr_process(soxr.get(), in.data(), inputFrames - consumed, &used, out.data(),
                                         kResampleBlockFrames - filled, &produced);
                    consumed += used;
                    // A converter that neither takes input nor gives output would spin forever.
                    if (!error && used == 0 && produced == 0) return nullptr;
                } else {
                    // The whole input has been handed over: flush the filter's tail.
                    inputEnded = true;
                    error = soxr_process(soxr.get(), nullptr, 0, nullptr, out.data(),
                                         kResampleBlockFrames - filled, &produced);
                }
                if (error) return nullptr;
                filled += produced;
                if (inputEnded && produced == 0) {
                    streamEnded = true;
                    break;
                }
            }
            if (filled > 0) {
                block->setFrameLength(static_cast<uint32_t>(filled));
                total += filled;
                blocks.push_back(std::move(block));
            }
        }
        if (total == 0) return nullptr;

        auto result = PCMBuffer::create(rate, channels, static_cast<uint32_t>(total));
        if (!result) return nullptr;
        size_t pos = 0;
        for (const auto& block : blocks) {
            for (uint32_t c = 0; c < channels; ++c)
                std::memcpy(result->channel(c) + pos, block->channel(c),
                            sizeof(float) * block->frameLength());
            pos += block->frameLength();
        }
        result->setFrameLength(static_cast<uint32_t>(total));
        return result;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace barquill
