#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QUrl>

#include <functional>
#include <optional>

namespace barquill {

// One entry of the recent-file list: the file's location and its bookmark (absent when none could be
// made, in which case the entry is not stored).
struct RecentItem {
    QUrl url;
    std::optional<QByteArray> bookmark;

    bool operator==(const RecentItem&) const = default;
};

inline size_t qHash(const RecentItem& item, size_t seed = 0) {
    return qHashMulti(seed, item.url, item.bookmark.has_value(), item.bookmark.value_or(QByteArray()));
}

} // namespace barquill

template <> struct std::hash<barquill::RecentItem> {
    size_t operator()(const barquill::RecentItem& item) const noexcept { return barquill::qHash(item); }
};
