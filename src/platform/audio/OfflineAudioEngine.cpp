#include "platform/audio/OfflineAudioEngine.h"

#include <algorithm>

namespace barquill {

namespace {
// The offline renderer works in device-sized blocks, so a long render needs little scratch.
constexpr uint32_t kBlockFrames = 4096;
} // namespace

OfflineAudioEngine::OfflineAudioEngine() {
    captured_.resize(outputFormat().channelCount);
}

std::optional<std::string> OfflineAudioEngine::start() {
    if (startFailure_) return startFailure_;
    running_ = true;
    player().setRendererActive(true);
    return std::nullopt;
}

void OfflineAudioEngine::stop() {
    running_ = false;
    player().setRendererActive(false);
}

void OfflineAudioEngine::failOutput(const std::string& message) {
    stop();
    reportFailure(message);
}

void OfflineAudioEngine::connect(const AudioFormat& format) {
    stop();
    const bool changed = outputFormat() != format;
    connected_ = format;
    if (changed) {
        captured_.assign(format.channelCount, {});
        block_.clear();
    }
}

void OfflineAudioEngine::render(uint32_t frames) {
    const uint32_t channels = outputFormat().channelCount;
    if (running_ && frames > 0) {
        if (block_.size() != channels) {
            block_.assign(channels, std::vector<float>(kBlockFrames));
            blockPointers_.clear();
            for (auto& channel : block_)
                blockPointers_.push_back(channel.data());
        }
        for (uint32_t done = 0; done < frames;) {
            const uint32_t n = std::min(kBlockFrames, frames - done);
            player().render(blockPointers_.data(), channels, n);
            for (uint32_t c = 0; c < channels; ++c)
                captured_[c].insert(captured_[c].end(), block_[c].begin(), block_[c].begin() + n);
            done += n;
        }
    }
    deliverCompletions();
}

void OfflineAudioEngine::deliverCompletions() {
    player().deliverDueCompletions();
}

void OfflineAudioEngine::clearCapture() {
    for (auto& channel : captured_)
        channel.clear();
}

} // namespace barquill
