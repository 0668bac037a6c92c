#include "StoreFixture.h"

#include "Clicks.h"
#include "store/EventLoopWait.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <cmath>

namespace barquill::test {

std::vector<float> noise(size_t frames, uint32_t seed, float level) {
    std::vector<float> out(frames);
    uint32_t state = 0x9e3779b9u ^ (seed * 0x85ebca6bu);
    for (auto& sample : out) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        sample = level * (static_cast<float>(state) / 2147483648.0f - 1.0f);
    }
    return out;
}

std::vector<float> clickTrack(double sampleRate, double seconds, float noiseLevel) {
    std::vector<float> out = noise(static_cast<size_t>(std::llround(seconds * sampleRate)), 7, noiseLevel);
    int index = 0;
    for (double at = 0.25; at < seconds; at += 0.5, ++index) {
        const float level = index % 4 == 1 ? 1.0f : 0.5f;
        addClick(out, sampleRate, at, level);
    }
    return out;
}

std::vector<float> slice(const std::vector<float>& samples, size_t from, size_t count) {
    if (from >= samples.size()) return {};
    count = std::min(count, samples.size() - from);
    return {samples.begin() + static_cast<std::ptrdiff_t>(from),
            samples.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

StoreTest::StoreTest()
    : defaults(QString::fromStdString((dir / "defaults.json").string())), settings(defaults) {
    auto offline = std::make_unique<OfflineAudioEngine>();
    engine = offline.get();
    store = std::make_unique<AudioStore>(&settings, nullptr, std::move(offline));
    store->setVolume(1.0f);
}

StoreTest::~StoreTest() {
    store.reset();
    // Background jobs hold their own copies; let them finish before the next test starts.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

std::filesystem::path StoreTest::writeWav(const std::string& name,
                                          const std::vector<std::vector<float>>& channels, int sampleRate) {
    const auto path = dir / name;
    EXPECT_TRUE(writeFloatWav(path, channels, sampleRate));
    return path;
}

std::filesystem::path StoreTest::writeClickTrack(const std::string& name) {
    const auto clicks = clickTrack();
    return writeWav(name, {clicks, clicks});
}

bool StoreTest::waitFor(const std::function<bool()>& done) {
    return runEventsUntil(done, 120000);
}

void StoreTest::openAndSettle(const std::filesystem::path& path) {
    store->open(QString::fromStdString(path.string()));
    ASSERT_TRUE(waitFor([&] { return !store->isLoading() && !store->isAnalyzing(); }));
}

void StoreTest::render(int64_t frames, uint32_t block) {
    while (frames > 0) {
        const auto now = static_cast<uint32_t>(std::min<int64_t>(frames, block));
        engine->render(now);
        store->clockTick();
        frames -= now;
    }
}

std::vector<float> StoreTest::source(int64_t from, int64_t count, uint32_t channel) const {
    const float* samples = store->buffer()->channel(channel);
    return {samples + from, samples + from + count};
}

std::vector<float> StoreTest::sourceBackwards(int64_t from, int64_t count, uint32_t channel) const {
    const float* samples = store->buffer()->channel(channel);
    std::vector<float> out;
    for (int64_t i = 0; i < count; ++i)
        out.push_back(samples[from - i]);
    return out;
}

} // namespace barquill::test
