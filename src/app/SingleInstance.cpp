#include "app/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace barquill {

namespace {
constexpr int kMaxRequestBytes = 64 * 1024;
constexpr char kAck = '+';

QString defaultSocketPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    // The uid keeps users apart where the runtime folder is shared.
    return QDir(folder).filePath(QStringLiteral("barquill-%1.socket").arg(getuid()));
}
} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), socketPath_(socketPath.isEmpty() ? defaultSocketPath() : std::move(socketPath)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::handOver(const QString& file, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    const QString path = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
    socket.write(path.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    // Taken only once the running instance says so; a hung one leaves this launch to open itself.
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(timeoutMs)) return false;
    char ack = 0;
    return socket.getChar(&ack) && ack == kAck;
}

bool SingleInstance::listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered on it, so a socket file still there is left from a process that died.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) return false;
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return true;
}

void SingleInstance::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxRequestBytes) socket->abort();
                return;
            }
            const QString file = QString::fromUtf8(socket->readLine()).chopped(1);
            socket->putChar(kAck);
            socket->flush();
            socket->disconnectFromServer();
            emit requested(file);
        });
    }
}

} // namespace barquill
