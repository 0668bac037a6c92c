#include "platform/audio/PulseSinks.h"

#ifdef BARQUILL_HAVE_PULSE
#include <pulse/pulseaudio.h>
#endif

#include <chrono>

namespace barquill {

std::string pulseSinkAlsaDevice(const std::string& sinkName) {
    // ALSA's argument syntax; the quotes keep dots and dashes of sink names intact.
    std::string quoted;
    for (char c : sinkName)
        if (c != '"' && c != '\\') quoted += c;
    return "pulse:DEVICE=\"" + quoted + "\"";
}

#ifdef BARQUILL_HAVE_PULSE

namespace {

constexpr auto kServerTimeout = std::chrono::milliseconds(1000);

struct Query {
    std::vector<OutputDevice> sinks;
    std::string defaultSink;
    bool isPipeWire = false;
    int pending = 0;
    bool failed = false;
};

void onServerInfo(pa_context*, const pa_server_info* info, void* data) {
    auto* query = static_cast<Query*>(data);
    if (info) {
        if (info->default_sink_name) query->defaultSink = info->default_sink_name;
        query->isPipeWire =
            info->server_name && std::string(info->server_name).find("PipeWire") != std::string::npos;
    }
    --query->pending;
}

void onSink(pa_context*, const pa_sink_info* info, int eol, void* data) {
    auto* query = static_cast<Query*>(data);
    if (eol != 0) {
        if (eol < 0) query->failed = true;
        --query->pending;
        return;
    }
    if (!info || !info->name) return;
    OutputDevice device;
    device.id = std::string(kPulseIdPrefix) + info->name;
    device.name = info->description && *info->description ? info->description : info->name;
    device.maxOutputChannels = info->sample_spec.channels;
    query->sinks.push_back(std::move(device));
}

} // namespace

std::vector<OutputDevice> listPulseSinks() {
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop) return {};
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Barquill");
    Query query;
    bool asked = false;
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        const auto deadline = std::chrono::steady_clock::now() + kServerTimeout;
        while (std::chrono::steady_clock::now() < deadline) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (!PA_CONTEXT_IS_GOOD(state)) break;
            if (state == PA_CONTEXT_READY && !asked) {
                asked = true;
                query.pending = 2;
                if (pa_operation* op = pa_context_get_server_info(context, &onServerInfo, &query))
                    pa_operation_unref(op);
                else
                    --query.pending;
                if (pa_operation* op = pa_context_get_sink_info_list(context, &onSink, &query))
                    pa_operation_unref(op);
                else
                    query.failed = true, --query.pending;
            }
            if (asked && query.pending <= 0) break;
            // Wait at most 50 ms per round so the deadline holds.
            if (pa_mainloop_prepare(loop, 50000) < 0 || pa_mainloop_poll(loop) < 0 ||
                pa_mainloop_dispatch(loop) < 0)
                break;
        }
    }
    if (context) {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    pa_mainloop_free(loop);
    if (!asked || query.pending > 0 || query.failed) return {};
    for (OutputDevice& sink : query.sinks) {
        sink.hostApi = query.isPipeWire ? "PipeWire" : "PulseAudio";
        sink.isDefault = sink.id == kPulseIdPrefix + query.defaultSink;
    }
    return query.sinks;
}

#else

std::vector<OutputDevice> listPulseSinks() {
    return {};
}

#endif

} // namespace barquill
