#pragma once

#include "TestSupport.h"
#include "buffer/PCMBuffer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <set>
#include <string>
#include <vector>

// Helpers for the export tests: synthetic signals, folder listings and raw WAV header reads.
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

// Deterministic pseudo-random samples in [-amplitude, amplitude].
inline std::vector<float> noise(size_t frames, float amplitude, uint32_t seed = 1) {
    std::vector<float> out(frames);
    uint32_t state = seed;
    for (auto& s : out) {
        state = state * 1664525u + 1013904223u;
        s = amplitude * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
    }
    return out;
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

// What the "fmt " chunk of a RIFF/WAVE file says; formatTag 0 when the file is not a plain WAV.
struct WavHeader {
    uint32_t formatTag = 0;
    uint32_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t bitsPerSample = 0;
    uint32_t dataBytes = 0;
    // WAVE_FORMAT_EXTENSIBLE; formatTag then holds the sub-format's tag.
    bool extensible = false;
};

inline WavHeader readWavHeader(const std::filesystem::path& path) {
    WavHeader header;
    const std::string bytes = readBytes(path);
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return header;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const uint32_t size = littleEndian(bytes, at + 4, 4);
        if (id == "fmt " && at + 24 <= bytes.size()) {
            header.formatTag = littleEndian(bytes, at + 8, 2);
            header.channels = littleEndian(bytes, at + 10, 2);
            header.sampleRate = littleEndian(bytes, at + 12, 4);
            header.bitsPerSample = littleEndian(bytes, at + 22, 2);
            if (header.formatTag == 0xFFFE && size >= 40 && at + 34 <= bytes.size()) {
                header.extensible = true;
                header.formatTag = littleEndian(bytes, at + 32, 2);
            }
        } else if (id == "data") {
            header.dataBytes = size;
        }
        at += 8 + size + (size & 1);
    }
    return header;
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

inline float littleEndianFloat(const std::string& bytes, size_t at) {
    const uint32_t bits = littleEndian(bytes, at, 4);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// RMS over [from, to) of one channel.
inline double rms(const float* samples, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

// Frequency from the linearly interpolated rising zero crossings in [from, to).
inline double zeroCrossingHz(const float* s, size_t from, size_t to, double rate) {
    double first = -1, last = -1;
    int count = 0;
    for (size_t i = from + 1; i < to; ++i) {
        if (s[i - 1] < 0 && s[i] >= 0) {
            const double t = static_cast<double>(i - 1) + s[i - 1] / (s[i - 1] - s[i]);
            if (first < 0) first = t;
            last = t;
            ++count;
        }
    }
    return count < 2 ? 0 : (count - 1) * rate / (last - first);
}

// Runs `body` in a child process that sees a real, nearly full file system: a tmpfs of `size`
// (e.g. "64k") mounted at `mountPoint` inside a private user and mount namespace, without root and
// without touching the machine's mounts. Returns what `body` returned, or none when the kernel
// does not allow the private mount (the caller skips).
inline std::optional<std::string> runOnSmallFileSystem(const std::filesystem::path& mountPoint,
                                                       const char* size,
                                                       const std::function<std::string()>& body) {
    std::filesystem::create_directories(mountPoint);
    int fds[2];
    if (pipe(fds) != 0) return std::string("pipe failed");
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) _exit(77);
        // Keep our own identity inside the namespace, or new files would belong to nobody.
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << uid << " " << uid << " 1";
        std::ofstream("/proc/self/gid_map") << gid << " " << gid << " 1";
        const std::string options = std::string("size=") + size;
        if (mount("none", mountPoint.c_str(), "tmpfs", 0, options.c_str()) != 0) _exit(77);
        const std::string report = body();
        if (write(fds[1], report.data(), report.size()) < 0) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    std::string report;
    char chunk[512];
    for (ssize_t n; (n = read(fds[0], chunk, sizeof chunk)) > 0;)
        report.append(chunk, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) return std::nullopt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child failed: " + report;
    return report;
}

} // namespace barquill::test
