#include "StoreFixture.h"

#include "Clicks.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <algorithm>
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
    for (double at = 0.25; at < seconds; at += 0.5, ++index)
        addClick(out, sampleRate, at, index % 4 == 1 ? 1.0f : 0.5f);
    return out;
}

std::vector<float> slice(const std::vector<float>& samples, size_t from, size_t count) {
    if (from >= samples.size()) return {};
    count = std::min(count, samples.size() - from);
    return {samples.begin() + static_cast<std::ptrdiff_t>(from),
            samples.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

std::vector<float> joined(std::initializer_list<std::vector<float>> parts) {
    std::vector<float> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

StoreTest::StoreTest()
    : defaults(QString::fromStdString((dir / "defaults.json").string())), settings(defaults) {
    auto offline = std::make_unique<OfflineAudioEngine>();
    engine = offline.get();
    store = std::make_unique<AudioStore>(&settings, nullptr, std::move(offline));
    store->setVolume(1.0f);
    settings.setExportBitDepth(32);
    settings.setExportSampleRate(44100);
    settings.setSliceFadeMs(0);
    store->setFolderChooser([this]() -> std::optional<QString> {
        ++chooserCalls;
        return chooserAnswer ? std::optional(QString::fromStdString(chooserAnswer->string())) : std::nullopt;
    });
}

StoreTest::~StoreTest() {
    store.reset();
    // Background jobs hold their own copies; let them finish before the next test starts.
    drain();
}

std::filesystem::path StoreTest::writeWav(const std::string& name,
                                          const std::vector<std::vector<float>>& channels, int sampleRate) {
    const auto path = dir / name;
    EXPECT_TRUE(writeFloatWav(path, channels, sampleRate));
    return path;
}

void StoreTest::openAndSettle(const std::filesystem::path& path) {
    open(path);
    ASSERT_TRUE(waitFor([&] { return !store->isLoading() && !store->isAnalyzing(); }));
}

void StoreTest::reverse() {
    store->toggleReverse();
    ASSERT_TRUE(waitFor([&] { return store->isReversed(); }));
}

void StoreTest::drain() {
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

void StoreTest::loopAt(double at, int bars) {
    store->setLoopBars(bars);
    store->seek(at, true);
    store->setLoopEnabled(true);
}

void StoreTest::render(int64_t frames, uint32_t block) {
    for (; frames > 0; frames -= block) {
        engine->render(static_cast<uint32_t>(std::min<int64_t>(frames, block)));
        store->clockTick();
    }
}

std::vector<float> StoreTest::source(int64_t from, int64_t count, uint32_t channel) const {
    const float* samples = store->buffer()->channel(channel);
    return {samples + from, samples + from + count};
}

std::vector<float> StoreTest::sourceBackwards(int64_t from, int64_t count, uint32_t channel) const {
    std::vector<float> out = source(from - count + 1, count, channel);
    std::reverse(out.begin(), out.end());
    return out;
}

std::vector<std::string> StoreTest::fileNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<float> StoreTest::samplesOf(const std::filesystem::path& file, uint32_t channel) {
    std::vector<std::vector<float>> channels;
    int rate = 0;
    if (!readSoundFile(file, channels, rate) || channel >= channels.size()) return {};
    return channels[channel];
}

void ClickStore::SetUp() {
    openAndSettle(writeClickTrack());
    ASSERT_EQ(store->effectiveBars().size(), 10u);
}

} // namespace barquill::test
