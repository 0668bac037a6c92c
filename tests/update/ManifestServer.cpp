#include "ManifestServer.h"

#include <QHostAddress>
#include <QTcpSocket>

ManifestServer::ManifestServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            auto* received = new QByteArray;
            connect(socket, &QObject::destroyed, this, [received] { delete received; });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, received] {
                received->append(socket->readAll());
                const qsizetype end = received->indexOf("\r\n\r\n");
                if (end < 0) return;
                requests_.append(received->left(end));
                received->clear();
                serve(socket);
            });
        }
    });
}

QString ManifestServer::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort());
}

void ManifestServer::respond(int status, const QByteArray& body) {
    status_ = status;
    body_ = body;
}

void ManifestServer::serve(QTcpSocket* socket) {
    const QByteArray reason = status_ == 200 ? "OK" : "Not Found";
    socket->write("HTTP/1.1 " + QByteArray::number(status_) + " " + reason +
                  "\r\nContent-Type: application/json\r\nContent-Length: " +
                  QByteArray::number(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_);
    socket->disconnectFromHost();
}
