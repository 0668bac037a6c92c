#include "platform/decode/DecodeErrors.h"
#include "platform/decode/Decoders.h"
#include "platform/decode/Deinterleave.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

// decodeFile: libsndfile reads the whole file at its own rate and channel count; only the
// sample format changes (to float, -1…1 for integer files).
namespace barquill {
namespace {

// Large enough that per-call overhead vanishes, small enough that the interleaved scratch
// stays in cache and never costs a second copy of the file.
constexpr sf_count_t kBlockFrames = 1 << 15;

DecodeError systemError(int code, const std::string& path) {
    return fileSystemError("POSIX", code, path);
}

DecodeError sndfileError(SNDFILE* file, const std::string& path) {
    return damagedFileError("libsndfile", sf_error(file), path, sf_strerror(file));
}

struct SndfileCloser {
    void operator()(SNDFILE* file) const noexcept { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

// Opening the descriptor ourselves gives the plain system reason (missing, no permission,
// a folder) instead of libsndfile's shared global error text.
std::optional<DecodeError> openReadable(const std::string& path, int& fd) {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return systemError(errno, path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int code = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        fd = -1;
        return systemError(code, path);
    }
    return std::nullopt;
}

// Reads `count` frames from the handle's position into the buffer from frame `start`; returns how
// many arrived (fewer when the file ends early or is damaged there).
sf_count_t readRange(SNDFILE* file, PCMBuffer& buffer, sf_count_t start, sf_count_t count,
                     std::vector<float>& scratch) {
    const uint32_t channels = buffer.channelCount();
    std::vector<float*> out(channels);
    sf_count_t done = 0;
    while (done < count) {
        const sf_count_t want = std::min(kBlockFrames, count - done);
        for (uint32_t c = 0; c < channels; ++c)
            out[c] = buffer.channel(c) + start + done;
        // Mono needs no de-interleaving: read straight into the channel.
        float* target = channels == 1 ? out[0] : scratch.data();
        const sf_count_t got = sf_readf_float(file, target, want);
        if (got <= 0) break;
        if (channels > 1) deinterleave(scratch.data(), channels, static_cast<size_t>(got), out.data());
        done += got;
    }
    return done;
}

// A long seekable file is read as two halves on two threads: decoding and the kernel's first
// touch of the fresh buffer are most of an open, and both split cleanly. libsndfile's seeks are
// sample-exact (FLAC and PCM by position, MP3 through mpg123's frame index with the decoder
// state rebuilt from the frames before the seek point), so the halves join without a seam.
// Layer III below 32 kHz (MPEG-2 and 2.5, half-length frames) is the exception: its rebuilt
// state differs from a reader's that came from the start, so those files are read whole.
// Returns the frames read; -1 when the second half could not be set up (the caller then reads
// the whole file on its own).
sf_count_t readHalvesInParallel(SNDFILE* first, const std::string& path, PCMBuffer& buffer,
                                std::vector<float>& scratch) {
    const sf_count_t total = buffer.frameCapacity();
    const sf_count_t half = total / 2;
    int fd = -1;
    if (openReadable(path, fd)) return -1;
    SF_INFO info{};
    SndfileHandle second(sf_open_fd(fd, SFM_READ, &info, SF_TRUE));
    if (!second || info.frames != total || sf_seek(second.get(), half, SEEK_SET) != half) return -1;
    sf_count_t secondGot = 0;
    try {
        std::vector<float> secondScratch(scratch.size());
        std::thread reader(
            [&] { secondGot = readRange(second.get(), buffer, half, total - half, secondScratch); });
        const sf_count_t firstGot = readRange(first, buffer, 0, half, scratch);
        reader.join();
        // A damaged first half ends the file there, as a reader from the start would find it.
        return firstGot < half ? firstGot : half + secondGot;
    } catch (const std::system_error&) {
        return -1; // no thread to be had: nothing was read yet
    }
}

} // namespace

DecodeResult decodeFile(const std::string& path, int64_t halvesFromFrames) {
    int fd = -1;
    if (auto error = openReadable(path, fd)) return decodeFailure(*error);
    SF_INFO info{};
    SndfileHandle file(sf_open_fd(fd, SFM_READ, &info, SF_TRUE));
    if (!file) return decodeFailure(sndfileError(nullptr, path));

    // The length must fit the buffer's 32-bit frame count; an empty file has nothing to hold.
    if (info.frames <= 0 || info.frames > static_cast<sf_count_t>(UINT32_MAX) || info.channels <= 0 ||
        info.samplerate <= 0)
        return decodeFailure(allocationFailedError());
    const AudioFormat format{static_cast<double>(info.samplerate), static_cast<uint32_t>(info.channels)};
    auto buffer = PCMBuffer::create(format, static_cast<uint32_t>(info.frames));
    if (!buffer) return outOfMemoryFailure();
    std::vector<float> scratch;
    try {
        if (info.channels > 1) scratch.resize(static_cast<size_t>(kBlockFrames) * info.channels);
    } catch (const std::bad_alloc&) {
        return outOfMemoryFailure();
    }

    sf_count_t got = -1;
    const bool lowRateLayerIII =
        (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG && info.samplerate < 32000;
    if (info.seekable && !lowRateLayerIII && info.frames >= halvesFromFrames &&
        std::thread::hardware_concurrency() > 1)
        got = readHalvesInParallel(file.get(), path, *buffer, scratch);
    if (got < 0) got = readRange(file.get(), *buffer, 0, info.frames, scratch);
    // A file cut short keeps what could be decoded; one that yields nothing is a read error.
    if (got <= 0) {
        DecodeError error = sndfileError(file.get(), path);
        if (error.code == SF_ERR_NO_ERROR)
            error = damagedFileError("libsndfile", SF_ERR_MALFORMED_FILE, path, "no audio could be read");
        return decodeFailure(std::move(error));
    }
    buffer->setFrameLength(static_cast<uint32_t>(got));

    DecodeResult result;
    result.buffer = std::move(buffer);
    result.format = format;
    return result;
}

DecodeResult decodeFile(const std::string& path) {
    // Below about a minute a second thread saves too little to be worth starting.
    return decodeFile(path, int64_t{1} << 21);
}

} // namespace barquill
