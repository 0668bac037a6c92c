#include "update/BasicUpdater.h"

#include "platform/defaults/UserDefaults.h"

#include "TestSupport.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>

using namespace barquill;

namespace {

// A minimal HTTP/1.1 server on 127.0.0.1 that answers every GET with one fixed response and records
// the request heads it received. Lives on the test's thread; serves while the event loop runs.
class ManifestServer : public QObject {
public:
    ManifestServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                auto received = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, this, [this, socket, received] {
                    received->append(socket->readAll());
                    const qsizetype end = received->indexOf("\r\n\r\n");
                    if (end < 0) return;
                    requests.append(received->left(end));
                    received->clear();
                    socket->write("HTTP/1.1 " + QByteArray::number(status) +
                                  (status == 200 ? " OK" : " Not Found") +
                                  "\r\nContent-Type: application/json\r\nContent-Length: " +
                                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }

    QTcpServer server_;
    int status = 200;
    QByteArray body;
    QList<QByteArray> requests;
};

QByteArray manifest(const char* version) {
    return QByteArray(R"({"product": "barquill", "version": ")") + version + R"(", "file": "Barquill-)" +
           version + R"(.tar.gz"})";
}

class BasicUpdaterTest : public ::testing::Test {
protected:
    BasicUpdaterTest() {
        // Only ever talk to the local server, whatever the environment's proxy says.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    }

    QString defaultsPath() const { return QString::fromStdString((dir / "defaults.json").string()); }
    std::optional<QDateTime> storedDate() const {
        return UserDefaults(defaultsPath()).date(BasicUpdater::lastCheckKey);
    }

    // Runs one check to its end and returns what it wrote to standard output.
    std::string check(const QString& appVersion, bool chooseDownload = false) {
        return check(server.baseUrl(), appVersion, chooseDownload);
    }
    std::string check(const QString& baseUrl, const QString& appVersion, bool chooseDownload) {
        BasicUpdater updater(baseUrl, 5, defaults);
        updater.setApplicationVersion(appVersion);
        updater.setUpdateDialog([&](const QString& version) {
            offered.append(version);
            return chooseDownload;
        });
        updater.setUrlOpener([&](const QUrl& url) { opened.append(url); });
        QSignalSpy finished(&updater, &BasicUpdater::finished);
        testing::internal::CaptureStdout();
        updater.checkForUpdate();
        const bool ended = finished.wait(20000);
        const std::string output = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(ended);
        return output;
    }

    test::TempDir dir;
    UserDefaults defaults{defaultsPath()};
    ManifestServer server;
    QStringList offered;
    QList<QUrl> opened;
};

} // namespace

// Checks back off for five days after the last one; past that the manifest is fetched past any cache,
// and the same version is up to date, which stores the date.
TEST_F(BasicUpdaterTest, ADateFourDaysOldBacksOffWithoutARequestAndSixDaysOldFetches) {
    const QDateTime fourDaysAgo = QDateTime::currentDateTime().addDays(-4);
    defaults.setDate(BasicUpdater::lastCheckKey, fourDaysAgo);
    EXPECT_EQ(check("1.0"), "BasicUpdater: backed off, less than 5 days.\n");
    EXPECT_EQ(server.requests.size(), 0);
    EXPECT_EQ(storedDate(), fourDaysAgo.toUTC());
    defaults.setDate(BasicUpdater::lastCheckKey, QDateTime::currentDateTime().addDays(-6));
    server.body = manifest("1.0.0");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    EXPECT_EQ(check("1.0.0"), "BasicUpdater: checking for update at " + server.baseUrl().toStdString() +
                                  "...\nBasicUpdater: application 1.0.0 already up to date.\n");
    EXPECT_TRUE(offered.isEmpty());
    EXPECT_GE(storedDate().value_or(QDateTime()), before);
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_TRUE(server.requests[0].startsWith("GET /updater.json HTTP/1.1"))
        << server.requests[0].constData();
    EXPECT_TRUE(server.requests[0].toLower().contains("cache-control: no-cache"))
        << server.requests[0].constData();
}

// Versions compare as plain strings: 1.10 is not offered to 1.9, but 1.9 is to 1.10; Download opens
// the file beside the manifest, Cancel opens nothing; either way the date is stored and the next
// check backs off.
TEST_F(BasicUpdaterTest, PlainStringOrderDecidesWhatIsOfferedAndDownloadOpensTheFile) {
    server.body = manifest("1.10");
    EXPECT_NE(check("1.9").find("BasicUpdater: application 1.10 already up to date.\n"), std::string::npos);
    EXPECT_TRUE(offered.isEmpty());
    for (const bool download : {false, true}) {
        defaults.remove(BasicUpdater::lastCheckKey);
        server.body = manifest("1.9");
        EXPECT_EQ(check("1.10", download).find("up to date"), std::string::npos);
        EXPECT_EQ(offered.takeFirst(), "1.9");
        EXPECT_EQ(opened,
                  download ? QList<QUrl>{QUrl(server.baseUrl() + "/Barquill-1.9.tar.gz")} : QList<QUrl>{});
        EXPECT_TRUE(storedDate());
    }
    EXPECT_EQ(check("1.0"), "BasicUpdater: backed off, less than 5 days.\n");
    EXPECT_EQ(server.requests.size(), 3);
}

TEST_F(BasicUpdaterTest, ABadManifestOrAFailedTransferWritesOneLineAndLeavesTheDateAlone) {
    for (const char* body :
         {R"({"product": "barquill", "version": "9.0"})", R"({"version": "9.0", "file": "f"})",
          R"({"product": "barquill", "version": 9, "file": "f"})", "<html>"}) {
        server.body = body;
        const std::string output = check("1.0");
        EXPECT_NE(output.find("BasicUpdater: could not decode the update manifest: "), std::string::npos)
            << output;
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 2) << output;
    }
    server.status = 404, server.body = "missing";
    const std::string output = check("1.0");
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 2) << output;
    EXPECT_TRUE(offered.isEmpty());
    EXPECT_FALSE(storedDate());
}

TEST_F(BasicUpdaterTest, AnUnusableOrEmptyAddressEndsTheCheckSilently) {
    EXPECT_EQ(check("http://exa mple.com", "1.0", false),
              "BasicUpdater: checking for update at http://exa mple.com...\n");
    EXPECT_EQ(check("", "1.0", false), ""); // no address: no check at all
    EXPECT_FALSE(storedDate());
}
