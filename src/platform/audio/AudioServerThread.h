#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace barquill {

// The one thread that talks to the audio server. Opening, starting, stopping and closing a
// stream, and listing devices, can each block for seconds (a server restarting, a sink going
// away, an interface unplugged), so none of it runs on the GUI thread. Tasks run one at a time
// in the order they were posted, which also keeps every PortAudio call on one thread.
// Between tasks, every registered watch runs about every 100 ms (the health checks of open
// streams).
//
// Threads: post() and runAndWait() from any thread but this one; addWatch() and removeWatch()
// only from inside a task. Ownership: process-wide; the thread is joined at exit, after it has
// run what is queued and released PortAudio.
class AudioServerThread {
public:
    using Task = std::function<void()>;

    static AudioServerThread& instance();

    void post(Task task);
    // Posts `task` and waits until it (and everything posted before it) has run.
    void runAndWait(Task task);

    void addWatch(const void* key, Task watch) { watches_[key] = std::move(watch); }
    void removeWatch(const void* key) { watches_.erase(key); }

    ~AudioServerThread();

private:
    AudioServerThread();
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> tasks_;
    bool quitting_ = false;
    // Only touched on the thread itself.
    std::map<const void*, Task> watches_;
    std::thread thread_;
};

} // namespace barquill
