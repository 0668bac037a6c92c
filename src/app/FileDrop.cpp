#include "app/FileDrop.h"

#include "store/AudioStore.h"

#include <QFileInfo>

namespace barquill {

std::optional<QString> unsupportedTypeMessage(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toLower();
    if (AudioStore::acceptedExtensions().contains(extension)) return std::nullopt;
    return QStringLiteral("Unsupported type “.") + extension +
           QStringLiteral("”. Use mp3/m4a/mp4/wav/aif/flac/opus.");
}

std::optional<QString> firstDroppedFile(const QList<QUrl>& urls) {
    if (urls.isEmpty() || !urls.first().isLocalFile()) return std::nullopt;
    return urls.first().toLocalFile();
}

} // namespace barquill
