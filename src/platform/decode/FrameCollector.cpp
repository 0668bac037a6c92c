#include "platform/decode/FrameCollector.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace barquill {

FrameCollector::FrameCollector(AudioFormat format, uint64_t expectedFrames, uint64_t limitFrames)
    : format_(format), limit_(std::min<uint64_t>(limitFrames, UINT32_MAX)),
      limitIsCountWidth_(limitFrames > UINT32_MAX) {
    const uint64_t firstFrames = std::min(expectedFrames, limit_);
    // A failed or absurd first buffer is not an error: everything then goes into chunks.
    if (firstFrames > 0) first_ = PCMBuffer::create(format_, static_cast<uint32_t>(firstFrames));
}

bool FrameCollector::append(const float* const* planes, uint32_t frames) {
    uint64_t take = std::min<uint64_t>(frames, limit_ - total_);
    // Past a caller's limit frames are padding and dropped; past 32 bits the file cannot be held.
    if (take < frames && limitIsCountWidth_) return false;
    if (take == 0) return true;
    uint32_t offset = 0;
    if (first_ && total_ < first_->frameCapacity()) {
        const auto room = static_cast<uint32_t>(std::min<uint64_t>(first_->frameCapacity() - total_, take));
        for (uint32_t c = 0; c < format_.channelCount; ++c)
            std::memcpy(first_->channel(c) + total_, planes[c], room * sizeof(float));
        total_ += room;
        offset = room;
        take -= room;
    }
    return take == 0 || appendToChunks(planes, offset, static_cast<uint32_t>(take));
}

bool FrameCollector::appendToChunks(const float* const* planes, uint32_t offset, uint32_t frames) {
    while (frames > 0) {
        if (chunks_.empty() || chunks_.back()->frameLength() == kChunkFrames) {
            try {
                chunks_.reserve(chunks_.size() + 1);
            } catch (const std::bad_alloc&) {
                return false;
            }
            auto chunk = PCMBuffer::create(format_, kChunkFrames);
            if (!chunk) return false;
            chunks_.push_back(std::move(chunk));
        }
        PCMBuffer& chunk = *chunks_.back();
        const uint32_t at = chunk.frameLength();
        const uint32_t n = std::min(frames, kChunkFrames - at);
        for (uint32_t c = 0; c < format_.channelCount; ++c)
            std::memcpy(chunk.channel(c) + at, planes[c] + offset, n * sizeof(float));
        chunk.setFrameLength(at + n);
        total_ += n;
        offset += n;
        frames -= n;
    }
    return true;
}

PCMBufferPtr FrameCollector::finish() {
    PCMBufferPtr result;
    if (total_ == 0) {
        // Nothing to hand over.
    } else if (chunks_.empty()) {
        result = std::move(first_);
        result->setFrameLength(static_cast<uint32_t>(total_));
    } else if ((result = PCMBuffer::create(format_, static_cast<uint32_t>(total_)))) {
        uint64_t at = 0;
        auto copy = [&](const PCMBuffer& part, uint64_t frames) {
            for (uint32_t c = 0; c < format_.channelCount; ++c)
                std::memcpy(result->channel(c) + at, part.channel(c), frames * sizeof(float));
            at += frames;
        };
        if (first_) copy(*first_, first_->frameCapacity());
        first_.reset();
        for (auto& chunk : chunks_) {
            copy(*chunk, chunk->frameLength());
            chunk.reset();
        }
        result->setFrameLength(static_cast<uint32_t>(total_));
    }
    first_.reset();
    chunks_.clear();
    total_ = 0;
    return result;
}

} // namespace barquill
