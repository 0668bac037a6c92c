#pragma once

#include "platform/audio/OfflineAudioEngine.h"
#include "platform/defaults/UserDefaults.h"
#include "settings/AppSettings.h"
#include "store/AudioStore.h"
#include "store/EventLoopWait.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace barquill::test {

// The 20 s click track the analyzer locks exactly: clicks every 0.5 s from 0.25 s, every fourth one
// louder from the second, so 120 BPM with downbeats at 0.75 s, 2.75 s, … and ten bars (nine of 2 s,
// the last 1.25 s). A quiet deterministic noise floor makes every frame traceable in the output.
std::vector<float> clickTrack(double sampleRate = 44100, double seconds = 20, float noiseLevel = 0.002f);

// Deterministic noise, distinct per seed, so a copy of any stretch can be traced to its source.
std::vector<float> noise(size_t frames, uint32_t seed, float level = 0.5f);

// Frames [from, from + count) of a capture, and several runs of frames put end to end.
std::vector<float> slice(const std::vector<float>& samples, size_t from, size_t count);
std::vector<float> joined(std::initializer_list<std::vector<float>> parts);

// A store on the offline engine, with settings in a temporary folder and full output level, plus
// helpers to load files and drive the output frame by frame. Exports go to `out` (or the chooser
// cancels) as 32-bit float at the files' own 44.1 kHz without fades, so every written sample can be
// compared with the source exactly.
class StoreTest : public ::testing::Test {
protected:
    StoreTest();
    ~StoreTest() override;

    // Writes a 32-bit float WAV into the temporary folder.
    std::filesystem::path writeWav(const std::string& name, const std::vector<std::vector<float>>& channels,
                                   int sampleRate = 44100);
    // The click track as a stereo file (both channels equal).
    std::filesystem::path writeClickTrack() {
        return writeWav("44100-2-clicks-20s.wav", {clickTrack(), clickTrack()});
    }
    void open(const std::filesystem::path& path) { store->open(QString::fromStdString(path.string())); }
    // Opens and waits until decoding and analysis are over.
    void openAndSettle(const std::filesystem::path& path);
    // Processes events until `done` holds; false after a generous bound.
    bool waitFor(const std::function<bool()>& done) { return runEventsUntil(done, 120000); }
    // Switches reverse on and waits for the mirror.
    void reverse();
    // Lets every background job finish and deliver.
    static void drain();
    // Turns on a loop of `bars` bars from the one at `at` seconds.
    void loopAt(double at, int bars = 1);
    // Plays and renders `frames`.
    void play(int64_t frames, uint32_t block = 441) {
        store->play();
        render(frames, block);
    }

    // Renders in blocks, running the position clock after each block as the timer would.
    void render(int64_t frames, uint32_t block = 441);
    std::vector<float> captured(uint32_t channel = 0) const { return engine->captured()[channel]; }
    // Frames [from, from + count) of the loaded buffer's channel.
    std::vector<float> source(int64_t from, int64_t count, uint32_t channel = 0) const;
    // The frames of the source in reverse: from, from-1, … (count of them).
    std::vector<float> sourceBackwards(int64_t from, int64_t count, uint32_t channel = 0) const;

    // The names in `folder`, sorted.
    static std::vector<std::string> fileNames(const std::filesystem::path& folder);
    // Channel `channel` of a written file; empty when it cannot be read.
    static std::vector<float> samplesOf(const std::filesystem::path& file, uint32_t channel = 0);

    TempDir dir;
    UserDefaults defaults;
    AppSettings settings;
    OfflineAudioEngine* engine = nullptr;
    std::unique_ptr<AudioStore> store;
    TempDir out;
    std::optional<std::filesystem::path> chooserAnswer = out.path();
    int chooserCalls = 0;
};

// The click track loaded: bar k starts at frame 33075 + 88200 k (0.75 + 2k s), the last one ends at
// the end of the file (20 s).
class ClickStore : public StoreTest {
protected:
    void SetUp() override;
    static constexpr int64_t barFrame(int bar) { return 33075 + 88200 * int64_t{bar}; }
    const std::string stem = "44100-2-clicks-20s";
};

} // namespace barquill::test
