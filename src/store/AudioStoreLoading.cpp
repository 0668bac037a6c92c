#include "store/AudioStore.h"
#include "store/JobDelivery.h"

#include "platform/decode/DecodeWithFallback.h"
#include "settings/RecentFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>

namespace barquill {

namespace {

// decodeFile first; whatever it rejects goes to the asset reader, whose error is the one shown.
DecodeResult decodeEitherWay(const std::string& path) {
    try {
        return decodeWithFallback(path);
    } catch (const std::exception& e) {
        return DecodeResult{nullptr, {}, DecodeError{"Barquill", -1, e.what()}};
    }
}

QString describe(const DecodeResult& result, const QString& path) {
    if (result.outOfMemory)
        return QStringLiteral("Not enough memory to open “%1”.").arg(QFileInfo(path).fileName());
    if (result.error && !result.error->description.empty())
        return QString::fromStdString(result.error->description);
    return QStringLiteral("Could not decode %1.").arg(QFileInfo(path).fileName());
}

} // namespace

const QStringList& AudioStore::acceptedExtensions() {
    static const QStringList extensions{"mp3", "m4a",  "mp4",  "m4v",  "wav", "wave",
                                        "aif", "aiff", "flac", "opus", "ogg", "caf"};
    return extensions;
}

void AudioStore::open(const QString& path) {
    // A newer open cancels this job; the token is checked once the decode is back.
    const uint64_t token = ++loadToken_;

    setIsLoading(true);
    setErrorMessage(std::nullopt);

    stop();

    ++analysisGen_;
    setAnalysis(std::nullopt);
    setIsAnalyzing(false);
    setAnalysisNote(QStringLiteral("Decoding…"));

    setLoopEnabledField(false);
    loopPlay_ = {};
    passRange_ = {};
    // Drops the stretched loop and its source range, which would keep the old track alive.
    requestStretchedLoop();
    looping_ = false;
    loopStartBar_ = 0;
    loopStartFrame_ = 0;
    loopFrames_ = 0;
    loopTailFrames_ = 0;
    previewReturnFrame_ = 0;

    setGridShiftQuarters(0);
    setIsReversed(false);
    ++reverseGen_;
    setIsReversing(false);

    setFileURL(path);
    setInfo(std::nullopt);
    buffer_.reset();
    reversedBuffer_.reset();
    setPeaks({}, {}, {});
    setViewStart(0);
    setViewLength(0);
    setCurrentTime(0);
    setDuration(0);

    // Decoding runs on a worker so the window stays responsive; the result comes back to this
    // thread, and is dropped with the store if the store is gone by then.
    const std::string nativePath = QFile::encodeName(path).toStdString();
    auto job = QtConcurrent::run([nativePath] { return decodeEitherWay(nativePath); });
    deliverResult(std::move(job), this, [token, path](AudioStore& store, DecodeResult result) {
        store.finishLoad(token, path, std::move(result));
    });
}

void AudioStore::finishLoad(uint64_t token, const QString& path, DecodeResult result) {
    // Cancelled by a newer open: nothing is stored or shown. The newer job owns isLoading now,
    // so it is left alone.
    if (token != loadToken_) return;
    if (!result.ok()) {
        setErrorMessage(describe(result, path));
        setIsLoading(false);
        return;
    }

    buffer_ = std::move(result.buffer);
    const double sr = buffer_->sampleRate();
    const uint32_t frames = buffer_->frameLength();
    setDuration(static_cast<double>(frames) / sr);
    setFileURL(path);

    const QFileInfo file(path);
    LoadedAudioInfo loaded;
    loaded.fileName = file.completeBaseName();
    loaded.fileExtension = file.suffix().toLower();
    loaded.sampleRate = sr;
    loaded.channelCount = static_cast<int>(buffer_->channelCount());
    loaded.frameLength = frames;
    loaded.duration = duration_;
    loaded.fileSizeBytes = file.exists() ? static_cast<int64_t>(file.size()) : 0;
    setInfo(loaded);

    if (recentFiles_) recentFiles_->add(path);

    setViewStart(0);
    setViewLength(duration_);
    connectPlayer(buffer_->format());
    recomputePeaks();
    startAnalysis();
    setIsLoading(false);
}

void AudioStore::connectPlayer(const AudioFormat& format) {
    if (connectedFormat_ && *connectedFormat_ == format) return;
    engine_->stop();
    engine_->connect(format);
    connectedFormat_ = format;
}

} // namespace barquill
