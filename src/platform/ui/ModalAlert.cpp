#include "platform/ui/ModalAlert.h"

#include <QMessageBox>

namespace barquill {

AlertPresenter messageBoxAlert() {
    return [](QWidget* parent, const QString& title, const QString& message) {
        QMessageBox box(QMessageBox::Warning, title, title, QMessageBox::Ok, parent);
        box.setInformativeText(message);
        box.exec();
    };
}

} // namespace barquill
