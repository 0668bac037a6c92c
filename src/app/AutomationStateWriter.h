#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

namespace barquill {

class AudioStore;

// Mirrors the document's visible state into a small JSON file, for the end-to-end
// suite that drives the real app from outside (it cannot read widgets across
// processes). Enabled only when BARQUILL_AUTOMATION_STATE names a file.
//
// Threads: GUI thread only. Writes are coalesced to at most one per 50 ms and are
// atomic (QSaveFile), so a reader never sees a torn file.
class AutomationStateWriter : public QObject {
    Q_OBJECT
public:
    // Null when the environment does not ask for it.
    static AutomationStateWriter* createFromEnvironment(AudioStore* store, QObject* parent);

    AutomationStateWriter(AudioStore* store, QString path, QObject* parent);
    void setWindowId(quint64 id);

private:
    void schedule();
    void write();

    AudioStore* store_;
    QString path_;
    quint64 windowId_ = 0;
    QTimer coalesce_;
};

} // namespace barquill
