#include "export/SoundFontWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace barquill {

namespace {

// Points of silence every sample must be followed by.
constexpr uint32_t guardPoints = 46;

enum Generator : uint16_t {
    pan = 17,
    instrument = 41,
    keyRange = 43,
    sampleID = 53,
    sampleModes = 54,
    overridingRootKey = 58,
};

struct Bytes {
    std::string data;
    void u8(uint32_t v) { data.push_back(static_cast<char>(v & 0xff)); }
    void u16(uint32_t v) { u8(v), u8(v >> 8); }
    void u32(uint32_t v) { u16(v), u16(v >> 16); }
    void name(const std::string& text, size_t size) {
        std::string fixed = text.substr(0, size - 1);
        fixed.resize(size, '\0');
        data += fixed;
    }
    void chunk(const char* id, const std::string& body) {
        data += std::string(id, 4);
        u32(static_cast<uint32_t>(body.size()));
        data += body;
        if (body.size() & 1) u8(0);
    }
    void list(const char* type, const std::string& body) { chunk("LIST", std::string(type, 4) + body); }
};

// The channels a SoundFont can hold: mono stays mono, anything wider becomes left and right.
std::vector<std::vector<float>> soundFontChannels(const PCMBuffer& audio) {
    const uint32_t channels = audio.channelCount();
    const uint32_t frames = audio.frameLength();
    if (channels <= 2) {
        std::vector<std::vector<float>> out;
        for (uint32_t c = 0; c < channels; ++c)
            out.emplace_back(audio.channel(c), audio.channel(c) + frames);
        return out;
    }
    std::vector<std::vector<float>> out(2, std::vector<float>(frames, 0.0f));
    for (uint32_t c = 0; c < channels; ++c) {
        const float weight = 1.0f / static_cast<float>((channels + 1 - c % 2) / 2);
        for (uint32_t i = 0; i < frames; ++i)
            out[c % 2][i] += weight * audio.channel(c)[i];
    }
    return out;
}

struct SampleHeader {
    std::string name;
    uint32_t start, end, rate;
    int key;
    uint16_t link, type;
};

} // namespace

std::string soundFontBytes(const std::string& name, const std::vector<KitSound>& sounds, bool twentyFourBit) {
    Bytes smpl, sm24, igen, ibag;
    std::vector<SampleHeader> headers;
    uint16_t zones = 0, generators = 0;
    auto gen = [&](uint16_t oper, uint16_t amount) {
        igen.u16(oper), igen.u16(amount);
        ++generators;
    };
    for (const KitSound& sound : sounds) {
        if (!sound.audio || sound.audio->frameLength() == 0) continue;
        const auto channels = soundFontChannels(*sound.audio);
        const auto rate = static_cast<uint32_t>(std::lround(sound.audio->sampleRate()));
        const bool stereo = channels.size() == 2;
        const auto first = static_cast<uint16_t>(headers.size());
        for (size_t c = 0; c < channels.size(); ++c) {
            const auto start = static_cast<uint32_t>(smpl.data.size() / 2);
            for (float x : channels[c]) {
                // 24-bit values: the top 16 bits in smpl, the low 8 in sm24.
                const double scaled =
                    std::clamp(static_cast<double>(x), -1.0, 1.0) * (twentyFourBit ? 8388607 : 32767);
                const auto v = static_cast<int32_t>(std::lround(scaled));
                if (twentyFourBit) {
                    smpl.u16(static_cast<uint32_t>(v >> 8));
                    sm24.u8(static_cast<uint32_t>(v));
                } else {
                    smpl.u16(static_cast<uint32_t>(v));
                }
            }
            const auto end = static_cast<uint32_t>(smpl.data.size() / 2);
            for (uint32_t i = 0; i < guardPoints; ++i) {
                smpl.u16(0);
                if (twentyFourBit) sm24.u8(0);
            }
            const uint16_t type = !stereo ? 1 : c == 0 ? 4 : 2; // mono, left, right
            const auto link = static_cast<uint16_t>(stereo ? first + 1 - c : 0);
            headers.push_back({"k" + std::to_string(sound.key) + (stereo ? (c == 0 ? "L" : "R") : ""), start,
                               end, rate, sound.key, link, type});

            ibag.u16(generators), ibag.u16(0);
            ++zones;
            gen(keyRange, static_cast<uint16_t>(sound.key | (sound.key << 8)));
            if (stereo) gen(pan, static_cast<uint16_t>(c == 0 ? -500 : 500));
            gen(sampleModes, 0);
            gen(overridingRootKey, static_cast<uint16_t>(sound.key));
            gen(sampleID, static_cast<uint16_t>(headers.size() - 1));
        }
    }
    ibag.u16(generators), ibag.u16(0);
    igen.u32(0);

    Bytes info;
    info.chunk("ifil", [&] {
        Bytes v;
        v.u16(2), v.u16(twentyFourBit ? 4 : 1);
        return v.data;
    }());
    info.chunk("isng", std::string("EMU8000", 8));
    info.chunk("INAM", name + std::string(2 - name.size() % 2, '\0'));
    info.chunk("ISFT", std::string("Barquill", 9) + std::string(1, '\0'));

    Bytes sdta;
    sdta.chunk("smpl", smpl.data);
    if (twentyFourBit) sdta.chunk("sm24", sm24.data);

    Bytes phdr, pbag, pmod, pgen, inst, imod, shdr;
    phdr.name(name, 20), phdr.u16(0), phdr.u16(0), phdr.u16(0), phdr.u32(0), phdr.u32(0), phdr.u32(0);
    phdr.name("EOP", 20), phdr.u16(0), phdr.u16(0), phdr.u16(1), phdr.u32(0), phdr.u32(0), phdr.u32(0);
    pbag.u16(0), pbag.u16(0), pbag.u16(1), pbag.u16(0);
    pmod.data.assign(10, '\0');
    pgen.u16(instrument), pgen.u16(0), pgen.u32(0);
    inst.name(name, 20), inst.u16(0);
    inst.name("EOI", 20), inst.u16(zones);
    imod.data.assign(10, '\0');
    for (const SampleHeader& h : headers) {
        shdr.name(h.name, 20), shdr.u32(h.start), shdr.u32(h.end), shdr.u32(h.start), shdr.u32(h.end);
        shdr.u32(h.rate), shdr.u8(static_cast<uint32_t>(h.key)), shdr.u8(0), shdr.u16(h.link),
            shdr.u16(h.type);
    }
    shdr.name("EOS", 20), shdr.data.append(26, '\0');

    Bytes pdta;
    pdta.chunk("phdr", phdr.data), pdta.chunk("pbag", pbag.data), pdta.chunk("pmod", pmod.data);
    pdta.chunk("pgen", pgen.data), pdta.chunk("inst", inst.data), pdta.chunk("ibag", ibag.data);
    pdta.chunk("imod", imod.data), pdta.chunk("igen", igen.data), pdta.chunk("shdr", shdr.data);

    Bytes body;
    body.data = "sfbk";
    body.list("INFO", info.data);
    body.list("sdta", sdta.data);
    body.list("pdta", pdta.data);
    Bytes file;
    file.chunk("RIFF", body.data);
    return file.data;
}

} // namespace barquill
