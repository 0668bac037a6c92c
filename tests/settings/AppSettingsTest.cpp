#include "settings/AppSettings.h"

#include "SettingsFixture.h"

#include <QSignalSpy>

#include <cmath>

using namespace barquill;
using Keys = AppSettings::Keys;

namespace {
using AppSettingsLoad = SettingsFixture;
using AppSettingsChange = SettingsFixture;
using ExportFolder = SettingsFixture;
} // namespace

TEST_F(AppSettingsLoad, AnEmptyStoreGivesDefaultsAndWritesOnlyTheNormalisedNumbers) {
    AppSettings settings(defaults);
    EXPECT_EQ(settings.barMarkerColor(), QColor(255, 149, 0));
    EXPECT_EQ(settings.loopMarkerColor(), QColor(Qt::white));
    EXPECT_TRUE(settings.snapToBar());
    EXPECT_FALSE(settings.startWithLoopEnabled());
    EXPECT_FALSE(settings.exportFolderBookmark());

    const UserDefaults disk = stored();
    EXPECT_EQ(disk.object(Keys::waveformResolution), QVariant(qint64(1024)));
    EXPECT_EQ(disk.object(Keys::previewGapMs), QVariant(100.0));
    EXPECT_EQ(disk.object(Keys::sliceFadeMs), QVariant(1.0));
    EXPECT_EQ(disk.object(Keys::exportBitDepth), QVariant(qint64(24)));
    EXPECT_EQ(disk.object(Keys::exportSampleRate), QVariant(44100.0));
    EXPECT_EQ(disk.object(Keys::transientSensitivity), QVariant(50.0));
    for (const char* absent : {Keys::barMarkerColor, Keys::loopMarkerColor, Keys::snapToBar,
                               Keys::startWithLoopEnabled, Keys::exportFolderBookmark})
        EXPECT_FALSE(disk.contains(absent)) << absent;
}

// Each number is loaded checked (clamped, or the default when of the wrong type or value) and written
// back as loaded.
TEST_F(AppSettingsLoad, NumbersLoadTheCheckedValueAndWriteItBack) {
    const struct {
        const char* key;
        QVariant stored; // invalid: key missing
        double loaded;
    } cases[] = {{Keys::previewGapMs, 750.0, 500},
                 {Keys::previewGapMs, -5.0, 0},
                 {Keys::previewGapMs, 350.0, 350},
                 {Keys::previewGapMs, qint64(35), 35},
                 {Keys::previewGapMs, QString("40"), 100},
                 {Keys::previewGapMs, true, 100},
                 {Keys::sliceFadeMs, 80.0, 50},
                 {Keys::sliceFadeMs, 2.5, 2.5},
                 {Keys::transientSensitivity, 150.0, 100},
                 {Keys::transientSensitivity, -0.5, 0},
                 {Keys::exportSampleRate, 22050.0, 44100},
                 {Keys::exportSampleRate, qint64(48000), 48000},
                 {Keys::exportSampleRate, 96000.0, 96000},
                 {Keys::exportSampleRate, QString("48000"), 44100},
                 {Keys::exportBitDepth, qint64(8), 24},
                 {Keys::exportBitDepth, qint64(16), 16},
                 {Keys::exportBitDepth, 32.0, 32},
                 {Keys::waveformResolution, qint64(4096), 1024},
                 {Keys::waveformResolution, qint64(512), 512},
                 {Keys::waveformResolution, QString("2048"), 2048},
                 {Keys::matchTempoBPM, {}, 0},
                 {Keys::matchTempoBPM, 350.0, 300},
                 {Keys::matchTempoBPM, 12.0, 40},
                 {Keys::matchTempoBPM, -3.0, 0},
                 {Keys::matchTempoBPM, 139.5, 139.5}};
    for (const auto& c : cases) {
        defaults.remove(c.key);
        if (c.stored.typeId() == QMetaType::Double) defaults.setDouble(c.key, c.stored.toDouble());
        if (c.stored.typeId() == QMetaType::LongLong) defaults.setInteger(c.key, c.stored.toLongLong());
        if (c.stored.typeId() == QMetaType::QString) defaults.setString(c.key, c.stored.toString());
        if (c.stored.typeId() == QMetaType::Bool) defaults.setBoolean(c.key, c.stored.toBool());
        AppSettings settings(defaults);
        EXPECT_EQ(settings.property(QByteArray(c.key).mid(9)).toDouble(), c.loaded) << c.key;
        EXPECT_EQ(stored().number(c.key), c.loaded) << c.key << " " << c.stored.toString().toStdString();
    }
}

// Switches take only booleans and colours only hex text, falling back without being written; integers
// are written back as integers and rates as doubles; the bookmark is kept unchanged, other types dropped.
TEST_F(AppSettingsLoad, EachKeyLoadsOnlyItsOwnTypeAndOnlyNumbersAreRewritten) {
    defaults.setString(Keys::snapToBar, "false");
    defaults.setBoolean(Keys::startWithLoopEnabled, true);
    defaults.setString(Keys::barMarkerColor, " ff0000ff\n");
    defaults.setString(Keys::loopMarkerColor, "00FF00");
    defaults.setDouble(Keys::exportBitDepth, 16);
    defaults.setInteger(Keys::exportSampleRate, 48000);
    defaults.setString(Keys::exportFolderBookmark, "/tmp");
    AppSettings settings(defaults);
    EXPECT_TRUE(settings.snapToBar());
    EXPECT_TRUE(settings.startWithLoopEnabled());
    EXPECT_EQ(settings.barMarkerColor(), QColor(255, 0, 0));
    EXPECT_EQ(settings.loopMarkerColor(), QColor(Qt::white));
    EXPECT_FALSE(settings.exportFolderBookmark());
    const UserDefaults disk = stored();
    EXPECT_EQ(disk.string(Keys::snapToBar), QStringLiteral("false"));
    EXPECT_EQ(disk.string(Keys::loopMarkerColor), QStringLiteral("00FF00"));
    EXPECT_EQ(disk.type(Keys::exportBitDepth), UserDefaults::Type::Integer);
    EXPECT_EQ(disk.type(Keys::exportSampleRate), UserDefaults::Type::Double);
    EXPECT_FALSE(disk.contains(Keys::exportFolderBookmark));

    defaults.setString(Keys::barMarkerColor, "FF0000FG");
    EXPECT_EQ(AppSettings(defaults).barMarkerColor(), AppSettings::defaultBarMarkerColor());
    defaults.setData(Keys::exportFolderBookmark, "/no/such/folder");
    EXPECT_EQ(AppSettings(defaults).exportFolderBookmark(), QByteArray("/no/such/folder"));
    EXPECT_EQ(stored().data(Keys::exportFolderBookmark), QByteArray("/no/such/folder"));
}

// Each control's write to disk, and Reset, are covered by the settings window tests.
TEST_F(AppSettingsChange, ASetterNotifiesOnlyOnARealChangeAndAClearedBookmarkIsRemoved) {
    AppSettings settings(defaults);
    QSignalSpy gapChanged(&settings, &AppSettings::previewGapMsChanged);
    settings.setPreviewGapMs(35);
    settings.setPreviewGapMs(35);
    EXPECT_EQ(gapChanged.count(), 1);
    EXPECT_EQ(stored().number(Keys::previewGapMs), 35);
    settings.setExportFolderBookmark(QByteArray("/some/where"));
    EXPECT_EQ(stored().data(Keys::exportFolderBookmark), QByteArray("/some/where"));
    settings.setExportFolderBookmark(std::nullopt);
    EXPECT_FALSE(stored().contains(Keys::exportFolderBookmark));
}

TEST_F(ExportFolder, AChosenFolderResolvesAfterARestart) {
    const QString folder = makeFolder("out");
    AppSettings(defaults).setExportFolder(folder);
    UserDefaults restarted = stored();
    EXPECT_EQ(AppSettings(restarted).resolvedExportFolder(), folder);
}

TEST_F(ExportFolder, AFolderThatCannotBeBookmarkedOrHasVanishedRemovesTheStoredOne) {
    AppSettings settings(defaults);
    settings.setExportFolder(makeFolder("first"));
    settings.setExportFolder(inDir("never-made"));
    EXPECT_FALSE(settings.exportFolderBookmark());
    EXPECT_FALSE(stored().contains(Keys::exportFolderBookmark));
    // A folder that vanishes after being stored is dropped silently.
    settings.setExportFolder(makeFolder("gone"));
    std::filesystem::remove(dir / "gone");
    QSignalSpy changed(&settings, &AppSettings::exportFolderBookmarkChanged);
    EXPECT_FALSE(settings.resolvedExportFolder());
    EXPECT_FALSE(settings.exportFolderBookmark());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(stored().contains(Keys::exportFolderBookmark));
    EXPECT_FALSE(settings.resolvedExportFolder());
}
