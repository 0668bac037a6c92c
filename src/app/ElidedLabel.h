#pragma once

#include <QLabel>

namespace barquill {

// A one-line label that never forces its width on the layout: it asks for the room of its whole
// text but can shrink to a few characters, and text that does not fit ends in "…" with the whole
// text as the tooltip.
//
// Threads: GUI thread.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return full_; }
    // The width the whole text needs.
    int fullTextWidth() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    QString full_;
};

} // namespace barquill
