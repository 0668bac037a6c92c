#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

// Audio files of any accepted extension, made with ffmpeg at test time into fixtureDir() once and
// reused by every test (and every test process) of the run.
namespace barquill::test {

struct AudioFixtureSpec {
    std::string extension = "wav"; // decides the container: wav, wave, aif, aiff, caf, flac, mp3, m4a, mp4,
                                   // m4v, ogg, opus
    int sampleRate = 44100;
    int channels = 2;
    std::string codec;      // ffmpeg encoder; empty = the container's usual one (16-bit PCM where it can)
    bool withVideo = false; // a small video track ahead of the audio (mp4, m4v)
    double durationSeconds = 1.0;
};

// Sample `frame` of `channel` in every fixture: a sine of its own frequency per channel (a bass tone
// on channel 3, the LFE of 5.1) at half scale, quantised to 16 bits so that 16-bit lossless files hold
// exactly these values.
float fixtureSample(uint32_t channel, uint64_t frame, int sampleRate);

// Frames written into the fixture: round(rate × duration).
uint64_t fixtureFrames(const AudioFixtureSpec& wanted);

// The fixture's path ("44100-2-1s.flac", "96000-2-1s-alac.m4a" …), made on first use; empty when
// it cannot be made. Several test processes may ask for the same file at once.
std::filesystem::path audioFixture(const AudioFixtureSpec& wanted);

// An mp4 with one short video track and no audio ("video-only.mp4").
std::filesystem::path videoOnlyFixture();

} // namespace barquill::test
