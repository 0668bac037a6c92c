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

    void setFailureHandler(FailureHandler handler) override { onFailure_ = std::move(handler); }
    void setNoteHandler(NoteHandler handler) override { onNote_ = std::move(handler); }

protected:
    // Hand a message to the document's handler; call on the GUI thread from an event of
    // its own (never from inside a call the document made).
    void reportFailure(const std::string& message) {
        if (onFailure_) onFailure_(message);
    }
    void reportNote(const std::string& note) {
        if (onNote_) onNote_(note);
    }

    PlayerNode& player() { return player_; }
    // Called after every change to the player; a backend arms its completion delivery here.
    virtual void playerChanged() {}

private:
    PlayerNode player_;
    FailureHandler onFailure_;
    NoteHandler onNote_;
};

} // namespace barquill
