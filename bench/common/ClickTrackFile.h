#pragma once

#include <filesystem>

namespace barquill::bench {

// A 16-bit stereo WAV of `minutes` of 120 BPM clicks (every fourth louder) over a quiet noise floor,
// in $BARQUILL_BENCH_DIR (else the temporary folder); written once and reused by every benchmark
// that needs a long file the analysis finds bars in. Exits with a message when it cannot be written.
std::filesystem::path clickTrackFile(double minutes = 60);

} // namespace barquill::bench
