#include "app/DocumentActions.h"

#include "settings/RecentFiles.h"
#include "store/AudioStore.h"

namespace barquill {

double menuZoomAnchor(const AudioStore& store) {
    if (store.buffer() && store.duration() > 0) {
        const double fraction = store.fractionOfTime(store.currentTime());
        if (fraction >= 0 && fraction <= 1) return fraction;
    }
    return 0.5;
}

AudioZoomActions makeZoomActions(AudioStore* store) {
    AudioZoomActions a;
    a.zoomIn = [store] { store->zoom(0.625, menuZoomAnchor(*store)); };
    a.zoomOut = [store] { store->zoom(1.6, menuZoomAnchor(*store)); };
    a.zoomToFit = [store] { store->zoomToFit(); };
    a.panLeft = [store] { store->pan(-0.25); };
    a.panRight = [store] { store->pan(0.25); };
    a.canZoom = [store] { return store->buffer() != nullptr; };
    a.shiftGridLeft = [store] { store->shiftGrid(-1); };
    a.shiftGridRight = [store] { store->shiftGrid(1); };
    a.resetGridShift = [store] { store->resetGridShift(); };
    a.moveLoopLeft = [store] { store->moveLoop(-1); };
    a.moveLoopRight = [store] { store->moveLoop(1); };
    a.canShiftGrid = [store] { return store->analysis().has_value(); };
    a.gridNudge = [store] { return store->gridShiftQuarters(); };
    a.canMoveLoop = [store] {
        return store->buffer() != nullptr && !store->isLoading() && !store->effectiveBars().empty();
    };
    a.toggleReverse = [store] { store->toggleReverse(); };
    a.canReverse = [store] { return store->buffer() != nullptr && !store->isLoading(); };
    a.isReversed = [store] { return store->isReversed(); };
    a.analyze = [store] { store->startAnalysis(); };
    a.canAnalyze = [store] {
        return store->buffer() != nullptr && !store->isLoading() && !store->isAnalyzing();
    };
    a.isAnalyzing = [store] { return store->isAnalyzing(); };
    a.hasAnalysis = [store] { return store->analysis().has_value(); };
    a.matchTempo = [store] { return store->matchTempo(); };
    a.setMatchTempo = [store](double bpm) { store->setMatchTempo(bpm); };
    a.matchDetectedTempo = [store](double factor) { store->matchDetectedTempo(factor); };
    a.exportLoop = [store] { store->exportLoop(); };
    a.exportSliceKit = [store] { store->exportSliceKit(); };
    a.canExport = [store] { return store->buffer() != nullptr; };
    return a;
}

AudioFileActions makeFileActions(RecentFiles* recents, std::function<void()> openPanel,
                                 std::function<void(const QUrl&)> openURL) {
    AudioFileActions a;
    a.openPanel = std::move(openPanel);
    a.openURL = std::move(openURL);
    a.recentItems = [recents] { return recents ? recents->items() : QList<RecentItem>{}; };
    a.clearRecents = [recents] {
        if (recents) recents->clear();
    };
    return a;
}

} // namespace barquill
