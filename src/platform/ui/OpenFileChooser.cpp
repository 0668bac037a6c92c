#include "platform/ui/OpenFileChooser.h"

#include <QFileDialog>
#include <QMimeDatabase>
#include <QSet>
#include <QStringList>

#include <algorithm>

namespace barquill {

QString audioVideoNameFilter() {
    // Every audio and video type the desktop's MIME database knows, plus .opus, which some
    // databases file under a generic container type.
    QSet<QString> patterns{QStringLiteral("*.opus")};
    for (const QMimeType& type : QMimeDatabase().allMimeTypes()) {
        const QString name = type.name();
        if (!name.startsWith(QLatin1String("audio/")) && !name.startsWith(QLatin1String("video/"))) continue;
        for (const QString& pattern : type.globPatterns())
            patterns.insert(pattern);
    }
    for (const char* ext : {"mp3", "m4a", "mp4", "m4v", "wav", "wave", "aif", "aiff", "flac", "ogg", "caf"})
        patterns.insert(QStringLiteral("*.") + QLatin1String(ext));
    QStringList sorted(patterns.begin(), patterns.end());
    std::sort(sorted.begin(), sorted.end());
    return QStringLiteral("Audio and video (%1)").arg(sorted.join(QLatin1Char(' ')));
}

OpenFileChooser fileDialogChooser() {
    return [](QWidget* parent) -> std::optional<QString> {
        QFileDialog dialog(parent);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setNameFilter(audioVideoNameFilter());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return dialog.selectedFiles().first();
    };
}

} // namespace barquill
