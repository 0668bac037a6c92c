#pragma once

#include "settings/RecentItem.h"

#include <QList>
#include <QUrl>

#include <functional>

namespace barquill {

// The file actions the focused main window offers to the File menu.
struct AudioFileActions {
    std::function<void()> openPanel;
    std::function<void(const QUrl&)> openURL;
    std::function<QList<RecentItem>()> recentItems; // most recent first
    std::function<void()> clearRecents;
};

} // namespace barquill
