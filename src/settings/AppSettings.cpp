#include "settings/AppSettings.h"

#include "platform/defaults/Bookmark.h"
#include "platform/defaults/UserDefaults.h"
#include "stretch/LoopStretch.h"

#include <algorithm>
#include <cmath>

namespace barquill {

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

// A stored number, or `fallback` when the value is missing or not a number; then anything not >= 0
// (NaN included) becomes 0 and the result is capped at `maximum`.
double loadClamped(const UserDefaults& defaults, const char* name, double fallback, double maximum) {
    double value = defaults.number(key(name)).value_or(fallback);
    if (!(value >= 0)) value = 0;
    return std::min(value, maximum);
}

template <typename T, typename Signal>
void assign(AppSettings* self, T& field, const T& value, Signal changed) {
    if (field == value) return;
    field = value;
    emit(self->*changed)();
}

} // namespace

AppSettings::AppSettings(UserDefaults& defaults, QObject* parent) : QObject(parent), defaults_(defaults) {
    load();
}

void AppSettings::load() {
    // Colours are taken when they parse and never written back.
    if (auto text = defaults_.string(key(Keys::barMarkerColor)))
        if (auto color = parseColorHex(*text)) barMarkerColor_ = *color;
    if (auto text = defaults_.string(key(Keys::loopMarkerColor)))
        if (auto color = parseColorHex(*text)) loopMarkerColor_ = *color;

    // Switches are written back only when the store held a Boolean.
    if (auto on = defaults_.boolean(key(Keys::snapToBar))) setSnapToBar(*on);
    if (auto on = defaults_.boolean(key(Keys::startWithLoopEnabled))) setStartWithLoopEnabled(*on);

    // The rest is normalised and always written back.
    const qint64 resolution = defaults_.integer(key(Keys::waveformResolution));
    setWaveformResolution(resolution == 2048 || resolution == 1024 || resolution == 512
                              ? resolution
                              : defaultWaveformResolution);
    setPreviewGapMs(loadClamped(defaults_, Keys::previewGapMs, defaultPreviewGapMs, 500));
    setSliceFadeMs(loadClamped(defaults_, Keys::sliceFadeMs, defaultSliceFadeMs, 50));
    const qint64 bits = defaults_.integer(key(Keys::exportBitDepth));
    setExportBitDepth(bits == 16 || bits == 24 || bits == 32 ? bits : defaultExportBitDepth);
    const auto rate = defaults_.number(key(Keys::exportSampleRate));
    setExportSampleRate(
        rate && (*rate == 44100 || *rate == 48000 || *rate == 96000) ? *rate : defaultExportSampleRate);
    setTransientSensitivity(
        loadClamped(defaults_, Keys::transientSensitivity, defaultTransientSensitivity, 100));
    setExportFolderBookmark(defaults_.data(key(Keys::exportFolderBookmark)));
    setOutputDevice(defaults_.string(key(Keys::outputDevice)).value_or(QString()).trimmed());
    // Off unless a positive number is stored; a stored tempo is brought into range.
    const double tempo = defaults_.number(key(Keys::matchTempoBPM)).value_or(0);
    setMatchTempoBPM(tempo > 0 ? std::clamp(tempo, kMatchTempoMinBPM, kMatchTempoMaxBPM) : 0);
}

void AppSettings::setBarMarkerColor(const QColor& color) {
    assign(this, barMarkerColor_, color, &AppSettings::barMarkerColorChanged);
    defaults_.setString(key(Keys::barMarkerColor), encodeColorHex(color));
}

void AppSettings::setLoopMarkerColor(const QColor& color) {
    assign(this, loopMarkerColor_, color, &AppSettings::loopMarkerColorChanged);
    defaults_.setString(key(Keys::loopMarkerColor), encodeColorHex(color));
}

void AppSettings::setSnapToBar(bool on) {
    assign(this, snapToBar_, on, &AppSettings::snapToBarChanged);
    defaults_.setBoolean(key(Keys::snapToBar), on);
}

void AppSettings::setStartWithLoopEnabled(bool on) {
    assign(this, startWithLoopEnabled_, on, &AppSettings::startWithLoopEnabledChanged);
    defaults_.setBoolean(key(Keys::startWithLoopEnabled), on);
}

void AppSettings::setWaveformResolution(qint64 buckets) {
    assign(this, waveformResolution_, buckets, &AppSettings::waveformResolutionChanged);
    defaults_.setInteger(key(Keys::waveformResolution), buckets);
}

void AppSettings::setPreviewGapMs(double ms) {
    assign(this, previewGapMs_, ms, &AppSettings::previewGapMsChanged);
    defaults_.setDouble(key(Keys::previewGapMs), ms);
}

void AppSettings::setSliceFadeMs(double ms) {
    assign(this, sliceFadeMs_, ms, &AppSettings::sliceFadeMsChanged);
    defaults_.setDouble(key(Keys::sliceFadeMs), ms);
}

void AppSettings::setExportBitDepth(qint64 bits) {
    assign(this, exportBitDepth_, bits, &AppSettings::exportBitDepthChanged);
    defaults_.setInteger(key(Keys::exportBitDepth), bits);
}

void AppSettings::setExportSampleRate(double hz) {
    assign(this, exportSampleRate_, hz, &AppSettings::exportSampleRateChanged);
    defaults_.setDouble(key(Keys::exportSampleRate), hz);
}

void AppSettings::setTransientSensitivity(double value) {
    assign(this, transientSensitivity_, value, &AppSettings::transientSensitivityChanged);
    defaults_.setDouble(key(Keys::transientSensitivity), value);
}

void AppSettings::setMatchTempoBPM(double bpm) {
    assign(this, matchTempoBPM_, bpm, &AppSettings::matchTempoBPMChanged);
    defaults_.setDouble(key(Keys::matchTempoBPM), bpm);
}

void AppSettings::setExportFolderBookmark(const std::optional<QByteArray>& bookmark) {
    assign(this, exportFolderBookmark_, bookmark, &AppSettings::exportFolderBookmarkChanged);
    if (bookmark)
        defaults_.setData(key(Keys::exportFolderBookmark), *bookmark);
    else
        defaults_.remove(key(Keys::exportFolderBookmark));
}

void AppSettings::setOutputDevice(const QString& deviceId) {
    assign(this, outputDevice_, deviceId, &AppSettings::outputDeviceChanged);
    defaults_.setString(key(Keys::outputDevice), deviceId);
}

void AppSettings::resetToDefaults() {
    setBarMarkerColor(defaultBarMarkerColor());
    setLoopMarkerColor(defaultLoopMarkerColor());
    setSnapToBar(defaultSnapToBar);
    setStartWithLoopEnabled(defaultStartWithLoopEnabled);
    setWaveformResolution(defaultWaveformResolution);
    setPreviewGapMs(defaultPreviewGapMs);
    setSliceFadeMs(defaultSliceFadeMs);
    setExportBitDepth(defaultExportBitDepth);
    setExportSampleRate(defaultExportSampleRate);
    setTransientSensitivity(defaultTransientSensitivity);
    setOutputDevice(QString());
    setMatchTempoBPM(defaultMatchTempoBPM);
}

void AppSettings::setExportFolder(const QString& folder) {
    setExportFolderBookmark(createBookmark(folder));
}

std::optional<QString> AppSettings::resolvedExportFolder() {
    if (!exportFolderBookmark_) return std::nullopt;
    const auto resolved = resolveBookmark(*exportFolderBookmark_);
    if (!resolved) {
        setExportFolderBookmark(std::nullopt);
        return std::nullopt;
    }
    if (resolved->isStale)
        if (auto fresh = createBookmark(resolved->path)) setExportFolderBookmark(*fresh);
    return resolved->path;
}

QString AppSettings::encodeColorHex(const QColor& color) {
    QColor srgb;
    // Equal only when the colour already is extended RGB (equality compares the colour model too).
    if (color.isValid() && color.convertTo(QColor::ExtendedRgb) == color)
        srgb = color; // components beyond 0...1 are kept, so the string may grow past 8 digits
    else if (color.isValid())
        srgb = color.toRgb();
    else
        srgb = plainOrange();
    const auto component = [](float value) {
        return QString::asprintf("%02X", static_cast<unsigned>(std::llround(double(value) * 255.0)));
    };
    return component(srgb.redF()) + component(srgb.greenF()) + component(srgb.blueF()) +
           component(srgb.alphaF());
}

std::optional<QColor> AppSettings::parseColorHex(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.size() != 8) return std::nullopt;
    // Unsigned base-16 parse: an optional sign, then at least one hex digit; a minus only for zero.
    int i = 0;
    bool negative = false;
    if (trimmed[0] == u'+' || trimmed[0] == u'-') negative = trimmed[i++] == u'-';
    quint32 value = 0;
    for (; i < trimmed.size(); ++i) {
        const char16_t c = trimmed[i].unicode();
        int digit = 0;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + quint32(digit);
    }
    if (negative && value != 0) return std::nullopt;
    return QColor::fromRgb(int(value >> 24 & 0xFF), int(value >> 16 & 0xFF), int(value >> 8 & 0xFF),
                           int(value & 0xFF));
}

} // namespace barquill
