#pragma once

#include <QUrl>
#include <QWidget>

#include <functional>

class QVBoxLayout;

namespace barquill {

class RecentFiles;

// The invitation shown before a file is loaded: the waveform symbol, "Drop an audio file anywhere",
// the accepted formats and, when there are any, up to six recent files that open on a click.
//
// Threads: GUI thread. Borrows the recent-file list, which outlives it.
class WaveformEmptyState : public QWidget {
    Q_OBJECT
public:
    static constexpr int maxRecentEntries = 6;

    WaveformEmptyState(RecentFiles* recents, std::function<void(const QUrl&)> openRecent,
                       QWidget* parent = nullptr);

private:
    void rebuildRecents();

    RecentFiles* recents_;
    std::function<void(const QUrl&)> openRecent_;
    QWidget* recentBox_ = nullptr;
    QVBoxLayout* recentLayout_ = nullptr;
};

} // namespace barquill
