#include "settings/ExportFolderDialog.h"

#include <QFileDialog>

namespace barquill {

std::optional<QString> runExportFolderDialog(QWidget* parent) {
    QFileDialog dialog(parent);
    // Qt's own dialog, so the button and message texts are the ones given here on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Choose"));
    dialog.setWindowTitle(QStringLiteral("Choose where sliced WAVs are exported"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace barquill
