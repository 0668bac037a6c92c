#include "platform/defaults/Bookmark.h"

#include <QFile>
#include <QFileInfo>

namespace barquill {

std::optional<QByteArray> createBookmark(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    const QFileInfo info(path);
    if (!info.exists()) return std::nullopt;
    return QFile::encodeName(info.absoluteFilePath());
}

std::optional<ResolvedBookmark> resolveBookmark(const QByteArray& bookmark) {
    if (bookmark.isEmpty()) return std::nullopt;
    const QString path = QFile::decodeName(bookmark);
    if (!QFileInfo::exists(path)) return std::nullopt;
    return ResolvedBookmark{path, false};
}

bool startAccessingSecurityScopedResource(const QString&) {
    return true;
}

void stopAccessingSecurityScopedResource(const QString&) {}

} // namespace barquill
