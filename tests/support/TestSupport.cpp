#include "TestSupport.h"

#include <sndfile.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace barquill::test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "barquill-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? fs::path(pattern) : fs::temp_directory_path();
}

TempDir::~TempDir() {
    std::error_code ec;
    if (path_ != fs::temp_directory_path()) {
        // Give back write permission first so read-only test folders can be removed.
        for (auto& entry : fs::recursive_directory_iterator(path_, ec))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
}

fs::path fixtureDir() {
    static const fs::path dir = [] {
        const char* env = std::getenv("BARQUILL_FIXTURE_DIR");
        const fs::path p =
            env && *env ? fs::path(env)
                        : fs::temp_directory_path() / ("barquill-fixtures-" + std::to_string(getuid()));
        std::error_code ec;
        fs::create_directories(p, ec);
        return p;
    }();
    return dir;
}

int runCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> chunk{};
    size_t n = 0;
    while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        if (output) output->append(chunk.data(), n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char ch : text)
        quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return quoted + "'";
}

bool writeFloatWav(const fs::path& path, const std::vector<std::vector<float>>& channels, int sampleRate) {
    if (channels.empty()) return false;
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = static_cast<int>(channels.size());
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    const size_t frames = channels[0].size();
    std::vector<float> interleaved(frames * channels.size());
    for (size_t f = 0; f < frames; ++f)
        for (size_t c = 0; c < channels.size(); ++c)
            interleaved[f * channels.size() + c] = channels[c][f];
    const sf_count_t written = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames));
    sf_close(file);
    return written == static_cast<sf_count_t>(frames);
}

bool readSoundFile(const fs::path& path, std::vector<std::vector<float>>& channels, int& sampleRate) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return false;
    std::vector<float> interleaved(static_cast<size_t>(info.frames) * info.channels);
    const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    channels.assign(info.channels, std::vector<float>(static_cast<size_t>(got)));
    for (sf_count_t f = 0; f < got; ++f)
        for (int c = 0; c < info.channels; ++c)
            channels[c][f] = interleaved[f * info.channels + c];
    sampleRate = info.samplerate;
    return true;
}

PCMBufferPtr makeBuffer(const std::vector<std::vector<float>>& channels, double sampleRate) {
    const auto frames = static_cast<uint32_t>(channels.empty() ? 0 : channels[0].size());
    auto buffer = PCMBuffer::create(sampleRate, static_cast<uint32_t>(channels.size()), frames);
    if (!buffer) return nullptr;
    for (uint32_t c = 0; c < channels.size(); ++c)
        std::copy(channels[c].begin(), channels[c].end(), buffer->channel(c));
    buffer->setFrameLength(frames);
    return buffer;
}

PCMBufferPtr makeRampBuffer(uint32_t frames, uint32_t channels, double sampleRate) {
    std::vector<std::vector<float>> ramp(channels, std::vector<float>(frames));
    for (uint32_t c = 0; c < channels; ++c)
        for (uint32_t i = 0; i < frames; ++i)
            ramp[c][i] = static_cast<float>((c + 1) * 1000 + i);
    return makeBuffer(ramp, sampleRate);
}

} // namespace barquill::test
