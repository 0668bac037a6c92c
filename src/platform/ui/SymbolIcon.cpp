#include "platform/ui/SymbolIcon.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

namespace barquill {
namespace {

using Drawing = std::function<void(QPainter&, const QColor&)>;

// All drawings use a 16 × 16 box.
void fillPath(QPainter& p, const QColor& c, const QPainterPath& path) {
    p.fillPath(path, c);
}

QPainterPath triangle(QPointF a, QPointF b, QPointF c) {
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    return path;
}

void strokePath(QPainter& p, const QColor& c, const QPainterPath& path, double width = 1.6) {
    QPen pen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.strokePath(path, pen);
}

// An open tray with a vertical shaft from `shaftTop` to `shaftBottom`: the import/export symbols.
QPainterPath trayWithShaft(double shaftTop, double shaftBottom) {
    QPainterPath tray;
    tray.moveTo(5, 6);
    tray.lineTo(2.5, 6);
    tray.lineTo(2.5, 14.5);
    tray.lineTo(13.5, 14.5);
    tray.lineTo(13.5, 6);
    tray.lineTo(11, 6);
    tray.moveTo(8, shaftTop);
    tray.lineTo(8, shaftBottom);
    return tray;
}

QPainterPath speaker() {
    QPainterPath path;
    path.moveTo(1.5, 6);
    path.lineTo(4.5, 6);
    path.lineTo(8, 2.5);
    path.lineTo(8, 13.5);
    path.lineTo(4.5, 10);
    path.lineTo(1.5, 10);
    path.closeSubpath();
    return path;
}

const QHash<QString, Drawing>& drawings() {
    static const QHash<QString, Drawing> table = {
        {"play.fill",
         [](QPainter& p, const QColor& c) {
             fillPath(p, c, triangle({4, 2}, {14, 8}, {4, 14}));
         }},
        {"pause.fill",
         [](QPainter& p, const QColor& c) {
             p.fillRect(QRectF(3.5, 2.5, 3.2, 11), c);
             p.fillRect(QRectF(9.3, 2.5, 3.2, 11), c);
         }},
        {"stop.fill",
         [](QPainter& p, const QColor& c) {
             QPainterPath path;
             path.addRoundedRect(QRectF(3, 3, 10, 10), 1.5, 1.5);
             fillPath(p, c, path);
         }},
        {"backward.end.fill",
         [](QPainter& p, const QColor& c) {
             p.fillRect(QRectF(2.5, 3, 2, 10), c);
             fillPath(p, c, triangle({13.5, 3}, {5, 8}, {13.5, 13}));
         }},
        {"backward.fill",
         [](QPainter& p, const QColor& c) {
             fillPath(p, c, triangle({8, 3.5}, {1, 8}, {8, 12.5}));
             fillPath(p, c, triangle({15, 3.5}, {8, 8}, {15, 12.5}));
         }},
        {"speaker.fill", [](QPainter& p, const QColor& c) { fillPath(p, c, speaker()); }},
        {"speaker.wave.3.fill",
         [](QPainter& p, const QColor& c) {
             fillPath(p, c, speaker());
             for (int i = 0; i < 3; ++i) {
                 QPainterPath arc;
                 const double r = 2.5 + 2.2 * i;
                 arc.arcMoveTo(QRectF(8 - r, 8 - r, 2 * r, 2 * r), -45);
                 arc.arcTo(QRectF(8 - r, 8 - r, 2 * r, 2 * r), -45, 90);
                 strokePath(p, c, arc, 1.2);
             }
         }},
        {"chevron.left",
         [](QPainter& p, const QColor& c) {
             QPainterPath path;
             path.moveTo(10, 3);
             path.lineTo(5, 8);
             path.lineTo(10, 13);
             strokePath(p, c, path, 2);
         }},
        {"chevron.right",
         [](QPainter& p, const QColor& c) {
             QPainterPath path;
             path.moveTo(6, 3);
             path.lineTo(11, 8);
             path.lineTo(6, 13);
             strokePath(p, c, path, 2);
         }},
        {"repeat",
         [](QPainter& p, const QColor& c) {
             QPainterPath path;
             path.moveTo(2.5, 9);
             path.lineTo(2.5, 6);
             path.quadTo(2.5, 4.5, 4, 4.5);
             path.lineTo(12, 4.5);
             path.moveTo(13.5, 7);
             path.lineTo(13.5, 10);
             path.quadTo(13.5, 11.5, 12, 11.5);
             path.lineTo(4, 11.5);
             strokePath(p, c, path, 1.5);
             fillPath(p, c, triangle({11, 2}, {14.5, 4.5}, {11, 7}));
             fillPath(p, c, triangle({5, 9}, {1.5, 11.5}, {5, 14}));
         }},
        {"scissors",
         [](QPainter& p, const QColor& c) {
             QPainterPath path;
             path.moveTo(3, 2);
             path.lineTo(11, 11);
             path.moveTo(13, 2);
             path.lineTo(5, 11);
             strokePath(p, c, path, 1.5);
             QPainterPath rings;
             rings.addEllipse(QPointF(4, 12.5), 2.2, 2.2);
             rings.addEllipse(QPointF(12, 12.5), 2.2, 2.2);
             strokePath(p, c, rings, 1.4);
         }},
        {"square.and.arrow.down",
         [](QPainter& p, const QColor& c) {
             strokePath(p, c, trayWithShaft(1.5, 10), 1.4);
             fillPath(p, c, triangle({5, 8}, {8, 11.5}, {11, 8}));
         }},
        {"square.and.arrow.up",
         [](QPainter& p, const QColor& c) {
             strokePath(p, c, trayWithShaft(3.5, 11), 1.4);
             fillPath(p, c, triangle({5, 4.5}, {8, 1}, {11, 4.5}));
         }},
        {"bolt.fill",
         [](QPainter& p, const QColor& c) {
             QPainterPath path;
             path.moveTo(9.5, 1);
             path.lineTo(3, 9);
             path.lineTo(7.5, 9);
             path.lineTo(6.5, 15);
             path.lineTo(13, 7);
             path.lineTo(8.5, 7);
             path.closeSubpath();
             fillPath(p, c, path);
         }},
        {"bolt",
         [](QPainter& p, const QColor& c) {
             QPainterPath path;
             path.moveTo(9.5, 1);
             path.lineTo(3, 9);
             path.lineTo(7.5, 9);
             path.lineTo(6.5, 15);
             path.lineTo(13, 7);
             path.lineTo(8.5, 7);
             path.closeSubpath();
             strokePath(p, c, path, 1.2);
         }},
        {"waveform",
         [](QPainter& p, const QColor& c) {
             const double heights[] = {3, 7, 11, 6, 13, 8, 4};
             for (int i = 0; i < 7; ++i) {
                 QPainterPath bar;
                 bar.addRoundedRect(QRectF(1.3 + i * 2.05, 8 - heights[i] / 2, 1.3, heights[i]), 0.6, 0.6);
                 fillPath(p, c, bar);
             }
         }},
        {"magnifyingglass",
         [](QPainter& p, const QColor& c) {
             QPainterPath path;
             path.addEllipse(QPointF(6.5, 6.5), 4.3, 4.3);
             path.moveTo(9.7, 9.7);
             path.lineTo(14, 14);
             strokePath(p, c, path, 1.8);
         }},
    };
    return table;
}

// Freedesktop names for the symbols that have a close equivalent.
const QHash<QString, QString>& themeNames() {
    static const QHash<QString, QString> table = {
        {"play.fill", "media-playback-start"},
        {"pause.fill", "media-playback-pause"},
        {"stop.fill", "media-playback-stop"},
        {"backward.end.fill", "media-skip-backward"},
        {"backward.fill", "media-seek-backward"},
        {"speaker.fill", "audio-volume-low"},
        {"speaker.wave.3.fill", "audio-volume-high"},
        {"chevron.left", "go-previous"},
        {"chevron.right", "go-next"},
        {"repeat", "media-playlist-repeat"},
        {"scissors", "edit-cut"},
        {"square.and.arrow.down", "document-save"},
        {"magnifyingglass", "edit-find"},
    };
    return table;
}

} // namespace

QIcon drawnSymbolIcon(const QString& name, const QColor& color) {
    const auto found = drawings().find(name);
    if (found == drawings().end()) return {};
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        (*found)(painter, color);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon symbolIcon(const QString& name, const QColor& color) {
    const QIcon drawn = drawnSymbolIcon(name, color);
    const auto theme = themeNames().find(name);
    if (theme != themeNames().end() && QIcon::hasThemeIcon(*theme)) return QIcon::fromTheme(*theme, drawn);
    return drawn;
}

} // namespace barquill
