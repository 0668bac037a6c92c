#include "app/StatusBarView.h"

#include "app/ElidedLabel.h"

#include "buffer/TimeFormat.h"
#include "store/AudioStore.h"
#include "waveform/LoopDrag.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>

#include <cmath>

namespace barquill {
namespace {

const QColor dotGreen(52, 199, 89);
const QColor dotBlue(0, 122, 255);
const QColor dotGray(142, 142, 147);
const QColor errorRed(215, 0, 21);
const QColor bannerGreen(36, 138, 61);

QString cssColor(const QColor& color) {
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF());
}

class DotWidget : public QWidget {
public:
    explicit DotWidget(QWidget* parent) : QWidget(parent) { setFixedSize(10, 10); }
    QColor color = dotGray;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(QRectF(1, 1, 8, 8));
    }
};

} // namespace

StatusBarView::StatusBarView(AudioStore* store, QWidget* parent) : QWidget(parent), store_(store) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 5, 12, 5);
    layout->setSpacing(10);
    dotWidget_ = new DotWidget(this);
    fileName_ = new ElidedLabel(this);
    // The file name is a grip: dragging it hands the loop to other applications as a WAV.
    fileName_->setCursor(Qt::OpenHandCursor);
    fileName_->setToolTip(QStringLiteral("Drag to drop the loop as a WAV into another app"));
    new LoopDragSource(fileName_, store_, [](const QMouseEvent&) { return true; });
    QFont medium = fileName_->font();
    medium.setWeight(QFont::Medium);
    fileName_->setFont(medium);
    details_ = new ElidedLabel(this);
    position_ = new QLabel(this);
    position_->setFont(QFont(QStringLiteral("monospace"), position_->font().pointSize()));
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 0);
    progress_->setTextVisible(false);
    progress_->setFixedSize(48, 6);
    message_ = new ElidedLabel(this);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(dotWidget_);
    layout->addWidget(fileName_);
    layout->addWidget(details_);
    layout->addWidget(position_);
    layout->addWidget(progress_);
    // The message takes whatever room is left, right-aligned.
    message_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    message_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(message_, 1);

    for (auto signal :
         {&AudioStore::infoChanged, &AudioStore::isLoadingChanged, &AudioStore::isPlayingChanged,
          &AudioStore::errorMessageChanged, &AudioStore::exportFlashChanged, &AudioStore::analysisNoteChanged,
          &AudioStore::durationChanged, &AudioStore::outputNoteChanged})
        connect(store_, signal, this, &StatusBarView::refresh);
    connect(store_, &AudioStore::currentTimeChanged, this, &StatusBarView::refreshPosition);
    refresh();
}

QString StatusBarView::formatFileSize(int64_t bytes) {
    if (bytes <= 0) return QStringLiteral("Zero KB");
    if (bytes == 1) return QStringLiteral("1 byte");
    if (bytes < 1000) return QStringLiteral("%1 bytes").arg(bytes);
    const double value = static_cast<double>(bytes);
    if (value < 1e6) return QStringLiteral("%1 KB").arg(std::llround(value / 1e3));
    if (value < 1e9) return QStringLiteral("%1 MB").arg(value / 1e6, 0, 'f', 1);
    if (value < 1e12) return QStringLiteral("%1 GB").arg(value / 1e9, 0, 'f', 2);
    return QStringLiteral("%1 TB").arg(value / 1e12, 0, 'f', 2);
}

void StatusBarView::refresh() {
    dot_ = store_->isPlaying() ? Dot::green : (store_->buffer() ? Dot::blue : Dot::gray);
    static_cast<DotWidget*>(dotWidget_)->color = dot_ == Dot::green  ? dotGreen
                                                 : dot_ == Dot::blue ? dotBlue
                                                                     : dotGray;
    dotWidget_->update();

    QColor secondary = palette().color(QPalette::WindowText);
    secondary.setAlphaF(0.55f);
    if (const auto& info = store_->info()) {
        fileName_->setFullText(info->fileName);
        fileName_->setVisible(true);
        const QStringList parts = {
            QString::asprintf("%.1f kHz", info->sampleRate / 1000),
            QString::number(info->channelCount) + QStringLiteral("ch"),
            QString::fromStdString(formatTime(info->duration)),
            QString::number(info->frameLength) + QStringLiteral(" frames"),
            formatFileSize(info->fileSizeBytes),
        };
        details_->setFullText(parts.join(QStringLiteral("   ")));
        details_->setStyleSheet(QString());
    } else {
        fileName_->setVisible(false);
        if (store_->isLoading()) {
            details_->setFullText(QStringLiteral("Decoding…"));
            details_->setStyleSheet(QString());
        } else {
            details_->setFullText(QStringLiteral("No file — drop audio to start"));
            details_->setStyleSheet(QStringLiteral("color: %1;").arg(cssColor(secondary)));
        }
    }
    progress_->setVisible(store_->isLoading());

    if (const auto& error = store_->errorMessage()) {
        message_->setFullText(*error);
        messageColor_ = errorRed;
    } else if (const auto& flash = store_->exportFlash()) {
        message_->setFullText(*flash);
        messageColor_ = bannerGreen;
    } else if (const auto& note = store_->outputNote()) {
        message_->setText(*note);
        messageColor_ = secondary;
    } else {
        message_->setFullText(store_->analysisNote());
        messageColor_ = secondary;
    }
    message_->setStyleSheet(QStringLiteral("color: %1;").arg(cssColor(messageColor_)));
    reserveMessageRoom();
    refreshPosition();
}

void StatusBarView::reserveMessageRoom() {
    // What happened (an error, a banner, the tempo) matters more than the file's details: the
    // message keeps its whole line up to most of the bar, and the details give way first.
    const int most = width() * 3 / 5;
    const int wanted = std::min(message_->fullTextWidth(), most);
    if (message_->minimumWidth() != wanted) message_->setMinimumWidth(wanted);
}

void StatusBarView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    reserveMessageRoom();
}

void StatusBarView::refreshPosition() {
    const bool shown = store_->info().has_value() || store_->isLoading();
    position_->setVisible(shown);
    if (shown)
        position_->setText(QString::fromStdString(formatTime(store_->currentTime())) + QStringLiteral(" / ") +
                           QString::fromStdString(formatTime(store_->duration())));
}

QString StatusBarView::detailsText() const {
    if (fileName_->isVisibleTo(const_cast<StatusBarView*>(this)) && !fileName_->fullText().isEmpty())
        return fileName_->fullText() + QStringLiteral("   ") + details_->fullText();
    return details_->fullText();
}

QString StatusBarView::positionText() const {
    return position_->isVisibleTo(const_cast<StatusBarView*>(this)) ? position_->text() : QString();
}

QString StatusBarView::messageText() const {
    return message_->fullText();
}
QString StatusBarView::shownMessageText() const {
    return message_->text();
}
QString StatusBarView::messageToolTip() const {
    return message_->toolTip();
}
QColor StatusBarView::messageColor() const {
    return messageColor_;
}
bool StatusBarView::isShowingProgress() const {
    return progress_->isVisibleTo(const_cast<StatusBarView*>(this));
}

} // namespace barquill
