#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace barquill {

// Shows a modal warning with one OK button and returns once the user dismissed it.
// Windows hold one of these so tests can answer alerts without a real dialog.
using AlertPresenter = std::function<void(QWidget* parent, const QString& title, const QString& message)>;

// The real alert: a QMessageBox.
AlertPresenter messageBoxAlert();

} // namespace barquill
