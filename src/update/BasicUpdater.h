#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace barquill {

class UserDefaults;

// Checks at start-up, at most once per back-off period, whether the download site offers a newer
// version, and if so offers to open the download in the browser.
//
// Created once by the application on the interface thread; the check runs there as queued work (the
// network wait does not block, the dialog does). Borrows the UserDefaults that hold "lastUpdateCheck".
// Diagnostics go to standard output as single lines; nothing is shown to the user but the dialog.
class BasicUpdater : public QObject {
    Q_OBJECT

public:
    static constexpr auto lastCheckKey = "lastUpdateCheck";

    // Answers the update dialog for the offered version: true when the user chose "Download".
    using UpdateDialog = std::function<bool(const QString& version)>;
    using UrlOpener = std::function<void(const QUrl&)>;

    // The download site the build was configured with (empty disables the check).
    static QString defaultBaseUrl();

    BasicUpdater(QString baseUrl, int backOffDays, UserDefaults& defaults, QObject* parent = nullptr);

    const QString& baseUrl() const { return baseUrl_; }
    int backOffDays() const { return backOffDays_; }

    void setApplicationVersion(QString version) { applicationVersion_ = std::move(version); }
    void setUpdateDialog(UpdateDialog dialog) { dialog_ = std::move(dialog); }
    void setUrlOpener(UrlOpener opener) { openUrl_ = std::move(opener); }

    // Starts the check and returns at once; `finished` is emitted when it has ended, whichever way.
    void checkForUpdate();

    // The default dialog: "Update Available" with "Download" (default) and "Cancel".
    static bool askToDownload(const QString& version);

signals:
    void finished();

private:
    void runCheck();
    void handleReply(QNetworkReply* reply);
    void finish();

    QString baseUrl_;
    int backOffDays_;
    UserDefaults& defaults_;
    QString applicationVersion_;
    UpdateDialog dialog_ = askToDownload;
    UrlOpener openUrl_;
    QNetworkAccessManager* network_ = nullptr;
};

} // namespace barquill
