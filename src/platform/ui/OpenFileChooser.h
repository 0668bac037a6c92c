#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace barquill {

// Asks the user for exactly one file to open; none when cancelled. Injectable for tests.
using OpenFileChooser = std::function<std::optional<QString>(QWidget* parent)>;

// The real chooser: a QFileDialog listing audio and video files plus .opus.
OpenFileChooser fileDialogChooser();

// The name filter of the open dialog.
QString audioVideoNameFilter();

} // namespace barquill
