#pragma once

#include "buffer/PCMBuffer.h"

#include <filesystem>
#include <string>
#include <vector>

// Helpers shared by every test executable: temporary folders, external tools
// for fixtures (ffmpeg, sox, ffprobe) and writing synthetic signals as WAV.
namespace barquill::test {

// A fresh folder under the system temp dir, removed when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Folder shared by all tests of one run for generated fixtures (made once, reused).
std::filesystem::path fixtureDir();

// Runs a shell command, returns its exit status; stdout is captured into `output` when given.
int runCommand(const std::string& command, std::string* output = nullptr);

// Quotes a path for the shell.
std::string shellQuote(const std::string& text);

// Writes channels (non-interleaved) as a 32-bit float WAV.
bool writeFloatWav(const std::filesystem::path& path, const std::vector<std::vector<float>>& channels,
                   int sampleRate);

// Reads any file libsndfile opens into per-channel float arrays; false on failure.
bool readSoundFile(const std::filesystem::path& path, std::vector<std::vector<float>>& channels,
                   int& sampleRate);

// A PCMBuffer filled from per-channel arrays (all the same length).
PCMBufferPtr makeBuffer(const std::vector<std::vector<float>>& channels, double sampleRate);

// A PCMBuffer whose sample i of channel c is (c + 1) * 1000 + i, so any copy can be traced to its source
// frame.
PCMBufferPtr makeRampBuffer(uint32_t frames, uint32_t channels, double sampleRate = 44100);

} // namespace barquill::test
