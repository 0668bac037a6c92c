#include "store/AudioStore.h"

namespace barquill {

void AudioStore::flashExport(const QString& text) {
    const int64_t generation = ++exportFlashGen_;
    setExportFlash(text);
    // Bound to the store: a store that is gone cancels the wait. A newer banner keeps its full 5 s.
    QTimer::singleShot(5000, this, [this, generation] {
        if (exportFlashGen_ == generation) setExportFlash(std::nullopt);
    });
}

} // namespace barquill
