#include "store/AudioStore.h"

#include "settings/AppSettings.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace barquill {

namespace {
constexpr int kOutputNoteMs = 10000;
}

void AudioStore::connectOutputDevice() {
    // The engine belongs to the store and reports on the GUI thread, so `this` is alive then.
    engine_->setFailureHandler(
        [this](const std::string& message) { outputFailed(QString::fromStdString(message)); });
    engine_->setNoteHandler(
        [this](const std::string& note) { showOutputNote(QString::fromStdString(note)); });
    if (!settings_) return;
    engine_->setOutputDevice(settings_->outputDevice().toStdString());
    connect(settings_, &AppSettings::outputDeviceChanged, this, [this] {
        setOutputNote(std::nullopt);
        engine_->setOutputDevice(settings_->outputDevice().toStdString());
    });
}

void AudioStore::checkOutputDevice() {
    const std::string chosen = engine_->outputDevice();
    if (chosen.empty()) return;
    QPointer<AudioStore> self(this);
    engine_->listOutputDevices([self, chosen](const std::vector<OutputDevice>& devices) {
        if (!self || self->engine_->outputDevice() != chosen) return;
        const bool present = std::any_of(devices.begin(), devices.end(),
                                         [&](const OutputDevice& d) { return d.id == chosen; });
        if (present) return;
        const auto slash = chosen.find('/');
        const std::string name = slash == std::string::npos ? chosen : chosen.substr(slash + 1);
        self->showOutputNote(
            QStringLiteral("Audio output “%1” is not available; playing through the system default.")
                .arg(QString::fromStdString(name)));
    });
}

void AudioStore::outputFailed(const QString& message) {
    // A device lost while nothing plays loses nothing audible; the next play opens it again.
    if (!isPlaying_ && !isPreviewing_) return;
    if (isPreviewing_) {
        ++previewGen_;
        endPreview();
    } else {
        pauseInPlace();
    }
    setErrorMessage(message);
}

void AudioStore::showOutputNote(const QString& note) {
    setOutputNote(note);
    const int64_t generation = ++outputNoteGen_;
    QTimer::singleShot(kOutputNoteMs, this, [this, generation] {
        if (generation == outputNoteGen_) setOutputNote(std::nullopt);
    });
}

} // namespace barquill
