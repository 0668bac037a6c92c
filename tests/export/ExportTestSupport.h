#pragma once

#include "TestSupport.h"
#include "buffer/PCMBuffer.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <set>
#include <string>
#include <vector>

// Helpers for the export tests: synthetic signals, folder listings and raw RIFF reads.
namespace barquill::test {

// A sine of `hz` at `amplitude` in every channel (channel c phase-shifted by c radians).
inline PCMBufferPtr makeSineBuffer(double hz, float amplitude, uint32_t frames, uint32_t channels,
                                   double rate) {
    std::vector<std::vector<float>> data(channels, std::vector<float>(frames));
    for (uint32_t c = 0; c < channels; ++c)
        for (uint32_t i = 0; i < frames; ++i)
            data[c][i] = amplitude * static_cast<float>(std::sin(2 * std::numbers::pi * hz * i / rate + c));
    return makeBuffer(data, rate);
}

inline std::set<std::string> fileNamesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.insert(entry.path().filename().string());
    return names;
}

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline uint32_t littleEndian(const std::string& bytes, size_t at, size_t size) {
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

// The bodies of a RIFF file's top-level chunks by id (the first of each), and of LIST/INFO's
// sub-chunks as "LIST/INAM" and so on; empty when the file is not RIFF.
inline std::map<std::string, std::string> riffChunks(const std::filesystem::path& path) {
    std::map<std::string, std::string> chunks;
    const std::string bytes = readBytes(path);
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0) return chunks;
    chunks["RIFF size"] = std::to_string(littleEndian(bytes, 4, 4));
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const uint32_t size = littleEndian(bytes, at + 4, 4);
        const std::string body = bytes.substr(at + 8, size);
        chunks.emplace(id, body);
        if (id == "LIST" && body.compare(0, 4, "INFO") == 0)
            for (size_t sub = 4; sub + 8 <= body.size();) {
                const uint32_t n = littleEndian(body, sub + 4, 4);
                chunks.emplace("LIST/" + body.substr(sub, 4), body.substr(sub + 8, n));
                sub += 8 + n + (n & 1);
            }
        at += 8 + size + (size & 1);
    }
    return chunks;
}

// What the "fmt " chunk says: format tag (the sub-format's for WAVE_FORMAT_EXTENSIBLE), channels,
// rate, bits per sample, and the data chunk's size.
struct WavHeader {
    uint32_t formatTag = 0, channels = 0, sampleRate = 0, bitsPerSample = 0, dataBytes = 0;
    bool extensible = false;
    bool operator==(const WavHeader&) const = default;
};

inline WavHeader readWavHeader(const std::filesystem::path& path) {
    auto chunks = riffChunks(path);
    const std::string& fmt = chunks["fmt "];
    if (fmt.size() < 16) return {};
    WavHeader h{littleEndian(fmt, 0, 2),
                littleEndian(fmt, 2, 2),
                littleEndian(fmt, 4, 4),
                littleEndian(fmt, 14, 2),
                static_cast<uint32_t>(chunks["data"].size()),
                false};
    if (h.formatTag == 0xFFFE && fmt.size() >= 40)
        h.formatTag = littleEndian(fmt, 24, 2), h.extensible = true;
    return h;
}

// Runs `body` with files limited to `bytes`: a write past it fails part-way as on a full disk,
// without needing root or a mount.
inline void withFileSizeLimit(rlim_t bytes, const std::function<void()>& body) {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = bytes;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    body();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
}

// An export destination, `folder` inside a temporary folder, and the samples of what was written there.
class ExportFolderTest : public ::testing::Test {
protected:
    explicit ExportFolderTest(const std::string& folderName) : folder(dir / folderName) {
        std::filesystem::create_directory(folder);
    }

    // Channel c of the written file `name`; empty (and a failure) when it cannot be read.
    std::vector<float> channelOf(const std::string& name, size_t c) {
        std::vector<std::vector<float>> data;
        int rate = 0;
        EXPECT_TRUE(readSoundFile(folder / name, data, rate)) << name;
        return data.size() > c ? data[c] : std::vector<float>{};
    }

    TempDir dir;
    std::filesystem::path folder;
};

} // namespace barquill::test
