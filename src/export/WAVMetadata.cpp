#include "export/WAVMetadata.h"

#include <cmath>
#include <cstring>

namespace barquill {

namespace {

void put(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

void putFloat(std::string& out, float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    put(out, bits, 4);
}

} // namespace

std::string acidChunkBody(const WAVMetadata& metadata) {
    constexpr uint32_t oneShot = 0x01, rootNoteSet = 0x02, stretch = 0x04;
    std::string body;
    put(body, (metadata.loop ? stretch : oneShot) | rootNoteSet, 4);
    put(body, static_cast<uint32_t>(metadata.unityNote < 0 ? 60 : metadata.unityNote), 2);
    put(body, 0x8000, 2); // fixed by the format
    putFloat(body, 0.0f);
    put(body, metadata.beats, 4);
    put(body, 4, 2); // meter denominator
    put(body, 4, 2); // meter numerator
    putFloat(body, static_cast<float>(metadata.bpm));
    return body;
}

uint32_t beatsIn(double seconds, double bpm) {
    if (!(bpm > 0) || !(seconds > 0)) return 0;
    const double beats = std::round(seconds * bpm / 60.0);
    return beats < 1 ? 1u : beats > 1e6 ? 1000000u : static_cast<uint32_t>(beats);
}

} // namespace barquill
