#include "probe/ProbeDocument.h"

#include "probe/ProbeCommand.h"

#include <QDateTime>
#include <QDir>
#include <QJsonDocument>

#include <cmath>
#include <cstdio>
#include <memory>

namespace barquill::probe {

namespace {
// QCoreApplication keeps references to these for its whole life.
int argc_ = 1;
char name_[] = "barquill-probe";
char* argv_[] = {name_, nullptr};
} // namespace

void printJson(const QJsonObject& object) {
    std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

int reportExport(const AudioStore& store) {
    if (store.errorMessage()) {
        printJson({{"errorMessage", *store.errorMessage()}});
        return 1;
    }
    if (!store.exportFlash()) {
        printJson({{"errorMessage", QStringLiteral("Nothing was exported.")}});
        return 1;
    }
    printJson({{"exportFlash", *store.exportFlash()}});
    return 0;
}

std::optional<double> numberOption(const std::vector<std::string>& args, const std::string& name,
                                   bool& malformed) {
    const std::string text = option(args, name);
    if (text.empty()) {
        // "--name" as the last argument has no value.
        if (flag(args, name)) malformed = true;
        return std::nullopt;
    }
    try {
        size_t used = 0;
        const double value = std::stod(text, &used);
        if (used == text.size() && std::isfinite(value)) return value;
    } catch (const std::exception&) {
    }
    malformed = true;
    return std::nullopt;
}

RunOnlySettings::RunOnlySettings(UserDefaults& defaults, std::vector<QString> keys) : defaults_(defaults) {
    for (auto& key : keys) {
        QVariant value = defaults_.contains(key) ? defaults_.object(key) : QVariant();
        saved_.emplace_back(std::move(key), std::move(value));
    }
}

RunOnlySettings::~RunOnlySettings() {
    for (const auto& [key, value] : saved_) {
        switch (value.typeId()) {
        case QMetaType::Bool:
            defaults_.setBoolean(key, value.toBool());
            break;
        case QMetaType::LongLong:
            defaults_.setInteger(key, value.toLongLong());
            break;
        case QMetaType::Double:
            defaults_.setDouble(key, value.toDouble());
            break;
        case QMetaType::QString:
            defaults_.setString(key, value.toString());
            break;
        case QMetaType::QByteArray:
            defaults_.setData(key, value.toByteArray());
            break;
        case QMetaType::QDateTime:
            defaults_.setDate(key, value.toDateTime());
            break;
        case QMetaType::QVariantList:
            defaults_.setArray(key, value.toList());
            break;
        default:
            // Absent before (or not understood, and so ignored by the app): absent again.
            defaults_.remove(key);
            break;
        }
    }
}

ProbeDocument::Application::Application() : app(argc_, argv_) {
    QCoreApplication::setApplicationName(QStringLiteral("Barquill"));
}

ProbeDocument::ProbeDocument()
    : settings_(defaults_), store_(&settings_, nullptr, [this] {
          auto offline = std::make_unique<OfflineAudioEngine>();
          engine_ = offline.get();
          return offline;
      }()) {}

std::optional<QString> ProbeDocument::open(const std::string& file) {
    store_.open(QString::fromStdString(file));
    if (!waitFor([&] { return !store_.isLoading() && !store_.isAnalyzing(); }))
        return QStringLiteral("Timed out while loading.");
    if (store_.errorMessage()) return store_.errorMessage();
    if (!store_.buffer()) return QStringLiteral("Nothing was loaded.");
    return std::nullopt;
}

std::optional<QString> ProbeDocument::reverse() {
    store_.toggleReverse();
    if (!waitFor([&] { return !store_.isReversing(); }))
        return QStringLiteral("Timed out while building the reverse mirror.");
    return store_.errorMessage();
}

void ProbeDocument::chooseFolder(const std::string& folder) {
    const QString path = QDir(QString::fromStdString(folder)).absolutePath();
    settings_.setExportFolderBookmark(std::nullopt);
    store_.setFolderChooser([path]() -> std::optional<QString> {
        // When it cannot be made, the export reports why it cannot write there.
        QDir().mkpath(path);
        return path;
    });
}

} // namespace barquill::probe
