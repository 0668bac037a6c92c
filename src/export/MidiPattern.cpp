#include "export/MidiPattern.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <tuple>

namespace barquill {

namespace {

constexpr int ticksPerQuarter = 960;

void bigEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

void variableLength(std::string& out, uint32_t value) {
    char bytes[5];
    int n = 0;
    do {
        bytes[n++] = static_cast<char>(value & 0x7f);
        value >>= 7;
    } while (value > 0);
    while (n-- > 0)
        out.push_back(static_cast<char>(bytes[n] | (n > 0 ? 0x80 : 0)));
}

} // namespace

std::string midiPatternBytes(const std::string& title, double bpm, const std::vector<PatternNote>& notes) {
    const double tempo = bpm > 0 ? bpm : 120.0;
    const double ticksPerSecond = tempo / 60.0 * ticksPerQuarter;
    auto tickOf = [&](double seconds) {
        return static_cast<uint32_t>(std::clamp(std::llround(seconds * ticksPerSecond), 0LL, 0x0fffffffLL));
    };
    // (tick, note-off before note-on at the same tick, key, status)
    std::vector<std::tuple<uint32_t, int, int, uint8_t>> events;
    for (const PatternNote& note : notes) {
        const uint32_t on = tickOf(note.startSeconds);
        const uint32_t off = std::max(tickOf(note.startSeconds + note.lengthSeconds), on + 1);
        events.emplace_back(on, 1, note.key, 0x90);
        events.emplace_back(off, 0, note.key, 0x80);
    }
    std::sort(events.begin(), events.end());

    std::string track;
    const std::string name = title.substr(0, 127);
    track += std::string("\x00\xff\x03", 3);
    variableLength(track, static_cast<uint32_t>(name.size()));
    track += name;
    track += std::string("\x00\xff\x58\x04\x04\x02\x18\x08", 8); // 4/4, 24 clocks, 8 32nds a quarter
    track += std::string("\x00\xff\x51\x03", 4);
    bigEndian(track, static_cast<uint32_t>(std::clamp(std::llround(60e6 / tempo), 1LL, 0xffffffLL)), 3);
    uint32_t at = 0;
    for (const auto& [tick, order, key, status] : events) {
        variableLength(track, tick - at);
        at = tick;
        track.push_back(static_cast<char>(status));
        track.push_back(static_cast<char>(std::clamp(key, 0, 127)));
        track.push_back(static_cast<char>(status == 0x90 ? 127 : 0));
    }
    track += std::string("\x00\xff\x2f\x00", 4);

    std::string file = "MThd";
    bigEndian(file, 6, 4);
    bigEndian(file, 0, 2); // format 0
    bigEndian(file, 1, 2);
    bigEndian(file, ticksPerQuarter, 2);
    file += "MTrk";
    bigEndian(file, static_cast<uint32_t>(track.size()), 4);
    return file + track;
}

} // namespace barquill
