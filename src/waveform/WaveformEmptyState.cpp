#include "waveform/WaveformEmptyState.h"

#include "platform/ui/SymbolIcon.h"
#include "settings/RecentFiles.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

namespace barquill {
namespace {

QColor textColor(double opacity) {
    QColor color = QApplication::palette().color(QPalette::WindowText);
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

QString colorCss(const QColor& color) {
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF(), 0, 'f', 2);
}

QLabel* styledLabel(const QString& text, double pointScale, double opacity, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * pointScale);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(
        QStringLiteral("color: %1; background: transparent;").arg(colorCss(textColor(opacity))));
    return label;
}

} // namespace

WaveformEmptyState::WaveformEmptyState(RecentFiles* recents, std::function<void(const QUrl&)> openRecent,
                                       QWidget* parent)
    : QWidget(parent), recents_(recents), openRecent_(std::move(openRecent)) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* outer = new QVBoxLayout(this);
    outer->addStretch(1);
    auto* stack = new QVBoxLayout;
    stack->setSpacing(8);
    outer->addLayout(stack);
    outer->addStretch(1);

    auto* symbol = new QLabel(this);
    symbol->setPixmap(drawnSymbolIcon(QStringLiteral("waveform"), textColor(0.55)).pixmap(34, 34));
    symbol->setAlignment(Qt::AlignCenter);
    stack->addWidget(symbol);
    stack->addWidget(styledLabel(QStringLiteral("Drop an audio file anywhere"), 1.5, 0.55, this));
    stack->addWidget(
        styledLabel(QStringLiteral("mp3 · m4a · mp4 · wav · aif · flac · opus"), 0.9, 0.3, this));

    recentBox_ = new QWidget(this);
    recentLayout_ = new QVBoxLayout(recentBox_);
    recentLayout_->setContentsMargins(0, 12, 0, 0);
    recentLayout_->setSpacing(8);
    stack->addWidget(recentBox_, 0, Qt::AlignHCenter);

    if (recents_) connect(recents_, &RecentFiles::itemsChanged, this, &WaveformEmptyState::rebuildRecents);
    rebuildRecents();
}

void WaveformEmptyState::rebuildRecents() {
    while (QLayoutItem* item = recentLayout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QList<RecentItem> items = recents_ ? recents_->items() : QList<RecentItem>{};
    recentBox_->setVisible(!items.isEmpty());
    if (items.isEmpty()) return;
    recentLayout_->addWidget(styledLabel(QStringLiteral("Recent"), 0.9, 0.3, recentBox_));
    const QColor link = QApplication::palette().color(QPalette::Link);
    for (qsizetype i = 0; i < std::min<qsizetype>(items.size(), maxRecentEntries); ++i) {
        const QUrl url = items[i].url;
        auto* button = new QPushButton(drawnSymbolIcon(QStringLiteral("waveform"), link),
                                       QFileInfo(url.toLocalFile()).fileName(), recentBox_);
        button->setFlat(true);
        button->setCursor(Qt::PointingHandCursor);
        button->setFocusPolicy(Qt::NoFocus);
        button->setStyleSheet(
            QStringLiteral("QPushButton { color: %1; border: none; background: transparent; }")
                .arg(colorCss(link)));
        connect(button, &QPushButton::clicked, this, [this, url] {
            if (openRecent_) openRecent_(url);
        });
        recentLayout_->addWidget(button, 0, Qt::AlignHCenter);
    }
}

} // namespace barquill
