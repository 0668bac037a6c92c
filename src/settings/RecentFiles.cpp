#include "settings/RecentFiles.h"

#include "platform/defaults/Bookmark.h"
#include "platform/defaults/UserDefaults.h"

#include <QFile>
#include <QFileInfo>

namespace barquill {

RecentFiles::RecentFiles(UserDefaults& defaults, QObject* parent) : QObject(parent), defaults_(defaults) {
    load();
}

void RecentFiles::load() {
    const QVariant stored = defaults_.object(QString::fromLatin1(defaultsKey));
    if (stored.typeId() != QMetaType::QVariantList) return;
    const QVariantList list = stored.toList();
    // A list with anything but byte strings in it was not written by us: ignore all of it.
    for (const QVariant& element : list)
        if (element.typeId() != QMetaType::QByteArray) return;
    for (qsizetype i = 0; i < list.size() && i < maxItems; ++i) {
        const QByteArray bookmark = list[i].toByteArray();
        if (auto resolved = resolveBookmark(bookmark))
            items_.append(RecentItem{QUrl::fromLocalFile(resolved->path), bookmark});
    }
}

void RecentFiles::add(const QString& path) {
    add(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

void RecentFiles::add(const std::string& path) {
    add(QFile::decodeName(QByteArray::fromStdString(path)));
}

void RecentFiles::add(const QUrl& url) {
    const QString path = url.toLocalFile();
    RecentItem item{url, createBookmark(path)};
    items_.removeIf([&](const RecentItem& existing) { return existing.url.toLocalFile() == path; });
    items_.prepend(std::move(item));
    if (items_.size() > maxItems) items_.resize(maxItems);
    emit itemsChanged();

    QVariantList bookmarks;
    for (const RecentItem& entry : items_)
        if (entry.bookmark) bookmarks.append(*entry.bookmark);
    defaults_.setArray(QString::fromLatin1(defaultsKey), bookmarks);
}

void RecentFiles::clear() {
    items_.clear();
    emit itemsChanged();
    defaults_.remove(QString::fromLatin1(defaultsKey));
}

} // namespace barquill
