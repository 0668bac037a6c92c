#include "export/WAVWriter.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace barquill {

namespace {

namespace fs = std::filesystem;

// The temporary file, written through libsndfile's virtual I/O so that every failed write, including
// the header rewrite inside sf_close, is seen here with its errno.
struct TempFile {
    int fd = -1;
    int firstErrno = 0;

    void fail(int err) {
        if (firstErrno == 0) firstErrno = err != 0 ? err : EIO;
    }
};

sf_count_t vioLength(void* user) {
    auto* f = static_cast<TempFile*>(user);
    const off_t here = lseek(f->fd, 0, SEEK_CUR);
    const off_t end = lseek(f->fd, 0, SEEK_END);
    if (here < 0 || end < 0 || lseek(f->fd, here, SEEK_SET) < 0) {
        f->fail(errno);
        return -1;
    }
    return end;
}

sf_count_t vioSeek(sf_count_t offset, int whence, void* user) {
    auto* f = static_cast<TempFile*>(user);
    const off_t pos = lseek(f->fd, offset, whence);
    if (pos < 0) f->fail(errno);
    return pos;
}

sf_count_t vioRead(void* ptr, sf_count_t count, void* user) {
    auto* f = static_cast<TempFile*>(user);
    sf_count_t done = 0;
    while (done < count) {
        const ssize_t n = read(f->fd, static_cast<char*>(ptr) + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            f->fail(errno);
            break;
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

sf_count_t vioWrite(const void* ptr, sf_count_t count, void* user) {
    auto* f = static_cast<TempFile*>(user);
    sf_count_t done = 0;
    while (done < count) {
        const ssize_t n =
            write(f->fd, static_cast<const char*>(ptr) + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            f->fail(n < 0 ? errno : ENOSPC);
            break;
        }
        done += n;
    }
    return done;
}

sf_count_t vioTell(void* user) {
    auto* f = static_cast<TempFile*>(user);
    const off_t pos = lseek(f->fd, 0, SEEK_CUR);
    if (pos < 0) f->fail(errno);
    return pos;
}

std::string quoted(const std::string& text) {
    return "“" + text + "”";
}

std::string errnoText(int err) {
    return std::generic_category().message(err);
}

std::string folderName(const fs::path& folder) {
    const fs::path name = folder.filename();
    return name.empty() ? folder.string() : name.string();
}

// Creates a fresh file next to the destination; the mode honours the umask like any new file.
int createTempFile(const fs::path& folder, fs::path& tempPath) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, ".barquill-%016llx.part", static_cast<unsigned long long>(random()));
        tempPath = folder / name;
        const int fd = open(tempPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

int sndfileFormat(const WAVSettings& settings) {
    if (settings.isFloat) return settings.bitsPerSample == 32 ? SF_FORMAT_WAV | SF_FORMAT_FLOAT : 0;
    if (settings.bitsPerSample == 16) return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    if (settings.bitsPerSample == 24) return SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    return 0;
}

// Fills the open temporary file; returns none or the failure's description.
// The chunks libsndfile writes itself; they must be set before the first sample.
void setMetadata(SNDFILE* sf, const WAVMetadata& metadata, uint32_t frames) {
    if (!metadata.title.empty()) sf_set_string(sf, SF_STR_TITLE, metadata.title.c_str());
    if (metadata.unityNote >= 0) {
        SF_INSTRUMENT instrument{};
        instrument.basenote = static_cast<char>(metadata.unityNote);
        instrument.velocity_lo = instrument.key_lo = 0;
        instrument.velocity_hi = instrument.key_hi = 127;
        instrument.gain = 1;
        if (metadata.loop && frames > 0) {
            instrument.loop_count = 1;
            instrument.loops[0].mode = SF_LOOP_FORWARD;
            instrument.loops[0].start = 0;
            instrument.loops[0].end = frames; // libsndfile stores the inclusive last frame
            instrument.loops[0].count = 0;    // endless
        }
        sf_command(sf, SFC_SET_INSTRUMENT, &instrument, sizeof instrument);
    }
    if (!metadata.cueFrames.empty()) {
        const size_t count = std::min<size_t>(metadata.cueFrames.size(), 100);
        SF_CUES cues{};
        cues.cue_count = static_cast<uint32_t>(count);
        for (size_t i = 0; i < count; ++i) {
            SF_CUE_POINT& point = cues.cue_points[i];
            point.indx = static_cast<int32_t>(i + 1);
            point.position = static_cast<uint32_t>(metadata.cueFrames[i]);
            point.fcc_chunk = 0x61746164; // "data"
            point.sample_offset = static_cast<uint32_t>(metadata.cueFrames[i]);
        }
        sf_command(sf, SFC_SET_CUE, &cues, sizeof cues);
    }
}

// Appends the acid chunk and makes the RIFF size cover it. libsndfile ends a file on an even byte.
bool appendAcidChunk(TempFile& file, const WAVMetadata& metadata) {
    const std::string body = acidChunkBody(metadata);
    std::string chunk = "acid";
    for (int i = 0; i < 4; ++i)
        chunk.push_back(static_cast<char>((body.size() >> (8 * i)) & 0xff));
    chunk += body;
    char magic[4] = {};
    if (vioSeek(0, SEEK_SET, &file) != 0 || vioRead(magic, 4, &file) != 4) return false;
    if (std::string(magic, 4) != "RIFF") return true; // RF64 files keep to libsndfile's chunks
    sf_count_t end = vioSeek(0, SEEK_END, &file);
    if (end < 0) return false;
    if (end & 1) {
        if (vioWrite("", 1, &file) != 1) return false;
        ++end;
    }
    if (vioWrite(chunk.data(), static_cast<sf_count_t>(chunk.size()), &file) !=
        static_cast<sf_count_t>(chunk.size()))
        return false;
    const uint64_t riffSize = static_cast<uint64_t>(end) + chunk.size() - 8;
    if (riffSize > 0xffffffffu) return false;
    char size[4];
    for (int i = 0; i < 4; ++i)
        size[i] = static_cast<char>((riffSize >> (8 * i)) & 0xff);
    return vioSeek(4, SEEK_SET, &file) == 4 && vioWrite(size, 4, &file) == 4;
}

std::optional<std::string> writeSamples(const PCMBuffer& buffer, TempFile& file, const SF_INFO& format,
                                        const std::string& fileName, const WAVMetadata& metadata) {
    SF_VIRTUAL_IO io{vioLength, vioSeek, vioRead, vioWrite, vioTell};
    SF_INFO info = format;
    SNDFILE* sf = sf_open_virtual(&io, SFM_WRITE, &info, &file);
    if (!sf) {
        if (file.firstErrno)
            return "Could not write " + quoted(fileName) + ": " + errnoText(file.firstErrno) + ".";
        return "Could not write " + quoted(fileName) + ": " + sf_strerror(nullptr) + ".";
    }
    // The integer conversion clips instead of wrapping round; no PEAK chunk, the header stays plain.
    sf_command(sf, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_command(sf, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    setMetadata(sf, metadata, buffer.frameLength());

    const uint32_t channels = buffer.channelCount();
    const uint32_t frames = buffer.frameLength();
    constexpr uint32_t chunkFrames = 4096;
    std::vector<float> interleaved(static_cast<size_t>(chunkFrames) * channels);
    std::string sndfileError;
    for (uint32_t pos = 0; pos < frames && !file.firstErrno; pos += chunkFrames) {
        const uint32_t n = std::min(chunkFrames, frames - pos);
        for (uint32_t c = 0; c < channels; ++c) {
            const float* src = buffer.channel(c) + pos;
            for (uint32_t i = 0; i < n; ++i)
                interleaved[static_cast<size_t>(i) * channels + c] = src[i];
        }
        if (sf_writef_float(sf, interleaved.data(), n) != n) {
            sndfileError = sf_strerror(sf);
            break;
        }
    }
    const int closeError = sf_close(sf);
    if (file.firstErrno)
        return "Could not write " + quoted(fileName) + ": " + errnoText(file.firstErrno) + ".";
    if (!sndfileError.empty()) return "Could not write " + quoted(fileName) + ": " + sndfileError + ".";
    if (closeError != 0)
        return "Could not write " + quoted(fileName) + ": " + sf_error_number(closeError) + ".";
    if (metadata.bpm > 0 && !appendAcidChunk(file, metadata))
        return "Could not write " + quoted(fileName) + ": " +
               errnoText(file.firstErrno ? file.firstErrno : EIO) + ".";
    return std::nullopt;
}

} // namespace

std::optional<std::string> writeWAVFile(const PCMBuffer& buffer, const fs::path& path,
                                        const WAVSettings& settings, const WAVMetadata& metadata) {
    const std::string fileName = path.filename().string();
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");

    SF_INFO format{};
    format.format = sndfileFormat(settings);
    const double rate = std::round(settings.sampleRate);
    if (format.format == 0 || settings.isBigEndian || !(rate >= 1) || rate > 1.0e7)
        return "Could not write " + quoted(fileName) + ": unsupported WAV format.";
    if (settings.channelCount != buffer.channelCount() || buffer.channelCount() == 0)
        return "Could not write " + quoted(fileName) + ": the channel count does not match the audio.";
    format.samplerate = static_cast<int>(rate);
    format.channels = static_cast<int>(settings.channelCount);
    // Beyond stereo, readers expect the extensible header that says which channel is which.
    if (format.channels > 2) format.format = (format.format & ~SF_FORMAT_TYPEMASK) | SF_FORMAT_WAVEX;
    if (!sf_format_check(&format)) return "Could not write " + quoted(fileName) + ": unsupported WAV format.";

    fs::path tempPath;
    TempFile file;
    file.fd = createTempFile(folder, tempPath);
    if (file.fd < 0)
        return "Could not create " + quoted(fileName) + " in " + quoted(folderName(folder)) + ": " +
               errnoText(errno) + ".";

    std::optional<std::string> failure;
    try {
        failure = writeSamples(buffer, file, format, fileName, metadata);
    } catch (const std::bad_alloc&) {
        failure = "Could not write " + quoted(fileName) + ": out of memory.";
    }
    if (close(file.fd) != 0 && !failure)
        failure = "Could not write " + quoted(fileName) + ": " + errnoText(errno) + ".";
    if (!failure && std::rename(tempPath.c_str(), path.c_str()) != 0)
        failure = "Could not save " + quoted(fileName) + " in " + quoted(folderName(folder)) + ": " +
                  errnoText(errno) + ".";
    if (failure) unlink(tempPath.c_str());
    return failure;
}

} // namespace barquill
