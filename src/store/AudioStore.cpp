#include "store/AudioStore.h"

#include "settings/AppSettings.h"

#include <algorithm>

namespace barquill {

namespace {
constexpr double kFallbackSampleRate = 44100;
constexpr int kClockIntervalMs = 33; // 1/30 s
} // namespace

AudioStore::AudioStore(AppSettings* settings, RecentFiles* recentFiles, std::unique_ptr<AudioEngine> engine,
                       QObject* parent)
    : QObject(parent), settings_(settings), recentFiles_(recentFiles), engine_(std::move(engine)) {
    if (!engine_) engine_ = createDefaultAudioEngine();
    // Prepared but not started: the first play or preview starts it.
    engine_->setOutputLevel(volume_);
    connectOutputDevice();
    if (settings_) matchTempo_ = settings_->matchTempoBPM();

    interactTimer_ = new QTimer(this);
    interactTimer_->setSingleShot(true);
    interactTimer_->setInterval(150);
    connect(interactTimer_, &QTimer::timeout, this, [this] { setIsInteracting(false); });

    // The timer is a child of the store, so it can never fire for a store that is gone.
    timer_ = new QTimer(this);
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(kClockIntervalMs);
    connect(timer_, &QTimer::timeout, this, &AudioStore::clockTick);
    timer_->start();
}

// The engine goes with the store and stops its device itself; what it still plays it holds by
// shared reference.
AudioStore::~AudioStore() {
    timer_->stop();
    interactTimer_->stop();
}

double AudioStore::sampleRate() const {
    return buffer_ ? buffer_->sampleRate() : kFallbackSampleRate;
}

Frame AudioStore::frameLength() const {
    return buffer_ ? static_cast<Frame>(buffer_->frameLength()) : 0;
}

bool AudioStore::snapToBarSetting() const {
    return settings_ ? settings_->snapToBar() : true;
}

bool AudioStore::startWithLoopSetting() const {
    return settings_ ? settings_->startWithLoopEnabled() : false;
}

int64_t AudioStore::waveformResolutionSetting() const {
    return settings_ ? settings_->waveformResolution() : 1024;
}

int AudioStore::exportBitDepthSetting() const {
    return static_cast<int>(settings_ ? settings_->exportBitDepth() : AppSettings::defaultExportBitDepth);
}

double AudioStore::exportSampleRateSetting() const {
    return settings_ ? settings_->exportSampleRate() : AppSettings::defaultExportSampleRate;
}

// ---- toolbar setters ----

void AudioStore::setDisplayMode(WaveformDisplayMode mode) {
    if (displayMode_ == mode) return;
    displayMode_ = mode;
    emit displayModeChanged();
}

void AudioStore::setVolume(float volume) {
    volume = volume >= 0 ? std::min(volume, 1.0f) : 0.0f; // NaN too
    engine_->setOutputLevel(volume);
    if (volume_ == volume) return;
    volume_ = volume;
    emit volumeChanged();
}

void AudioStore::setSlicesPerBar(int slices) {
    if (slicesPerBar_ == slices) return;
    slicesPerBar_ = slices;
    emit slicesPerBarChanged();
}

void AudioStore::clearErrorMessage() {
    setErrorMessage(std::nullopt);
}

// ---- published fields: notify only on a real change ----

#define BARQUILL_SET_FIELD(field, signal)                                                                    \
    if (field == value) return;                                                                              \
    field = std::move(value);                                                                                \
    emit signal();

void AudioStore::setFileURL(std::optional<QString> value) {
    BARQUILL_SET_FIELD(fileURL_, fileURLChanged)
}
void AudioStore::setInfo(std::optional<LoadedAudioInfo> value) {
    BARQUILL_SET_FIELD(info_, infoChanged)
}
void AudioStore::setIsLoading(bool value) {
    BARQUILL_SET_FIELD(isLoading_, isLoadingChanged)
}
void AudioStore::setErrorMessage(std::optional<QString> value) {
    BARQUILL_SET_FIELD(errorMessage_, errorMessageChanged)
}
void AudioStore::setOutputNote(std::optional<QString> value) {
    BARQUILL_SET_FIELD(outputNote_, outputNoteChanged)
}
void AudioStore::setIsPlaying(bool value) {
    BARQUILL_SET_FIELD(isPlaying_, isPlayingChanged)
}
void AudioStore::setCurrentTime(double value) {
    BARQUILL_SET_FIELD(currentTime_, currentTimeChanged)
}
void AudioStore::setDuration(double value) {
    BARQUILL_SET_FIELD(duration_, durationChanged)
}
void AudioStore::setViewStart(double value) {
    BARQUILL_SET_FIELD(viewStart_, viewStartChanged)
}
void AudioStore::setViewLength(double value) {
    BARQUILL_SET_FIELD(viewLength_, viewLengthChanged)
}
void AudioStore::setIsInteracting(bool value) {
    BARQUILL_SET_FIELD(isInteracting_, isInteractingChanged)
}
void AudioStore::setAnalysis(std::optional<BeatBarAnalysis> value) {
    BARQUILL_SET_FIELD(analysis_, analysisChanged)
}
void AudioStore::setIsAnalyzing(bool value) {
    BARQUILL_SET_FIELD(isAnalyzing_, isAnalyzingChanged)
}
void AudioStore::setGridShiftQuarters(int value) {
    BARQUILL_SET_FIELD(gridShiftQuarters_, gridShiftQuartersChanged)
}
void AudioStore::setLoopEnabledField(bool value) {
    BARQUILL_SET_FIELD(loopEnabled_, loopEnabledChanged)
}
void AudioStore::setLoopBarsField(int value) {
    BARQUILL_SET_FIELD(loopBars_, loopBarsChanged)
}
void AudioStore::setIsReversed(bool value) {
    BARQUILL_SET_FIELD(isReversed_, isReversedChanged)
}
void AudioStore::setIsReversing(bool value) {
    BARQUILL_SET_FIELD(isReversing_, isReversingChanged)
}
void AudioStore::setIsPreviewing(bool value) {
    BARQUILL_SET_FIELD(isPreviewing_, isPreviewingChanged)
}
void AudioStore::setExportFlash(std::optional<QString> value) {
    BARQUILL_SET_FIELD(exportFlash_, exportFlashChanged)
}
void AudioStore::setIsExportingTransients(bool value) {
    BARQUILL_SET_FIELD(isExportingTransients_, isExportingTransientsChanged)
}

#undef BARQUILL_SET_FIELD

void AudioStore::setAnalysisNote(const QString& value) {
    if (analysisNote_ == value) return;
    analysisNote_ = value;
    emit analysisNoteChanged();
}

void AudioStore::setPeaks(QList<float> mono, QList<float> left, QList<float> right) {
    viewMonoPeaks_ = std::move(mono);
    viewLeftPeaks_ = std::move(left);
    viewRightPeaks_ = std::move(right);
    emit peaksChanged();
}

} // namespace barquill
