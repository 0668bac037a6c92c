#include "store/AudioStore.h"

namespace barquill {

void AudioStore::endPreview() {
    setIsPreviewing(false);
    engine_->stopPlayer();
    pausedFrame_ = previewReturnFrame_;
    setCurrentTime(previewReturnTime_);
    setIsPlaying(false);
}

} // namespace barquill
