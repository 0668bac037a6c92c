#pragma once

#include "platform/audio/AudioEngine.h"
#include "platform/audio/PlayerNode.h"

namespace barquill {

// The player-node and output-level half of AudioEngine, shared by every backend; a
// backend adds the device half (start, stop, connect) and calls player().render() from
// its audio thread.
//
// Threads: as AudioEngine (GUI thread), apart from the render call the backend makes.
// Ownership: owns the player node; backends stop their audio thread before it goes.
class PlayerEngine : public AudioEngine {
public:
    void setOutputLevel(float level) override;
    float outputLevel() const override;

    void scheduleRange(BufferRange range, Completion completion = {}) override;
    void scheduleLoopingRange(BufferRange range) override;
    void play() override;
    void pause() override;
    void stopPlayer() override;
    bool isPlayerPlaying() const override;
    std::optional<int64_t> renderedSampleTime() const override;

protected:
    PlayerNode& player() { return player_; }
    // Called after every change to the player; a backend arms its completion delivery here.
    virtual void playerChanged() {}

private:
    PlayerNode player_;
};

} // namespace barquill
