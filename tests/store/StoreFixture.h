#pragma once

#include "platform/audio/OfflineAudioEngine.h"
#include "platform/defaults/UserDefaults.h"
#include "settings/AppSettings.h"
#include "store/AudioStore.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace barquill::test {

// The 20 s click track the analyzer locks exactly: clicks every 0.5 s from 0.25 s, every fourth one
// louder from the second, so 120 BPM with downbeats at 0.75 s, 2.75 s, … and ten bars (nine of 2 s,
// the last 1.25 s). A quiet deterministic noise floor makes every frame traceable in the output.
std::vector<float> clickTrack(double sampleRate = 44100, double seconds = 20, float noiseLevel = 0.002f);

// Deterministic noise, distinct per seed, so a copy of any stretch can be traced to its source.
std::vector<float> noise(size_t frames, uint32_t seed, float level = 0.5f);

// A store on the offline engine, with settings in a temporary folder and full output level,
// plus helpers to load files and drive the output frame by frame.
class StoreTest : public ::testing::Test {
protected:
    StoreTest();
    ~StoreTest() override;

    // Writes a 32-bit float WAV into the temporary folder.
    std::filesystem::path writeWav(const std::string& name, const std::vector<std::vector<float>>& channels,
                                   int sampleRate = 44100);
    // The click track as a stereo file (both channels equal).
    std::filesystem::path writeClickTrack(const std::string& name = "44100-2-clicks-20s.wav");
    // Opens and waits until decoding and analysis are over.
    void openAndSettle(const std::filesystem::path& path);
    // Processes events until `done` holds; false after a generous bound.
    bool waitFor(const std::function<bool()>& done);

    // Renders in blocks, running the position clock after each block as the timer would.
    void render(int64_t frames, uint32_t block = 441);
    std::vector<float> captured(uint32_t channel = 0) const { return engine->captured()[channel]; }
    // Frames [from, from + count) of the loaded buffer's channel.
    std::vector<float> source(int64_t from, int64_t count, uint32_t channel = 0) const;
    // The frames of the source in reverse: from, from-1, … (count of them).
    std::vector<float> sourceBackwards(int64_t from, int64_t count, uint32_t channel = 0) const;

    TempDir dir;
    UserDefaults defaults;
    AppSettings settings;
    OfflineAudioEngine* engine = nullptr;
    std::unique_ptr<AudioStore> store;
};

// Part of a capture.
std::vector<float> slice(const std::vector<float>& samples, size_t from, size_t count);

} // namespace barquill::test
