#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace barquill {

// One Barquill per user session. The first process listens on a local socket in the user's
// runtime folder; a later launch hands its file (or an empty request: just show the window) to
// it and exits instead of opening a second window.
//
// Threads: GUI thread; needs the application object. The request is one UTF-8 line holding an
// absolute path; the running instance answers with one byte once it has taken it.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `socketPath` empty: barquill.socket in $XDG_RUNTIME_DIR (else the temporary folder).
    explicit SingleInstance(QString socketPath = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when a running instance took the request; false when none answers (this process is
    // the first, or the last one died and left its socket behind).
    bool handOver(const QString& file, int timeoutMs = 2000);
    // Starts answering later launches; false when the socket cannot be made (then every launch
    // opens its own window).
    bool listen();

    const QString& socketPath() const { return socketPath_; }

signals:
    // A later launch's request; the file is empty when none was named.
    void requested(const QString& file);

private:
    void accept();

    QString socketPath_;
    QLocalServer* server_ = nullptr;
};

} // namespace barquill
