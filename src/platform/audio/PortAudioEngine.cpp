#include "platform/audio/PortAudioEngine.h"

#include "platform/audio/AudioServerThread.h"
#include "platform/audio/PortAudioHost.h"
#include "platform/audio/PortAudioStream.h"

#include <QObject>
#include <QTimer>

namespace barquill {

namespace {
constexpr int kDeliveryIntervalMs = 5;
}

PortAudioEngine::PortAudioEngine()
    : stream_(std::make_shared<PortAudioStream>(player())), context_(std::make_unique<QObject>()),
      deliveryTimer_(std::make_unique<QTimer>()) {
    deliveryTimer_->setInterval(kDeliveryIntervalMs);
    QObject::connect(deliveryTimer_.get(), &QTimer::timeout, deliveryTimer_.get(), [this] {
        player().deliverDueCompletions();
        if (!player().hasPendingWork()) deliveryTimer_->stop();
    });
}

PortAudioEngine::~PortAudioEngine() {
    // The audio thread must be gone before the player node is.
    std::shared_ptr<PortAudioStream> stream = stream_;
    AudioServerThread::instance().runAndWait([stream] {
        AudioServerThread::instance().removeWatch(stream.get());
        stream->close();
    });
}

std::optional<std::string> PortAudioEngine::start() {
    if (running_) return std::nullopt;
    running_ = true;
    ++generation_;
    postStreamTask(true);
    playerChanged();
    return std::nullopt;
}

void PortAudioEngine::stop() {
    if (!running_) return;
    running_ = false;
    ++generation_;
    postStreamTask(false);
}

void PortAudioEngine::connect(const AudioFormat& format) {
    stop();
    connected_ = format;
}

void PortAudioEngine::setOutputDevice(const std::string& deviceId) {
    if (deviceId == deviceId_) return;
    deviceId_ = deviceId;
    // The player keeps its schedule and clock; only the stream under it changes.
    if (running_) postStreamTask(true);
}

void PortAudioEngine::listOutputDevices(DeviceListHandler done) {
    QObject* context = context_.get();
    AudioServerThread::instance().post([context, done = std::move(done)] {
        std::vector<OutputDevice> devices = scanOutputDevices();
        QMetaObject::invokeMethod(
            context, [done, devices = std::move(devices)] { done(devices); }, Qt::QueuedConnection);
    });
}

void PortAudioEngine::postStreamTask(bool open) {
    // While a stream may be open the audio thread owns the player's audio side.
    player().setRendererActive(true);
    const uint64_t sequence = ++postedTasks_;
    const uint64_t generation = generation_;
    const std::string deviceId = deviceId_;
    const AudioFormat format = connected_.value_or(AudioFormat{});
    std::shared_ptr<PortAudioStream> stream = stream_;
    QObject* context = context_.get();
    AudioServerThread::instance().post([this, open, sequence, generation, deviceId, format, stream, context] {
        AudioServerThread& thread = AudioServerThread::instance();
        thread.removeWatch(stream.get());
        stream->close();
        std::optional<std::string> failure, note;
        if (open) failure = stream->open(deviceId, format, note);
        const bool isOpen = stream->isOpen();
        QMetaObject::invokeMethod(
            context,
            [this, sequence, generation, failure, note, isOpen] {
                if (note && generation == generation_) reportNote(*note);
                streamSettled(sequence, isOpen);
                if (failure) streamFailed(generation, *failure);
            },
            Qt::QueuedConnection);
        if (!isOpen) return;
        // Watched until closed: a stream that dies is closed here and reported once.
        thread.addWatch(stream.get(), [this, sequence, generation, stream, context] {
            std::optional<std::string> lost = stream->lostReason();
            if (!lost) return;
            AudioServerThread::instance().removeWatch(stream.get());
            // Reported before closing, as closing a dead stream may itself take a while.
            QMetaObject::invokeMethod(
                context, [this, generation, lost] { streamFailed(generation, *lost); }, Qt::QueuedConnection);
            stream->close();
            // The device list may have changed (an interface unplugged): read it again.
            rescanPortAudio();
            QMetaObject::invokeMethod(
                context, [this, sequence] { streamSettled(sequence, false); }, Qt::QueuedConnection);
        });
    });
}

void PortAudioEngine::streamSettled(uint64_t sequence, bool streamOpen) {
    // A later task will report for itself.
    if (sequence != postedTasks_) return;
    player().setRendererActive(streamOpen);
    playerChanged();
}

void PortAudioEngine::streamFailed(uint64_t generation, const std::string& message) {
    if (generation != generation_ || !running_) return;
    running_ = false;
    ++generation_;
    reportFailure(message);
}

void PortAudioEngine::playerChanged() {
    if (player().hasPendingWork() && !deliveryTimer_->isActive()) deliveryTimer_->start();
}

} // namespace barquill

namespace barquill {

std::unique_ptr<AudioEngine> createDefaultAudioEngine() {
    return std::make_unique<PortAudioEngine>();
}

} // namespace barquill
