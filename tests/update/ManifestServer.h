#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>

// A minimal HTTP/1.1 server on 127.0.0.1 that answers every GET with one fixed response and records
// the request heads it received. Lives on the test's thread; serves while the event loop runs.
class ManifestServer : public QObject {
    Q_OBJECT

public:
    ManifestServer();

    QString baseUrl() const;
    void respond(int status, const QByteArray& body);

    int requestCount() const { return int(requests_.size()); }
    const QList<QByteArray>& requests() const { return requests_; }

private:
    void serve(QTcpSocket* socket);

    QTcpServer server_;
    int status_ = 200;
    QByteArray body_;
    QList<QByteArray> requests_;
};
