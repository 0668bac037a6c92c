#pragma once

#include "app/AudioFileActions.h"
#include "app/AudioZoomActions.h"

namespace barquill {

class AudioStore;
class RecentFiles;

// The zoom anchor of the View menu: the playhead's fraction of the window when it is visible,
// else the centre.
double menuZoomAnchor(const AudioStore& store);

// The bundles a main window publishes, as closures over the shared document and recent list.
AudioZoomActions makeZoomActions(AudioStore* store);
AudioFileActions makeFileActions(RecentFiles* recents, std::function<void()> openPanel,
                                 std::function<void(const QUrl&)> openURL);

} // namespace barquill
