#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace barquill {

// Asks for a folder; nothing when the user cancels. Runs modally on the interface thread.
using FolderChooser = std::function<std::optional<QString>(QWidget* parent)>;

// The modal folder chooser for the export destination: one directory, new folders allowed, button
// "Choose", message "Choose where sliced WAVs are exported".
std::optional<QString> runExportFolderDialog(QWidget* parent);

} // namespace barquill
