#pragma once

#include "settings/RecentItem.h"

#include <QList>
#include <QObject>
#include <QString>

#include <string>

namespace barquill {

class UserDefaults;

// The last opened audio files, newest first, at most `maxItems`, for the "Open Recent" menu.
//
// One instance for the whole process, created by the application on the interface thread and used only
// there. The list is stored in the borrowed UserDefaults as an array of bookmarks under `defaultsKey`;
// each change is written at once. Entries whose file is gone are dropped when the list is loaded.
class RecentFiles : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<barquill::RecentItem> items READ items NOTIFY itemsChanged)

public:
    static constexpr auto defaultsKey = "Barquill.recentFileBookmarks";
    static constexpr int maxItems = 15;

    // Loads the stored list from `defaults`, which must outlive this object. Nothing is written back.
    explicit RecentFiles(UserDefaults& defaults, QObject* parent = nullptr);

    const QList<RecentItem>& items() const { return items_; }

    // Records an opened file at the front, replacing an entry with the same path string.
    void add(const QUrl& url);
    void add(const QString& path);
    void add(const std::string& path);
    // Empties the list and removes the stored key.
    void clear();

signals:
    void itemsChanged();

private:
    void load();

    UserDefaults& defaults_;
    QList<RecentItem> items_;
};

} // namespace barquill
