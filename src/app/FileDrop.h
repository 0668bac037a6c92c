#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace barquill {

// The message for a file whose extension is not accepted, or none when it is.
// For notes.txt: Unsupported type “.txt”. Use mp3/m4a/mp4/wav/aif/flac/opus.
std::optional<QString> unsupportedTypeMessage(const QString& path);

// The local file of the first dropped item; none when the first item is not a local file.
std::optional<QString> firstDroppedFile(const QList<QUrl>& urls);

} // namespace barquill
