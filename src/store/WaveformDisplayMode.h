#pragma once

#include <QMetaType>
#include <QString>

#include <array>
#include <optional>

namespace barquill {

// How the waveform is drawn; the text is the label of the display-mode picker.
enum class WaveformDisplayMode { mono, stereo };

inline constexpr std::array<WaveformDisplayMode, 2> allWaveformDisplayModes = {WaveformDisplayMode::mono,
                                                                               WaveformDisplayMode::stereo};

inline QString toText(WaveformDisplayMode mode) {
    return mode == WaveformDisplayMode::stereo ? QStringLiteral("Stereo") : QStringLiteral("Mono");
}

// None for any text other than "Mono" or "Stereo".
inline std::optional<WaveformDisplayMode> waveformDisplayModeFromText(const QString& text) {
    if (text == QLatin1String("Mono")) return WaveformDisplayMode::mono;
    if (text == QLatin1String("Stereo")) return WaveformDisplayMode::stereo;
    return std::nullopt;
}

} // namespace barquill

Q_DECLARE_METATYPE(barquill::WaveformDisplayMode)
