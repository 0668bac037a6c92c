#include "store/AudioStore.h"
#include "store/JobDelivery.h"

#include "buffer/BufferOps.h"
#include "store/MirrorBuilder.h"

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <exception>

namespace barquill {

namespace {
const char* const kMirrorFailed = "Reverse failed: could not allocate the mirror buffer.";

bool mirrorFits(const PCMBufferPtr& mirror, const PCMBufferPtr& buffer) {
    return mirror && buffer && mirror->frameLength() == buffer->frameLength();
}
} // namespace

void AudioStore::toggleReverse() {
    if (!buffer_) return;
    if (isReversing_) {
        // Cancel: the build runs on, and its result fails the generation test.
        ++reverseGen_;
        setIsReversing(false);
        return;
    }
    if (isPreviewing_) {
        ++previewGen_;
        endPreview();
    }

    if (!isReversed_) {
        if (mirrorFits(reversedBuffer_, buffer_)) {
            applyReverse(isPlaying_);
            return;
        }
        const int64_t generation = ++reverseGen_;
        setIsReversing(true);
        PCMBufferPtr source = buffer_;
        auto job = QtConcurrent::run([source]() -> PCMBufferPtr {
            try {
                return buildMirror(*source);
            } catch (const std::exception&) {
                return nullptr;
            }
        });
        deliverResult(std::move(job), this, [generation](AudioStore& store, PCMBufferPtr mirror) {
            store.applyMirror(generation, std::move(mirror));
        });
        return;
    }

    switchDirection(false, isPlaying_);
}

void AudioStore::applyMirror(int64_t generation, PCMBufferPtr mirror) {
    if (generation != reverseGen_) return;
    setIsReversing(false);
    if (!mirror) {
        setErrorMessage(QString::fromUtf8(kMirrorFailed));
        return;
    }
    reversedBuffer_ = std::move(mirror);
    // The state of the moment the mirror arrives decides whether playback continues.
    applyReverse(isPlaying_);
}

void AudioStore::applyReverse(bool wasPlaying) {
    switchDirection(true, wasPlaying);
}

void AudioStore::switchDirection(bool reversed, bool wasPlaying) {
    if (wasPlaying)
        pauseInPlace();
    else
        engine_->stopPlayer();
    setIsReversed(reversed);
    if (loopEnabled_) {
        // The loop buffer is cut again, in the new direction.
        if (!buildLoopRange()) {
            setLoopEnabledField(false);
            return;
        }
        if (wasPlaying) {
            play();
        } else {
            pausedFrame_ = std::clamp(pausedFrame_, loopStartFrame_, loopStartFrame_ + loopFrames_ - 1);
            setCurrentTime(static_cast<double>(pausedFrame_) / sampleRate());
        }
        return;
    }
    if (wasPlaying) play();
}

PCMBufferPtr AudioStore::mirrorBuffer() {
    if (mirrorFits(reversedBuffer_, buffer_)) return reversedBuffer_;
    if (!buffer_) return nullptr;
    // Built on the spot so a reversed play never waits for the background build.
    if (PCMBufferPtr copy = reversedCopy(*buffer_)) reversedBuffer_ = std::move(copy);
    return mirrorFits(reversedBuffer_, buffer_) ? reversedBuffer_ : nullptr;
}

} // namespace barquill
