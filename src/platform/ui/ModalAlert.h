#pragma once

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

namespace barquill {

// Shows a modal warning with one OK button and returns once the user dismissed it.
// Windows hold one of these so tests can answer alerts without a real dialog.
using AlertPresenter = std::function<void(QWidget* parent, const QString& title, const QString& message)>;

// Lets a box's informative message run on one line up to a readable width instead of wrapping
// to the width of its title.
void widenForMessage(QMessageBox& box);

// The real alert: a QMessageBox.
AlertPresenter messageBoxAlert();

} // namespace barquill
