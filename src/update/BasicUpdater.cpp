#include "update/BasicUpdater.h"

#include "platform/defaults/UserDefaults.h"
#include "update/AppVersion.h"

#include <QAbstractNetworkCache>
#include <QDesktopServices>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>

#include <cstdio>
#include <optional>
#include <variant>

namespace barquill {

namespace {

// One diagnostic line on standard output, flushed so it is not lost if the process ends soon after.
void writeLine(const QString& line) {
    const QByteArray text = line.toUtf8() + '\n';
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}

QString oneLine(QString text) {
    return text.replace(u'\n', u' ').replace(u'\r', u' ');
}

// A usable absolute address, or nothing.
std::optional<QUrl> validUrl(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative()) return std::nullopt;
    return url;
}

// The update manifest: all three keys are required and must be strings.
struct Updater {
    QString product;
    QString version;
    QString file;
};

// The manifest, or the reason it does not decode.
std::variant<Updater, QString> decodeUpdater(const QByteArray& body) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return QStringLiteral("the manifest is not valid JSON (%1 at offset %2)")
            .arg(error.errorString())
            .arg(error.offset);
    if (!document.isObject()) return QStringLiteral("the manifest is not a JSON object");
    const QJsonObject object = document.object();
    Updater manifest;
    for (auto [name, field] : {std::pair{"product", &manifest.product},
                               std::pair{"version", &manifest.version}, std::pair{"file", &manifest.file}}) {
        const QJsonValue value = object.value(QLatin1String(name));
        if (value.isUndefined())
            return QStringLiteral("the manifest has no \"%1\" key").arg(QLatin1String(name));
        if (!value.isString())
            return QStringLiteral("the manifest's \"%1\" is not a string").arg(QLatin1String(name));
        *field = value.toString();
    }
    return manifest;
}

} // namespace

QString BasicUpdater::defaultBaseUrl() {
    return QStringLiteral(BARQUILL_UPDATE_BASE_URL);
}

BasicUpdater::BasicUpdater(QString baseUrl, int backOffDays, UserDefaults& defaults, QObject* parent)
    : QObject(parent), baseUrl_(std::move(baseUrl)), backOffDays_(backOffDays), defaults_(defaults),
      applicationVersion_(QString::fromUtf8(appVersion)),
      openUrl_([](const QUrl& url) { QDesktopServices::openUrl(url); }) {}

void BasicUpdater::checkForUpdate() {
    QMetaObject::invokeMethod(this, &BasicUpdater::runCheck, Qt::QueuedConnection);
}

bool BasicUpdater::askToDownload(const QString& version) {
    QMessageBox box;
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(QStringLiteral("Update Available"));
    box.setText(QStringLiteral("Update Available"));
    box.setInformativeText(
        QStringLiteral("A new version (%1) is available. Would you like to download it?").arg(version));
    QPushButton* download = box.addButton(QStringLiteral("Download"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(download);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == download;
}

void BasicUpdater::runCheck() {
    // A build without a download site has nothing to ask.
    if (baseUrl_.isEmpty()) return finish();

    const QString key = QString::fromLatin1(lastCheckKey);
    const QDateTime last =
        defaults_.date(key).value_or(QDateTime::fromMSecsSinceEpoch(0, Qt::UTC).addYears(-1000));
    const QDateTime cutoff = QDateTime::currentDateTime().addDays(-backOffDays_);
    if (!(last < cutoff)) {
        writeLine(QStringLiteral("BasicUpdater: backed off, less than %1 days.").arg(backOffDays_));
        return finish();
    }

    writeLine(QStringLiteral("BasicUpdater: checking for update at %1...").arg(baseUrl_));
    const auto manifestUrl = validUrl(baseUrl_ + QStringLiteral("/updater.json"));
    if (!manifestUrl) return finish();

    if (!network_) network_ = new QNetworkAccessManager(this);
    // Always ask the server: a cached manifest could hide a new release.
    if (QAbstractNetworkCache* cache = network_->cache()) cache->clear();
    QNetworkRequest request(*manifestUrl);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(60000);
    QNetworkReply* reply = network_->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { handleReply(reply); });
}

void BasicUpdater::handleReply(QNetworkReply* reply) {
    reply->deleteLater();
    // Failures leave the stored date alone, so the next start tries again.
    if (reply->error() != QNetworkReply::NoError) {
        writeLine(QStringLiteral("BasicUpdater: %1").arg(oneLine(reply->errorString())));
        return finish();
    }
    const auto decoded = decodeUpdater(reply->readAll());
    if (const QString* problem = std::get_if<QString>(&decoded)) {
        writeLine(
            QStringLiteral("BasicUpdater: could not decode the update manifest: %1").arg(oneLine(*problem)));
        return finish();
    }
    const Updater& manifest = std::get<Updater>(decoded);

    // Plain string order, character by character: "1.9" sorts after "1.10".
    const bool newer = manifest.version != applicationVersion_ && applicationVersion_ < manifest.version;
    if (newer) {
        if (dialog_(manifest.version))
            if (auto download = validUrl(baseUrl_ + QStringLiteral("/") + manifest.file)) openUrl_(*download);
    } else {
        writeLine(QStringLiteral("BasicUpdater: application %1 already up to date.").arg(manifest.version));
    }
    defaults_.setDate(QString::fromLatin1(lastCheckKey), QDateTime::currentDateTime());
    finish();
}

void BasicUpdater::finish() {
    emit finished();
}

} // namespace barquill
