#pragma once

#include <QWidget>

namespace barquill {

// The "Decoding…" badge: a progress indicator and its label on a translucent rounded plate.
// GUI thread; owned by the waveform area.
class LoadingBadge : public QWidget {
    Q_OBJECT
public:
    explicit LoadingBadge(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace barquill
