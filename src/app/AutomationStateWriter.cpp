#include "app/AutomationStateWriter.h"

#include "store/AudioStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace barquill {

AutomationStateWriter* AutomationStateWriter::createFromEnvironment(AudioStore* store, QObject* parent) {
    const QString path = qEnvironmentVariable("BARQUILL_AUTOMATION_STATE");
    if (path.isEmpty()) return nullptr;
    return new AutomationStateWriter(store, path, parent);
}

AutomationStateWriter::AutomationStateWriter(AudioStore* store, QString path, QObject* parent)
    : QObject(parent), store_(store), path_(std::move(path)) {
    coalesce_.setSingleShot(true);
    coalesce_.setInterval(50);
    connect(&coalesce_, &QTimer::timeout, this, &AutomationStateWriter::write);
    for (auto signal :
         {&AudioStore::infoChanged, &AudioStore::isLoadingChanged, &AudioStore::errorMessageChanged,
          &AudioStore::isPlayingChanged, &AudioStore::currentTimeChanged, &AudioStore::analysisNoteChanged,
          &AudioStore::isAnalyzingChanged, &AudioStore::loopEnabledChanged, &AudioStore::isReversedChanged,
          &AudioStore::isReversingChanged, &AudioStore::isPreviewingChanged, &AudioStore::exportFlashChanged,
          &AudioStore::isExportingTransientsChanged, &AudioStore::outputNoteChanged})
        connect(store_, signal, this, &AutomationStateWriter::schedule);
    write();
}

void AutomationStateWriter::setWindowId(quint64 id) {
    windowId_ = id;
    schedule();
}

void AutomationStateWriter::schedule() {
    if (!coalesce_.isActive()) coalesce_.start();
}

void AutomationStateWriter::write() {
    QJsonObject state;
    const auto& error = store_->errorMessage();
    const auto& flash = store_->exportFlash();
    const auto& note = store_->outputNote();
    state["statusMessage"] = error ? *error : flash ? *flash : note ? *note : store_->analysisNote();
    state["outputNote"] = note ? QJsonValue(*note) : QJsonValue();
    state["outputDevice"] = QString::fromStdString(store_->engine().outputDevice());
    state["errorMessage"] = error ? QJsonValue(*error) : QJsonValue();
    state["exportFlash"] = flash ? QJsonValue(*flash) : QJsonValue();
    state["analysisNote"] = store_->analysisNote();
    state["isLoading"] = store_->isLoading();
    state["isAnalyzing"] = store_->isAnalyzing();
    state["isPlaying"] = store_->isPlaying();
    state["isPreviewing"] = store_->isPreviewing();
    state["isReversed"] = store_->isReversed();
    state["isReversing"] = store_->isReversing();
    state["loopEnabled"] = store_->loopEnabled();
    state["isExportingTransients"] = store_->isExportingTransients();
    state["currentTime"] = store_->currentTime();
    state["duration"] = store_->duration();
    if (const auto range = store_->loopRange()) {
        state["loopStart"] = range->first;
        state["loopEnd"] = range->second;
    }
    state["fileName"] = store_->info() ? QJsonValue(store_->info()->fileName) : QJsonValue();
    state["windowId"] = QString::number(windowId_);
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(QJsonDocument(state).toJson(QJsonDocument::Compact));
    file.commit();
}

} // namespace barquill
