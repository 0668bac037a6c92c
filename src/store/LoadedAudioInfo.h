#pragma once

#include "analysis/BeatBarAnalysis.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace barquill {

// Description of the decoded file, published once decoding succeeded.
struct LoadedAudioInfo {
    QString fileName;      // last path component without its extension
    QString fileExtension; // lower-cased, without the dot
    double sampleRate = 0;
    int channelCount = 0;
    uint32_t frameLength = 0;
    double duration = 0; // frameLength / sampleRate, seconds
    int64_t fileSizeBytes = 0;
    bool operator==(const LoadedAudioInfo&) const = default;
};

} // namespace barquill

template <> struct std::hash<barquill::LoadedAudioInfo> {
    std::size_t operator()(const barquill::LoadedAudioInfo& i) const noexcept {
        std::size_t seed = 0;
        barquill::hashCombine(seed, i.fileName.toStdString());
        barquill::hashCombine(seed, i.fileExtension.toStdString());
        barquill::hashCombine(seed, i.sampleRate);
        barquill::hashCombine(seed, i.channelCount);
        barquill::hashCombine(seed, i.frameLength);
        barquill::hashCombine(seed, i.duration);
        barquill::hashCombine(seed, i.fileSizeBytes);
        return seed;
    }
};
