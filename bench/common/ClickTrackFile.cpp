#include "ClickTrackFile.h"

#include "buffer/PCMBuffer.h"
#include "export/WAVWriter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>

namespace barquill::bench {

std::filesystem::path clickTrackFile(double minutes) {
    constexpr double kRate = 44100;
    const char* dir = std::getenv("BARQUILL_BENCH_DIR");
    const std::filesystem::path folder = dir ? dir : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(folder);
    const auto path = folder / ("44100-2-s16-clicks-" + std::to_string(std::lround(minutes)) + "min.wav");
    if (std::filesystem::exists(path)) return path;
    const auto frames = static_cast<uint32_t>(minutes * 60 * kRate);
    PCMBufferPtr buffer = PCMBuffer::create(kRate, 2, frames);
    if (!buffer) {
        std::fprintf(stderr, "cannot allocate %s\n", path.c_str());
        std::exit(1);
    }
    buffer->setFrameLength(frames);
    uint32_t state = 0x12345678u;
    for (uint32_t c = 0; c < 2; ++c) {
        float* out = buffer->channel(c);
        for (uint32_t i = 0; i < frames; ++i) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            out[i] = 0.002f * (static_cast<float>(state) / 2147483648.0f - 1.0f);
        }
        int index = 0;
        for (double at = 0.25; at < minutes * 60; at += 0.5, ++index) {
            const float level = index % 4 == 1 ? 1.0f : 0.5f;
            const auto start = static_cast<uint32_t>(std::llround(at * kRate));
            for (uint32_t i = 0; i < 132 && start + i < frames; ++i) {
                const double t = i / kRate;
                out[start + i] += level * static_cast<float>(std::sin(2 * std::numbers::pi * 2000 * t) *
                                                             std::exp(-t / 0.001));
            }
        }
    }
    const WAVSettings s16{kRate, 2, 16, false, false, false};
    if (const auto failure = writeWAVFile(*buffer, path, s16)) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), failure->c_str());
        std::exit(1);
    }
    return path;
}

} // namespace barquill::bench
