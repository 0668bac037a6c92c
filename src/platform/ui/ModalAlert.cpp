#include "platform/ui/ModalAlert.h"

#include <QLabel>
#include <QMessageBox>

#include <algorithm>

namespace barquill {

namespace {
// Wider messages wrap; a line longer than this is tiring to read.
constexpr int maxMessageWidth = 560;
} // namespace

void widenForMessage(QMessageBox& box) {
    // The box sizes itself by its short title and would wrap even a one-line message into a
    // narrow column: the message gets the room of its own line, up to a readable width.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        const int oneLine = label->fontMetrics().horizontalAdvance(label->text()) + 2;
        label->setMinimumWidth(std::min(oneLine, maxMessageWidth));
    }
}

AlertPresenter messageBoxAlert() {
    return [](QWidget* parent, const QString& title, const QString& message) {
        QMessageBox box(QMessageBox::Warning, title, title, QMessageBox::Ok, parent);
        box.setInformativeText(message);
        widenForMessage(box);
        box.exec();
    };
}

} // namespace barquill
