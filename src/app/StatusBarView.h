#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>

class QLabel;
class QProgressBar;

namespace barquill {

class AudioStore;
class ElidedLabel;

// The status bar along the bottom of the main window: a status dot, the loaded file's details,
// the playhead position, a progress indicator while loading, and one message — an error over the
// export banner over the output note over the analysis note.
//
// Threads: GUI thread. Borrows the document.
class StatusBarView : public QWidget {
    Q_OBJECT
public:
    explicit StatusBarView(AudioStore* store, QWidget* parent = nullptr);

    enum class Dot { gray, blue, green };
    Dot dot() const { return dot_; }
    // The texts as shown, for tests and accessibility.
    QString detailsText() const;
    QString positionText() const;
    QString messageText() const;
    // The message as it fits: elided with "…" when too long, the whole text then in the tooltip.
    QString shownMessageText() const;
    QString messageToolTip() const;
    QColor messageColor() const;
    bool isShowingProgress() const;

    // A byte count in decimal units, the way file browsers show file sizes.
    static QString formatFileSize(int64_t bytes);

    void refresh();
    void refreshPosition();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Keeps the message's whole line, up to most of the bar, ahead of the file's details.
    void reserveMessageRoom();

    AudioStore* store_;
    Dot dot_ = Dot::gray;
    QWidget* dotWidget_;
    ElidedLabel* fileName_;
    ElidedLabel* details_;
    QLabel* position_;
    QProgressBar* progress_;
    ElidedLabel* message_;
    QColor messageColor_;
};

} // namespace barquill
