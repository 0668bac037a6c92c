#include "platform/decode/AssetFormat.h"
#include "platform/decode/DecodeErrors.h"
#include "platform/decode/Decoders.h"
#include "platform/decode/Deinterleave.h"
#include "platform/decode/FrameCollector.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

#include <memory>
#include <mutex>
#include <new>
#include <vector>

// decodeAsset: FFmpeg decodes the first audio stream of any container to planar float at the
// stream's own rate and channel count.
namespace barquill {
namespace {

// FFmpeg's texts alone ("End of file", "Invalid data found when processing input") do not tell a
// person what happened: system errors say what the system refused, all else is a damaged file.
DecodeError ffmpegError(int code, const std::string& path) {
    // AVERROR(e) is -e for the system's errno values; FFmpeg's own codes are four-letter tags.
    const int errnoValue = -code;
    if (errnoValue > 0 && errnoValue < 4096 && errnoValue != EINVAL)
        return fileSystemError("FFmpeg", errnoValue, path);
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return damagedFileError("FFmpeg", code, path, text);
}

// FFmpeg would otherwise print warnings about every odd file on stderr.
void silenceFFmpeg() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

struct FormatCloser {
    void operator()(AVFormatContext* context) const noexcept { avformat_close_input(&context); }
};
struct CodecCloser {
    void operator()(AVCodecContext* context) const noexcept { avcodec_free_context(&context); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const noexcept { av_packet_free(&packet); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const noexcept { av_frame_free(&frame); }
};
struct ResamplerFree {
    void operator()(SwrContext* context) const noexcept { swr_free(&context); }
};

// Turns decoded frames of any sample format into one float array per target channel.
// Planar float with the right channel count passes through untouched; interleaved float is
// split; everything else (integer codecs, a channel count that differs from the target) goes
// through libswresample, at the frame's own rate so nothing is resampled.
class PlanarFloat {
public:
    explicit PlanarFloat(uint32_t channels) : channels_(channels), planes_(channels), pointers_(channels) {}
    ~PlanarFloat() { av_channel_layout_uninit(&inLayout_); }
    PlanarFloat(const PlanarFloat&) = delete;
    PlanarFloat& operator=(const PlanarFloat&) = delete;

    // Planes holding frame.nb_samples frames, or null when the frame cannot be converted.
    const float* const* convert(const AVFrame& frame) {
        const auto frames = static_cast<size_t>(frame.nb_samples);
        const bool sameChannels = static_cast<uint32_t>(frame.ch_layout.nb_channels) == channels_;
        if (sameChannels && frame.format == AV_SAMPLE_FMT_FLTP)
            return reinterpret_cast<const float* const*>(frame.extended_data);
        if (!reserve(frames)) return nullptr;
        if (sameChannels && frame.format == AV_SAMPLE_FMT_FLT) {
            deinterleave(reinterpret_cast<const float*>(frame.extended_data[0]), channels_, frames,
                         pointers_.data());
            return pointers_.data();
        }
        if (!configure(frame)) return nullptr;
        auto* out = reinterpret_cast<uint8_t**>(pointers_.data());
        const int made = swr_convert(resampler_.get(), out, frame.nb_samples,
                                     const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
        return made == frame.nb_samples ? pointers_.data() : nullptr;
    }

private:
    bool reserve(size_t frames) {
        try {
            for (uint32_t c = 0; c < channels_; ++c) {
                if (planes_[c].size() < frames) planes_[c].resize(frames);
                pointers_[c] = planes_[c].data();
            }
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    // (Re)builds the converter when the frames' format changes mid-stream.
    bool configure(const AVFrame& frame) {
        if (resampler_ && frame.format == inFormat_ && frame.sample_rate == inRate_ &&
            av_channel_layout_compare(&frame.ch_layout, &inLayout_) == 0)
            return true;
        resampler_.reset();
        av_channel_layout_uninit(&inLayout_);
        if (av_channel_layout_copy(&inLayout_, &frame.ch_layout) < 0) return false;
        inFormat_ = frame.format;
        inRate_ = frame.sample_rate;

        AVChannelLayout in{}, out{};
        const bool remix = static_cast<uint32_t>(frame.ch_layout.nb_channels) != channels_;
        // Mixing needs named channels; an unnamed layout of n channels is taken as the default one.
        if (remix && frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, frame.ch_layout.nb_channels);
        else if (av_channel_layout_copy(&in, &frame.ch_layout) < 0)
            return false;
        if (remix)
            av_channel_layout_default(&out, static_cast<int>(channels_));
        else
            av_channel_layout_copy(&out, &in);
        SwrContext* context = nullptr;
        int rc =
            swr_alloc_set_opts2(&context, &out, AV_SAMPLE_FMT_FLTP, frame.sample_rate, &in,
                                static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        if (rc < 0 || !context) return false;
        resampler_.reset(context);
        return swr_init(context) >= 0;
    }

    uint32_t channels_;
    std::vector<std::vector<float>> planes_;
    std::vector<float*> pointers_;
    std::unique_ptr<SwrContext, ResamplerFree> resampler_;
    AVChannelLayout inLayout_{};
    int inFormat_ = -1;
    int inRate_ = 0;
};

// The stream's frame count at `rate` as the container states it, 0 when unknown.
int64_t statedFrames(const AVFormatContext& container, const AVStream& stream, double rate) {
    const AVRational target{1, static_cast<int>(rate)};
    if (stream.duration > 0 && stream.duration != AV_NOPTS_VALUE)
        return av_rescale_q(stream.duration, stream.time_base, target);
    if (container.duration > 0 && container.duration != AV_NOPTS_VALUE)
        return av_rescale_q(container.duration, AV_TIME_BASE_Q, target);
    return 0;
}

} // namespace

DecodeResult decodeAsset(const std::string& path) {
    silenceFFmpeg();
    AVFormatContext* opened = nullptr;
    if (int rc = avformat_open_input(&opened, path.c_str(), nullptr, nullptr); rc < 0)
        return decodeFailure(ffmpegError(rc, path));
    std::unique_ptr<AVFormatContext, FormatCloser> container(opened);
    if (int rc = avformat_find_stream_info(container.get(), nullptr); rc < 0)
        return decodeFailure(ffmpegError(rc, path));

    AVStream* stream = nullptr;
    for (unsigned i = 0; i < container->nb_streams && !stream; ++i)
        if (container->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) stream = container->streams[i];
    if (!stream) return decodeFailure(noAudioTrackError(path));
    // Lets the demuxer skip the other streams' data (the video of an m4v) instead of reading it.
    for (unsigned i = 0; i < container->nb_streams; ++i)
        if (container->streams[i] != stream) container->streams[i]->discard = AVDISCARD_ALL;

    const AVCodecParameters& parameters = *stream->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
    const auto format = assetTargetFormat(parameters.sample_rate, parameters.ch_layout.nb_channels);
    if (!codec || !format) return decodeFailure(unsupportedFormatError());

    std::unique_ptr<AVCodecContext, CodecCloser> decoder(avcodec_alloc_context3(codec));
    if (!decoder) return decodeFailure(ffmpegError(AVERROR(ENOMEM), path));
    if (int rc = avcodec_parameters_to_context(decoder.get(), &parameters); rc < 0)
        return decodeFailure(ffmpegError(rc, path));
    decoder->pkt_timebase = stream->time_base;
    if (int rc = avcodec_open2(decoder.get(), codec, nullptr); rc < 0)
        return decodeFailure(ffmpegError(rc, path));

    // AAC and friends decode whole codec frames, so the last one carries padding past the real
    // end; where the container states the stream's length, that length is the truth. (Start
    // padding is dropped by libavcodec itself from the packets' skip-samples data.)
    const int64_t stated = statedFrames(*container, *stream, format->sampleRate);
    const bool statedByStream =
        container->duration_estimation_method == AVFMT_DURATION_FROM_STREAM && stream->duration > 0;
    FrameCollector collector(*format, static_cast<uint64_t>(stated),
                             statedByStream && stated > 0 ? static_cast<uint64_t>(stated)
                                                          : FrameCollector::kNoLimit);
    PlanarFloat planar(format->channelCount);

    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    if (!packet || !frame) return decodeFailure(ffmpegError(AVERROR(ENOMEM), path));

    bool outOfMemory = false;
    // Takes every frame the decoder has ready. A frame that fails to decode is skipped, as a
    // player would, so a damaged or cut-off file yields what can be decoded.
    auto drain = [&] {
        for (;;) {
            const int rc = avcodec_receive_frame(decoder.get(), frame.get());
            if (rc < 0) return;
            if (const float* const* planes = planar.convert(*frame); planes && frame->nb_samples > 0)
                outOfMemory =
                    outOfMemory || !collector.append(planes, static_cast<uint32_t>(frame->nb_samples));
            av_frame_unref(frame.get());
        }
    };

    int readStatus = 0;
    while (!outOfMemory && !collector.reachedLimit()) {
        readStatus = av_read_frame(container.get(), packet.get());
        if (readStatus < 0) break;
        if (packet->stream_index == stream->index) {
            avcodec_send_packet(decoder.get(), packet.get());
            drain();
        }
        av_packet_unref(packet.get());
    }
    if (!outOfMemory && !collector.reachedLimit()) {
        avcodec_send_packet(decoder.get(), nullptr);
        drain();
    }

    // A failing reader ends the decode; the end of a (possibly cut-off) file does not.
    if (readStatus < 0 && readStatus != AVERROR_EOF) return decodeFailure(ffmpegError(readStatus, path));
    if (outOfMemory) return outOfMemoryFailure();
    const bool decodedAny = collector.frameCount() > 0;
    auto buffer = collector.finish();
    // With frames gathered, only the final buffer's allocation can have failed.
    if (!buffer) return decodedAny ? outOfMemoryFailure() : decodeFailure(couldNotDecodeError(path));

    DecodeResult result;
    result.buffer = std::move(buffer);
    result.format = *format;
    return result;
}

} // namespace barquill
