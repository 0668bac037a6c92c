#include "AudioFixtures.h"

#include "TestSupport.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace barquill::test {
namespace {

struct Container {
    const char* muxer;
    const char* codec;
    const char* sampleFormat; // forced for lossless codecs so values stay 16-bit exact
};

const std::map<std::string, Container>& containers() {
    static const std::map<std::string, Container> table = {
        {"wav", {"wav", "pcm_s16le", ""}},  {"wave", {"wav", "pcm_s16le", ""}},
        {"aif", {"aiff", "pcm_s16be", ""}}, {"aiff", {"aiff", "pcm_s16be", ""}},
        {"caf", {"caf", "pcm_s16le", ""}},  {"flac", {"flac", "flac", "s16"}},
        {"mp3", {"mp3", "libmp3lame", ""}}, {"m4a", {"mp4", "aac", ""}},
        {"mp4", {"mp4", "aac", ""}},        {"m4v", {"mp4", "aac", ""}},
        {"ogg", {"ogg", "libvorbis", ""}},  {"opus", {"ogg", "libopus", ""}},
    };
    return table;
}

std::string secondsText(double seconds) {
    std::ostringstream text;
    text << seconds;
    return text.str() + "s";
}

// Runs `command` with "{out}" standing for a temporary name next to `target`, then moves the
// result into place, so a concurrent reader never sees a half-written file.
bool makeOnce(const fs::path& target, const std::string& command) {
    std::error_code ec;
    if (fs::exists(target, ec)) return true;
    const fs::path temporary =
        target.parent_path() / (".tmp-" + std::to_string(getpid()) + "-" + target.filename().string());
    std::string expanded = command;
    expanded.replace(expanded.find("{out}"), 5, shellQuote(temporary.string()));
    if (runCommand(expanded + " 2>&1") != 0) {
        fs::remove(temporary, ec);
        return false;
    }
    fs::rename(temporary, target, ec);
    return !ec;
}

// The fixture signal as a 32-bit float WAV, the source of every encoded fixture.
fs::path sourceWav(int sampleRate, int channels, double seconds) {
    const fs::path target = fixtureDir() / ("source-" + std::to_string(sampleRate) + "-" +
                                            std::to_string(channels) + "-" + secondsText(seconds) + ".wav");
    std::error_code ec;
    if (fs::exists(target, ec)) return target;
    const auto frames = static_cast<uint64_t>(std::llround(seconds * sampleRate));
    std::vector<std::vector<float>> samples(channels, std::vector<float>(frames));
    for (int c = 0; c < channels; ++c)
        for (uint64_t f = 0; f < frames; ++f)
            samples[c][f] = fixtureSample(c, f, sampleRate);
    const fs::path temporary =
        fixtureDir() / (".tmp-" + std::to_string(getpid()) + "-" + target.filename().string());
    if (!writeFloatWav(temporary, samples, sampleRate)) return {};
    fs::rename(temporary, target, ec);
    return ec ? fs::path{} : target;
}

} // namespace

float fixtureSample(uint32_t channel, uint64_t frame, int sampleRate) {
    // Channel 3 is the LFE of a 5.1 layout, which lossy encoders low-pass: it gets a bass tone.
    const double frequency = channel == 3 ? 55.0 : 220.0 + 117.0 * channel;
    const double value = 0.5 * std::sin(2.0 * M_PI * frequency * static_cast<double>(frame) / sampleRate);
    return static_cast<float>(std::round(value * 32767.0) / 32768.0);
}

uint64_t fixtureFrames(const AudioFixtureSpec& wanted) {
    return static_cast<uint64_t>(std::llround(wanted.durationSeconds * wanted.sampleRate));
}

fs::path audioFixture(const AudioFixtureSpec& wanted) {
    const auto container = containers().find(wanted.extension);
    if (container == containers().end()) return {};
    const std::string codec = wanted.codec.empty() ? container->second.codec : wanted.codec;
    std::string sampleFormat = container->second.sampleFormat;
    if (codec == "alac") sampleFormat = "s16p";

    std::string name = std::to_string(wanted.sampleRate) + "-" + std::to_string(wanted.channels) + "-" +
                       secondsText(wanted.durationSeconds);
    if (!wanted.codec.empty()) name += "-" + wanted.codec;
    if (wanted.withVideo) name += "-video";
    const fs::path target = fixtureDir() / (name + "." + wanted.extension);

    const fs::path source = sourceWav(wanted.sampleRate, wanted.channels, wanted.durationSeconds);
    if (source.empty()) return {};
    std::string command = "ffmpeg -nostdin -v error -y";
    if (wanted.withVideo)
        command +=
            " -f lavfi -i testsrc=size=64x48:rate=10:duration=" + std::to_string(wanted.durationSeconds);
    command += " -i " + shellQuote(source.string());
    if (wanted.withVideo) command += " -map 0:v -map 1:a -c:v mpeg4";
    command += " -c:a " + codec;
    if (!sampleFormat.empty()) command += " -sample_fmt " + sampleFormat;
    command += " -f " + std::string(container->second.muxer) + " {out}";
    return makeOnce(target, command) ? target : fs::path{};
}

fs::path videoOnlyFixture() {
    const fs::path target = fixtureDir() / "video-only.mp4";
    const std::string command =
        "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=64x48:rate=10:duration=1 "
        "-c:v mpeg4 -f mp4 {out}";
    return makeOnce(target, command) ? target : fs::path{};
}

} // namespace barquill::test
