#include "platform/defaults/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

#include <cmath>
#include <limits>

namespace barquill {

namespace {

// Each stored value is a one-member object whose name is the value's type, so that Booleans, integers,
// doubles, byte strings and dates survive the trip through JSON unchanged.
constexpr auto tagBoolean = "bool";
constexpr auto tagInteger = "integer";
constexpr auto tagDouble = "double";
constexpr auto tagString = "string";
constexpr auto tagData = "data";
constexpr auto tagDate = "date";
constexpr auto tagArray = "array";

struct Entry {
    UserDefaults::Type type = UserDefaults::Type::None;
    QJsonValue value;
};

Entry entryOf(const QJsonValue& stored) {
    if (!stored.isObject()) return {};
    const QJsonObject object = stored.toObject();
    if (object.size() != 1) return {};
    const QString tag = object.begin().key();
    const QJsonValue value = object.begin().value();
    using T = UserDefaults::Type;
    if (tag == QLatin1String(tagBoolean) && value.isBool()) return {T::Boolean, value};
    if (tag == QLatin1String(tagInteger) && value.isDouble()) return {T::Integer, value};
    if (tag == QLatin1String(tagDouble) && value.isDouble()) return {T::Double, value};
    if (tag == QLatin1String(tagString) && value.isString()) return {T::String, value};
    if (tag == QLatin1String(tagData) && value.isString()) return {T::Data, value};
    if (tag == QLatin1String(tagDate) && value.isString()) return {T::Date, value};
    if (tag == QLatin1String(tagArray) && value.isArray()) return {T::Array, value};
    return {};
}

std::optional<QByteArray> decodeData(const QJsonValue& value) {
    auto decoded =
        QByteArray::fromBase64Encoding(value.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) return std::nullopt;
    return *decoded;
}

std::optional<QDateTime> decodeDate(const QJsonValue& value) {
    const QDateTime date = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    if (!date.isValid()) return std::nullopt;
    return date;
}

QVariant decode(const QJsonValue& stored) {
    const Entry entry = entryOf(stored);
    using T = UserDefaults::Type;
    switch (entry.type) {
    case T::Boolean:
        return entry.value.toBool();
    case T::Integer:
        return static_cast<qint64>(entry.value.toInteger());
    case T::Double:
        return entry.value.toDouble();
    case T::String:
        return entry.value.toString();
    case T::Data:
        if (auto bytes = decodeData(entry.value)) return *bytes;
        return {};
    case T::Date:
        if (auto date = decodeDate(entry.value)) return *date;
        return {};
    case T::Array: {
        QVariantList list;
        for (const QJsonValue& element : entry.value.toArray())
            list.append(decode(element));
        return list;
    }
    case T::None:
        break;
    }
    return {};
}

QJsonObject tagged(const char* tag, const QJsonValue& value) {
    return QJsonObject{{QLatin1String(tag), value}};
}

QJsonValue encodeDate(const QDateTime& value) {
    return tagged(tagDate, value.toUTC().toString(Qt::ISODateWithMs));
}

QJsonValue encodeData(const QByteArray& value) {
    return tagged(tagData, QString::fromLatin1(value.toBase64()));
}

// Null for a variant that is not one of the stored types.
QJsonValue encode(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return tagged(tagBoolean, value.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return tagged(tagInteger, value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return tagged(tagDouble, value.toDouble());
    case QMetaType::QString:
        return tagged(tagString, value.toString());
    case QMetaType::QByteArray:
        return encodeData(value.toByteArray());
    case QMetaType::QDateTime:
        return encodeDate(value.toDateTime());
    case QMetaType::QVariantList: {
        QJsonArray array;
        for (const QVariant& element : value.toList()) {
            const QJsonValue encoded = encode(element);
            if (!encoded.isNull()) array.append(encoded);
        }
        return tagged(tagArray, array);
    }
    default:
        return QJsonValue();
    }
}

// Leading blanks, an optional sign and the digits that follow; 0 when there are none, saturated on
// overflow.
qint64 leadingInteger(const QString& text) {
    const QString trimmed = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == u'+' || trimmed[i] == u'-')) negative = trimmed[i++] == u'-';
    qint64 value = 0;
    constexpr qint64 limit = std::numeric_limits<qint64>::max();
    for (; i < trimmed.size() && trimmed[i] >= u'0' && trimmed[i] <= u'9'; ++i) {
        const int digit = trimmed[i].unicode() - u'0';
        if (value > (limit - digit) / 10) return negative ? std::numeric_limits<qint64>::min() : limit;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

qint64 truncatedInteger(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9.2233720368547758e18) return std::numeric_limits<qint64>::max();
    if (value <= -9.2233720368547758e18) return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(value);
}

// A free name next to the file for setting a bad file aside: "<name>.corrupt", then "<name>.corrupt.2"...
QString asideName(const QString& filePath) {
    QString candidate = filePath + QStringLiteral(".corrupt");
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = filePath + QStringLiteral(".corrupt.%1").arg(n);
    return candidate;
}

} // namespace

UserDefaults::UserDefaults() : UserDefaults(standardFilePath()) {}

UserDefaults::UserDefaults(const QString& filePath) : filePath_(filePath) {
    load();
}

QString UserDefaults::standardFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/defaults.json");
}

void UserDefaults::load() {
    QFile file(filePath_);
    if (!file.exists()) return;
    QString problem;
    if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("could not be read (%1)").arg(file.errorString());
    } else {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
        file.close();
        if (error.error != QJsonParseError::NoError)
            problem = QStringLiteral("is not valid JSON (%1 at offset %2)")
                          .arg(error.errorString())
                          .arg(error.offset);
        else if (!document.isObject())
            problem = QStringLiteral("does not hold a JSON object");
        else
            root_ = document.object();
    }
    if (problem.isEmpty()) return;

    // Keep the bad file for the user to inspect instead of overwriting it with the next change.
    const QString aside = asideName(filePath_);
    if (QFile::rename(filePath_, aside))
        loadProblem_ = QStringLiteral("The preferences file %1 %2; it was moved to %3 and defaults are used.")
                           .arg(filePath_, problem, aside);
    else
        loadProblem_ =
            QStringLiteral("The preferences file %1 %2 and could not be moved aside; defaults are used.")
                .arg(filePath_, problem);
}

UserDefaults::Type UserDefaults::type(const QString& key) const {
    return entryOf(root_.value(key)).type;
}

QVariant UserDefaults::object(const QString& key) const {
    if (!root_.contains(key)) return {};
    return decode(root_.value(key));
}

std::optional<bool> UserDefaults::boolean(const QString& key) const {
    const Entry entry = entryOf(root_.value(key));
    if (entry.type != Type::Boolean) return std::nullopt;
    return entry.value.toBool();
}

std::optional<QString> UserDefaults::string(const QString& key) const {
    const Entry entry = entryOf(root_.value(key));
    switch (entry.type) {
    case Type::String:
        return entry.value.toString();
    case Type::Integer:
        return QString::number(entry.value.toInteger());
    case Type::Double:
        return QString::number(entry.value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case Type::Boolean:
        return entry.value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return std::nullopt;
    }
}

std::optional<QByteArray> UserDefaults::data(const QString& key) const {
    const Entry entry = entryOf(root_.value(key));
    if (entry.type != Type::Data) return std::nullopt;
    return decodeData(entry.value);
}

std::optional<QDateTime> UserDefaults::date(const QString& key) const {
    const Entry entry = entryOf(root_.value(key));
    if (entry.type != Type::Date) return std::nullopt;
    return decodeDate(entry.value);
}

std::optional<double> UserDefaults::number(const QString& key) const {
    const Entry entry = entryOf(root_.value(key));
    if (entry.type == Type::Integer) return static_cast<double>(entry.value.toInteger());
    if (entry.type == Type::Double) return entry.value.toDouble();
    return std::nullopt;
}

qint64 UserDefaults::integer(const QString& key) const {
    const Entry entry = entryOf(root_.value(key));
    switch (entry.type) {
    case Type::Integer:
        return entry.value.toInteger();
    case Type::Double:
        return truncatedInteger(entry.value.toDouble());
    case Type::Boolean:
        return entry.value.toBool() ? 1 : 0;
    case Type::String:
        return leadingInteger(entry.value.toString());
    default:
        return 0;
    }
}

bool UserDefaults::setBoolean(const QString& key, bool value) {
    return put(key, tagged(tagBoolean, value));
}

bool UserDefaults::setInteger(const QString& key, qint64 value) {
    return put(key, tagged(tagInteger, value));
}

bool UserDefaults::setDouble(const QString& key, double value) {
    return put(key, tagged(tagDouble, value));
}

bool UserDefaults::setString(const QString& key, const QString& value) {
    return put(key, tagged(tagString, value));
}

bool UserDefaults::setData(const QString& key, const QByteArray& value) {
    return put(key, encodeData(value));
}

bool UserDefaults::setDate(const QString& key, const QDateTime& value) {
    return put(key, encodeDate(value));
}

bool UserDefaults::setArray(const QString& key, const QVariantList& values) {
    return put(key, encode(QVariant(values)));
}

bool UserDefaults::remove(const QString& key) {
    if (!root_.contains(key)) return true;
    root_.remove(key);
    return save();
}

bool UserDefaults::put(const QString& key, const QJsonValue& entry) {
    // The file already holds exactly this value: nothing to write.
    if (root_.contains(key) && root_.value(key) == entry) return true;
    root_.insert(key, entry);
    return save();
}

bool UserDefaults::save() {
    const QFileInfo info(filePath_);
    if (!QDir().mkpath(info.absolutePath())) {
        lastWriteError_ = QStringLiteral("Could not create the folder %1").arg(info.absolutePath());
        return false;
    }
    // QSaveFile writes a temporary file beside the target and renames it over the target on commit; on
    // failure the temporary file is removed and the old file stays intact.
    QSaveFile file(filePath_);
    if (!file.open(QIODevice::WriteOnly)) {
        lastWriteError_ = QStringLiteral("Could not write %1: %2").arg(filePath_, file.errorString());
        return false;
    }
    file.write(QJsonDocument(root_).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        lastWriteError_ = QStringLiteral("Could not write %1: %2").arg(filePath_, file.errorString());
        return false;
    }
    lastWriteError_.clear();
    return true;
}

} // namespace barquill
