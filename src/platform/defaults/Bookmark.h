#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Stand-in for security-scoped bookmarks: the bookmark of a file or folder is its absolute path as
// bytes (in the file-system encoding), and a bookmark whose path no longer exists fails to resolve.
// There is no sandbox, so starting and stopping access always grant. Interface thread or any thread.
namespace barquill {

struct ResolvedBookmark {
    QString path;
    // Whether the bookmark should be recreated; paths never go stale, but callers keep the rule.
    bool isStale = false;
};

// Nothing when the location does not exist (a bookmark can only be made of something real).
std::optional<QByteArray> createBookmark(const QString& path);

// Nothing when the bookmark is empty or its location no longer exists.
std::optional<ResolvedBookmark> resolveBookmark(const QByteArray& bookmark);

// Begin and end access to a location the user chose; always granted here.
bool startAccessingSecurityScopedResource(const QString& path);
void stopAccessingSecurityScopedResource(const QString& path);

} // namespace barquill
