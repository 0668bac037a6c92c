#include "platform/audio/PlayerEngine.h"

#include <utility>

namespace barquill {

void PlayerEngine::setOutputLevel(float level) {
    player_.setOutputLevel(level);
}

float PlayerEngine::outputLevel() const {
    return player_.outputLevel();
}

void PlayerEngine::scheduleRange(BufferRange range, Completion completion) {
    player_.scheduleOnce(std::move(range), std::move(completion));
    playerChanged();
}

void PlayerEngine::scheduleLoopingRange(BufferRange range) {
    player_.scheduleLooping(std::move(range));
    playerChanged();
}

void PlayerEngine::play() {
    player_.play();
    playerChanged();
}

void PlayerEngine::pause() {
    player_.pause();
    playerChanged();
}

void PlayerEngine::stopPlayer() {
    player_.stop();
    playerChanged();
}

bool PlayerEngine::isPlayerPlaying() const {
    return player_.isPlaying();
}

std::optional<int64_t> PlayerEngine::renderedSampleTime() const {
    return player_.renderedSampleTime();
}

} // namespace barquill
