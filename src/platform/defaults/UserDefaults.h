#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <optional>

namespace barquill {

// The per-user preference store: typed values under string keys, kept in one JSON file.
//
// Every change is written to disk in the same call (QSaveFile: a temporary file renamed over the old
// one), so the file always holds the last value set and a crash never leaves half a file. A file that
// cannot be read or parsed is renamed to "<name>.corrupt" and the store starts empty; callers then fall
// back to their defaults.
//
// Used on the interface thread only. One instance per file: the application owns one and lends it to
// the settings, the recent-file list and the update check (two instances on one file would overwrite
// each other's keys).
class UserDefaults {
public:
    // The stored value types. Arrays hold values of these types too.
    enum class Type { None, Boolean, Integer, Double, String, Data, Date, Array };

    // The file "defaults.json" in the application's config folder (~/.config/Barquill when the
    // application name is "Barquill" and the organisation is empty).
    UserDefaults();
    explicit UserDefaults(const QString& filePath);

    static QString standardFilePath();

    const QString& filePath() const { return filePath_; }
    // Why the file was set aside at load, or empty when it loaded (or did not exist).
    const QString& loadProblem() const { return loadProblem_; }
    // Why the last write failed, or empty when it succeeded.
    const QString& lastWriteError() const { return lastWriteError_; }

    bool contains(const QString& key) const { return root_.contains(key); }
    Type type(const QString& key) const;

    // The raw stored value: bool, qint64, double, QString, QByteArray, QDateTime or QVariantList of
    // those; an invalid QVariant when the key is missing or its entry is not understood.
    QVariant object(const QString& key) const;

    // Typed reads in the manner of a preference store: a missing key or a value of another type gives
    // nothing (strings also read numbers as their decimal text).
    std::optional<bool> boolean(const QString& key) const;
    std::optional<QString> string(const QString& key) const;
    std::optional<QByteArray> data(const QString& key) const;
    std::optional<QDateTime> date(const QString& key) const;
    // A number when the value is an integer or a double (a Boolean is not a number).
    std::optional<double> number(const QString& key) const;
    // Integers as stored, doubles truncated, Booleans as 0/1, strings parsed; anything else and a
    // missing key read 0.
    qint64 integer(const QString& key) const;

    // Each write stores the value and saves the file at once; false when the file could not be saved
    // (the value is still held in memory for this run).
    bool setBoolean(const QString& key, bool value);
    bool setInteger(const QString& key, qint64 value);
    bool setDouble(const QString& key, double value);
    bool setString(const QString& key, const QString& value);
    bool setData(const QString& key, const QByteArray& value);
    bool setDate(const QString& key, const QDateTime& value);
    // Elements must be of the value types above; others are skipped.
    bool setArray(const QString& key, const QVariantList& values);
    bool remove(const QString& key);

private:
    void load();
    bool put(const QString& key, const QJsonValue& entry);
    bool save();

    QString filePath_;
    QJsonObject root_;
    QString loadProblem_;
    QString lastWriteError_;
};

} // namespace barquill
