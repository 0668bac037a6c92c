#include "export/WAVSettings.h"

namespace barquill {

WAVSettings bufferFormatSettings(const AudioFormat& format) {
    return {format.sampleRate, format.channelCount, 32, true, false, true};
}

WAVSettings makeWAVSettings(int bitDepth, uint32_t channelCount, const WAVSettings& sourceSettings,
                            double rate) {
    if (bitDepth == 16 || bitDepth == 24) return {rate, channelCount, bitDepth, false, false, false};
    if (sourceSettings.sampleRate == rate) return sourceSettings;
    return {rate, channelCount, 32, true, false, false};
}

} // namespace barquill
