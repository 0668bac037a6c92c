#include "platform/audio/AudioServerThread.h"

#include "platform/audio/PortAudioHost.h"

#include <chrono>
#include <future>

namespace barquill {

namespace {
constexpr auto kWatchInterval = std::chrono::milliseconds(100);
}

AudioServerThread& AudioServerThread::instance() {
    static AudioServerThread thread;
    return thread;
}

AudioServerThread::AudioServerThread() {
    preparePortAudioEnvironment();
    thread_ = std::thread([this] { run(); });
}

AudioServerThread::~AudioServerThread() {
    {
        std::lock_guard lock(mutex_);
        quitting_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void AudioServerThread::post(Task task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void AudioServerThread::runAndWait(Task task) {
    std::promise<void> done;
    post([&] {
        task();
        done.set_value();
    });
    done.get_future().wait();
}

void AudioServerThread::run() {
    auto nextWatch = std::chrono::steady_clock::now() + kWatchInterval;
    for (;;) {
        Task task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait_until(lock, nextWatch, [this] { return quitting_ || !tasks_.empty(); });
            if (!tasks_.empty()) {
                task = std::move(tasks_.front());
                tasks_.pop_front();
            } else if (quitting_) {
                break;
            }
        }
        if (task) task();
        if (std::chrono::steady_clock::now() >= nextWatch) {
            // A watch may remove itself (or others), so run over a snapshot of the keys.
            std::vector<const void*> keys;
            for (const auto& [key, _] : watches_)
                keys.push_back(key);
            for (const void* key : keys)
                if (auto it = watches_.find(key); it != watches_.end()) {
                    const Task watch = it->second;
                    watch();
                }
            nextWatch = std::chrono::steady_clock::now() + kWatchInterval;
        }
    }
    releasePortAudio();
}

} // namespace barquill
