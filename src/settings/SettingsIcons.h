#pragma once

#include <QIcon>
#include <QString>

namespace barquill {

// The icon for one of the settings window's section symbols ("waveform", "scissors",
// "square.and.arrow.down", "bolt"): the icon theme's matching icon when there is one, otherwise a small
// drawing of our own (a bare machine has no icon theme).
QIcon settingsSectionIcon(const QString& symbolName);

} // namespace barquill
