#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace barquill {

// The icon for a symbolic name ("play.fill", "scissors", …): the matching freedesktop theme icon
// when the desktop has one, else a small drawing of our own in `color`, so a bare machine without
// an icon theme still shows every button's picture.
QIcon symbolIcon(const QString& name, const QColor& color = QColor(40, 40, 40));

// Our own drawing only (no theme lookup); empty for an unknown name.
QIcon drawnSymbolIcon(const QString& name, const QColor& color);

} // namespace barquill
