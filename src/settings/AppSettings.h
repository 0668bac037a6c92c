#pragma once

#include <QByteArray>
#include <QColor>
#include <QObject>
#include <QString>

#include <optional>

namespace barquill {

class UserDefaults;

// The user's preferences, one instance for the whole process.
//
// Created once by the application on the interface thread and used only there. Every field has a
// property with a change signal; a setter stores the value, notifies when it changed, and writes it to
// the borrowed UserDefaults in the same call. Construction reads every key back, checks and normalises
// it. The setters themselves do not clamp: the settings window only produces values in range.
class AppSettings : public QObject {
    Q_OBJECT
    Q_PROPERTY(QColor barMarkerColor READ barMarkerColor WRITE setBarMarkerColor NOTIFY barMarkerColorChanged)
    Q_PROPERTY(
        QColor loopMarkerColor READ loopMarkerColor WRITE setLoopMarkerColor NOTIFY loopMarkerColorChanged)
    Q_PROPERTY(bool snapToBar READ snapToBar WRITE setSnapToBar NOTIFY snapToBarChanged)
    Q_PROPERTY(bool startWithLoopEnabled READ startWithLoopEnabled WRITE setStartWithLoopEnabled NOTIFY
                   startWithLoopEnabledChanged)
    Q_PROPERTY(qint64 waveformResolution READ waveformResolution WRITE setWaveformResolution NOTIFY
                   waveformResolutionChanged)
    Q_PROPERTY(double previewGapMs READ previewGapMs WRITE setPreviewGapMs NOTIFY previewGapMsChanged)
    Q_PROPERTY(double sliceFadeMs READ sliceFadeMs WRITE setSliceFadeMs NOTIFY sliceFadeMsChanged)
    Q_PROPERTY(qint64 exportBitDepth READ exportBitDepth WRITE setExportBitDepth NOTIFY exportBitDepthChanged)
    Q_PROPERTY(double exportSampleRate READ exportSampleRate WRITE setExportSampleRate NOTIFY
                   exportSampleRateChanged)
    Q_PROPERTY(double transientSensitivity READ transientSensitivity WRITE setTransientSensitivity NOTIFY
                   transientSensitivityChanged)
    Q_PROPERTY(QString outputDevice READ outputDevice WRITE setOutputDevice NOTIFY outputDeviceChanged)
    Q_PROPERTY(double matchTempoBPM READ matchTempoBPM WRITE setMatchTempoBPM NOTIFY matchTempoBPMChanged)
    Q_PROPERTY(std::optional<QByteArray> exportFolderBookmark READ exportFolderBookmark WRITE
                   setExportFolderBookmark NOTIFY exportFolderBookmarkChanged)

public:
    // The user-defaults keys, "Barquill." followed by the field name.
    struct Keys {
        static constexpr auto barMarkerColor = "Barquill.barMarkerColor";
        static constexpr auto loopMarkerColor = "Barquill.loopMarkerColor";
        static constexpr auto snapToBar = "Barquill.snapToBar";
        static constexpr auto startWithLoopEnabled = "Barquill.startWithLoopEnabled";
        static constexpr auto waveformResolution = "Barquill.waveformResolution";
        static constexpr auto previewGapMs = "Barquill.previewGapMs";
        static constexpr auto sliceFadeMs = "Barquill.sliceFadeMs";
        static constexpr auto exportBitDepth = "Barquill.exportBitDepth";
        static constexpr auto exportSampleRate = "Barquill.exportSampleRate";
        static constexpr auto transientSensitivity = "Barquill.transientSensitivity";
        static constexpr auto exportFolderBookmark = "Barquill.exportFolderBookmark";
        static constexpr auto outputDevice = "Barquill.outputDevice";
        static constexpr auto matchTempoBPM = "Barquill.matchTempoBPM";
    };

    // The default bar colour (the platform's standard orange) and the plain orange encoded when a
    // colour cannot be converted to sRGB.
    static QColor defaultBarMarkerColor() { return QColor(255, 149, 0); }
    static QColor defaultLoopMarkerColor() { return QColor(255, 255, 255); }
    static QColor plainOrange() { return QColor(255, 128, 0); }

    static constexpr bool defaultSnapToBar = true;
    static constexpr bool defaultStartWithLoopEnabled = false;
    static constexpr qint64 defaultWaveformResolution = 1024;
    static constexpr double defaultPreviewGapMs = 100;
    static constexpr double defaultSliceFadeMs = 1;
    static constexpr qint64 defaultExportBitDepth = 24;
    static constexpr double defaultExportSampleRate = 44100;
    static constexpr double defaultTransientSensitivity = 50;
    // 0 is off: loops play and export at their own tempo.
    static constexpr double defaultMatchTempoBPM = 0;

    // Loads every field from `defaults`, which must outlive this object.
    explicit AppSettings(UserDefaults& defaults, QObject* parent = nullptr);

    QColor barMarkerColor() const { return barMarkerColor_; }
    QColor loopMarkerColor() const { return loopMarkerColor_; }
    bool snapToBar() const { return snapToBar_; }
    bool startWithLoopEnabled() const { return startWithLoopEnabled_; }
    qint64 waveformResolution() const { return waveformResolution_; }
    double previewGapMs() const { return previewGapMs_; }
    double sliceFadeMs() const { return sliceFadeMs_; }
    qint64 exportBitDepth() const { return exportBitDepth_; }
    double exportSampleRate() const { return exportSampleRate_; }
    double transientSensitivity() const { return transientSensitivity_; }
    std::optional<QByteArray> exportFolderBookmark() const { return exportFolderBookmark_; }
    // The output device's id as the device list gives it; empty: the system default. A device
    // that is gone stays chosen (it may be plugged in again); the output falls back meanwhile.
    QString outputDevice() const { return outputDevice_; }
    double matchTempoBPM() const { return matchTempoBPM_; }

    void setBarMarkerColor(const QColor& color);
    void setLoopMarkerColor(const QColor& color);
    void setSnapToBar(bool on);
    void setStartWithLoopEnabled(bool on);
    void setWaveformResolution(qint64 buckets);
    void setPreviewGapMs(double ms);
    void setSliceFadeMs(double ms);
    void setExportBitDepth(qint64 bits);
    void setExportSampleRate(double hz);
    void setTransientSensitivity(double value);
    void setOutputDevice(const QString& deviceId);
    // 0 or a tempo inside the "Match tempo" range (the document clamps before it stores).
    void setMatchTempoBPM(double bpm);
    // Absent removes the key.
    void setExportFolderBookmark(const std::optional<QByteArray>& bookmark);

    // Every field but the export folder back to its default, each through its setter.
    void resetToDefaults();

    // Bookmarks `folder` and stores it; when no bookmark can be made the stored folder is removed.
    void setExportFolder(const QString& folder);
    // The export folder, or nothing when none is set or it can no longer be found (then the bookmark is
    // dropped). Callers start access to it before writing into it.
    std::optional<QString> resolvedExportFolder();

    // Eight uppercase hex digits RRGGBBAA of the colour in sRGB.
    static QString encodeColorHex(const QColor& color);
    // The colour of an RRGGBBAA hex string (blanks trimmed), or nothing when it does not parse.
    static std::optional<QColor> parseColorHex(const QString& text);

signals:
    void barMarkerColorChanged();
    void loopMarkerColorChanged();
    void snapToBarChanged();
    void startWithLoopEnabledChanged();
    void waveformResolutionChanged();
    void previewGapMsChanged();
    void sliceFadeMsChanged();
    void exportBitDepthChanged();
    void exportSampleRateChanged();
    void transientSensitivityChanged();
    void exportFolderBookmarkChanged();
    void outputDeviceChanged();
    void matchTempoBPMChanged();

private:
    void load();

    UserDefaults& defaults_;
    QColor barMarkerColor_ = defaultBarMarkerColor();
    QColor loopMarkerColor_ = defaultLoopMarkerColor();
    bool snapToBar_ = defaultSnapToBar;
    bool startWithLoopEnabled_ = defaultStartWithLoopEnabled;
    qint64 waveformResolution_ = defaultWaveformResolution;
    double previewGapMs_ = defaultPreviewGapMs;
    double sliceFadeMs_ = defaultSliceFadeMs;
    qint64 exportBitDepth_ = defaultExportBitDepth;
    double exportSampleRate_ = defaultExportSampleRate;
    double transientSensitivity_ = defaultTransientSensitivity;
    std::optional<QByteArray> exportFolderBookmark_;
    QString outputDevice_;
    double matchTempoBPM_ = defaultMatchTempoBPM;
};

} // namespace barquill
