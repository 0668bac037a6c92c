#include "platform/audio/PlayerNode.h"

#include <algorithm>
#include <utility>

namespace barquill {

namespace {

// The clock and progress words carry the epoch in their top 16 bits, so the GUI thread can
// tell a value of the epoch it is in from one the audio thread wrote before a stop.
constexpr int kCountBits = 48;
constexpr uint64_t kCountMask = (uint64_t{1} << kCountBits) - 1;

constexpr uint64_t packed(uint32_t epoch, uint64_t count) noexcept {
    return (uint64_t{epoch & 0xFFFFu} << kCountBits) | (count & kCountMask);
}
constexpr bool sameEpoch(uint64_t word, uint32_t epoch) noexcept {
    return (word >> kCountBits) == (epoch & 0xFFFFu);
}

} // namespace

PlayerNode::PlayerNode() {
    auto initial = std::make_unique<PlayerSchedule>();
    initial->sequence = ++nextSequence_;
    current_ = initial.get();
    published_.store(initial.get(), std::memory_order_release);
    acknowledged_.store(initial->sequence, std::memory_order_release);
    live_.push_back(std::move(initial));
}

// The backend has stopped its audio thread before the node goes; completions still waiting
// are dropped, since whoever would receive them is going away too.
PlayerNode::~PlayerNode() = default;

void PlayerNode::scheduleOnce(BufferRange range, Completion completion) {
    const uint32_t frames = range.playableFrames();
    entries_.push_back({std::move(range.buffer), range.startFrame, frames, false});
    if (completion) pending_.push_back({entries_.size() - 1, std::move(completion)});
    publish();
}

void PlayerNode::scheduleLooping(BufferRange range) {
    const uint32_t frames = range.playableFrames();
    entries_.push_back({std::move(range.buffer), range.startFrame, frames, true});
    publish();
}

void PlayerNode::play() {
    if (playing_) return;
    playing_ = true;
    publish();
}

void PlayerNode::pause() {
    if (!playing_) return;
    playing_ = false;
    publish();
}

void PlayerNode::stop() {
    ++epoch_;
    playing_ = false;
    entries_.clear();
    for (auto& waiting : pending_)
        due_.push_back(std::move(waiting.completion));
    pending_.clear();
    publish();
}

std::optional<int64_t> PlayerNode::renderedSampleTime() const {
    const uint64_t word = clock_.load(std::memory_order_acquire);
    if (!sameEpoch(word, epoch_)) return std::nullopt; // the audio thread has not seen the stop yet
    const uint64_t count = word & kCountMask;
    if (count == 0) return std::nullopt;
    return static_cast<int64_t>(count - 1);
}

void PlayerNode::setOutputLevel(float level) {
    if (!(level >= 0.0f)) level = 0.0f; // negative or NaN
    outputLevel_.store(std::min(level, 1.0f), std::memory_order_relaxed);
}

void PlayerNode::setRendererActive(bool active) {
    rendererActive_ = active;
    releaseRetired();
}

void PlayerNode::deliverDueCompletions() {
    releaseRetired();
    std::vector<Completion> ready = std::move(due_);
    due_.clear();
    const uint64_t progress = progress_.load(std::memory_order_acquire);
    if (sameEpoch(progress, epoch_)) {
        const uint64_t finished = progress & kCountMask;
        // Entries finish in queue order, so the finished completions are a prefix.
        auto firstWaiting = std::find_if(pending_.begin(), pending_.end(), [&](const PendingCompletion& p) {
            return p.entryIndex >= finished;
        });
        for (auto it = pending_.begin(); it != firstWaiting; ++it)
            ready.push_back(std::move(it->completion));
        pending_.erase(pending_.begin(), firstWaiting);
    }
    // A completion may schedule or stop again; it then works on the node's state, not on `ready`.
    for (auto& completion : ready)
        completion();
}

bool PlayerNode::hasPendingWork() const {
    return !pending_.empty() || !due_.empty() || live_.size() > 1;
}

void PlayerNode::publish() {
    auto schedule = std::make_unique<PlayerSchedule>();
    schedule->sequence = ++nextSequence_;
    schedule->epoch = epoch_;
    schedule->playing = playing_;
    schedule->entries = entries_;
    published_.store(schedule.get(), std::memory_order_release);
    live_.push_back(std::move(schedule));
    releaseRetired();
}

void PlayerNode::releaseRetired() {
    // With no audio thread running, the GUI thread may take the audio side's place.
    if (!rendererActive_) pickUpPublished();
    // The audio thread renders from the acknowledged schedule or a newer one, never an older.
    const uint64_t acknowledged = acknowledged_.load(std::memory_order_acquire);
    while (live_.size() > 1 && live_.front()->sequence < acknowledged)
        live_.pop_front();
}

void PlayerNode::pickUpPublished() noexcept {
    const PlayerSchedule* latest = published_.load(std::memory_order_acquire);
    if (latest == current_) return;
    const bool newEpoch = latest->epoch != current_->epoch;
    current_ = latest;
    if (newEpoch) {
        entryIndex_ = 0;
        frameInEntry_ = 0;
        renderedFrames_ = 0;
        hasRendered_ = false;
        publishClock();
    }
    acknowledged_.store(latest->sequence, std::memory_order_release);
}

void PlayerNode::finishEmptyEntries() noexcept {
    const auto& entries = current_->entries;
    while (entryIndex_ < entries.size() && entries[entryIndex_].frames == 0 && !entries[entryIndex_].looping)
        ++entryIndex_;
}

void PlayerNode::publishClock() noexcept {
    const uint32_t epoch = current_->epoch;
    clock_.store(packed(epoch, hasRendered_ ? static_cast<uint64_t>(renderedFrames_) + 1 : 0),
                 std::memory_order_release);
    progress_.store(packed(epoch, entryIndex_), std::memory_order_release);
}

void PlayerNode::copyEntry(float* const* output, uint32_t channelCount, uint32_t at,
                           const ScheduledBuffer& entry, uint32_t offset, uint32_t frames) const noexcept {
    const PCMBuffer& buffer = *entry.buffer;
    const uint32_t sourceChannels = buffer.channelCount();
    for (uint32_t c = 0; c < channelCount; ++c) {
        // Mono goes to every output; channels the output lacks are dropped, and outputs the
        // buffer has no channel for stay silent.
        const uint32_t source = sourceChannels == 1 ? 0 : c;
        if (source >= sourceChannels) continue;
        std::copy_n(buffer.channel(source) + entry.startFrame + offset, frames, output[c] + at);
    }
}

void PlayerNode::render(float* const* output, uint32_t channelCount, uint32_t frames) noexcept {
    pickUpPublished();
    for (uint32_t c = 0; c < channelCount; ++c)
        std::fill_n(output[c], frames, 0.0f);
    const PlayerSchedule& schedule = *current_;
    if (!schedule.playing || frames == 0) return;

    finishEmptyEntries();
    uint32_t done = 0;
    while (done < frames && entryIndex_ < schedule.entries.size()) {
        const ScheduledBuffer& entry = schedule.entries[entryIndex_];
        if (entry.frames == 0) break; // an empty looping entry: silence until stopped
        const uint32_t n = std::min(frames - done, entry.frames - frameInEntry_);
        copyEntry(output, channelCount, done, entry, frameInEntry_, n);
        done += n;
        frameInEntry_ += n;
        if (frameInEntry_ == entry.frames) {
            frameInEntry_ = 0;
            if (!entry.looping) {
                ++entryIndex_;
                finishEmptyEntries();
            }
        }
    }

    const float level = outputLevel_.load(std::memory_order_relaxed);
    if (level != 1.0f) {
        for (uint32_t c = 0; c < channelCount; ++c) {
            float* samples = output[c];
            for (uint32_t i = 0; i < frames; ++i)
                samples[i] *= level;
        }
    }
    renderedFrames_ += frames;
    hasRendered_ = true;
    publishClock();
}

} // namespace barquill
