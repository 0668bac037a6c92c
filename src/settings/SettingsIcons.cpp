#include "settings/SettingsIcons.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

#include <cmath>

namespace barquill {

namespace {

QString themeName(const QString& symbolName) {
    if (symbolName == u"waveform") return QStringLiteral("audio-x-generic");
    if (symbolName == u"scissors") return QStringLiteral("edit-cut");
    if (symbolName == u"square.and.arrow.down") return QStringLiteral("document-save");
    if (symbolName == u"bolt") return QStringLiteral("weather-storm");
    if (symbolName == u"speaker.wave.2") return QStringLiteral("audio-speakers");
    return {};
}

// Drawn on a 16 x 16 grid.
void drawSymbol(QPainter& p, const QString& symbolName) {
    if (symbolName == u"waveform") {
        const int heights[] = {4, 8, 12, 6, 10, 4, 7};
        for (int i = 0; i < 7; ++i)
            p.drawLine(QPointF(2 + i * 2, 8 - heights[i] / 2.0), QPointF(2 + i * 2, 8 + heights[i] / 2.0));
    } else if (symbolName == u"scissors") {
        p.drawEllipse(QPointF(4, 12), 2, 2);
        p.drawEllipse(QPointF(12, 12), 2, 2);
        p.drawLine(QPointF(5.5, 10.5), QPointF(12, 2));
        p.drawLine(QPointF(10.5, 10.5), QPointF(4, 2));
    } else if (symbolName == u"square.and.arrow.down") {
        p.drawPolyline(QPolygonF({{5, 6}, {2, 6}, {2, 14}, {14, 14}, {14, 6}, {11, 6}}));
        p.drawLine(QPointF(8, 1), QPointF(8, 10));
        p.drawPolyline(QPolygonF({{5, 7}, {8, 10}, {11, 7}}));
    } else if (symbolName == u"bolt") {
        QPainterPath bolt;
        bolt.addPolygon(QPolygonF({{9, 1}, {3, 9}, {8, 9}, {7, 15}, {13, 7}, {8, 7}, {9, 1}}));
        p.fillPath(bolt, p.pen().color());
    } else if (symbolName == u"speaker.wave.2") {
        p.drawPolygon(QPolygonF({{2, 6}, {5, 6}, {9, 2}, {9, 14}, {5, 10}, {2, 10}}));
        p.drawArc(QRectF(8, 5, 4, 6), -60 * 16, 120 * 16);
        p.drawArc(QRectF(8, 2, 7, 12), -60 * 16, 120 * 16);
    }
}

} // namespace

QIcon settingsSectionIcon(const QString& symbolName) {
    const QIcon themed = QIcon::fromTheme(themeName(symbolName));
    if (!themed.isNull()) return themed;
    QIcon drawn;
    for (int scale : {1, 2}) {
        QPixmap pixmap(16 * scale, 16 * scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        p.setPen(QPen(QGuiApplication::palette().color(QPalette::WindowText), 1.4, Qt::SolidLine,
                      Qt::RoundCap, Qt::RoundJoin));
        drawSymbol(p, symbolName);
        p.end();
        drawn.addPixmap(pixmap);
    }
    return drawn;
}

} // namespace barquill
