#include "settings/AppSettings.h"
#include "settings/RecentFiles.h"

#include "SettingsFixture.h"

#include <QSignalSpy>

using namespace barquill;
using Keys = AppSettings::Keys;

namespace {

using AppSettingsLoad = SettingsFixture;
using AppSettingsChange = SettingsFixture;

// Each number is loaded checked (clamped, or the default when of the wrong type or value) and written
// back as loaded.
TEST_F(AppSettingsLoad, NumbersLoadTheCheckedValueAndWriteItBack) {
    const struct {
        const char* key;
        QVariant stored; // invalid: key missing
        double loaded;
    } cases[] = {{Keys::previewGapMs, {}, 100},
                 {Keys::previewGapMs, 750.0, 500},
                 {Keys::previewGapMs, qint64(35), 35},
                 {Keys::previewGapMs, QString("40"), 100},
                 {Keys::previewGapMs, true, 100},
                 {Keys::sliceFadeMs, 80.0, 50},
                 {Keys::sliceFadeMs, 2.5, 2.5},
                 {Keys::transientSensitivity, 150.0, 100},
                 {Keys::transientSensitivity, -0.5, 0},
                 {Keys::exportSampleRate, 22050.0, 44100},
                 {Keys::exportSampleRate, qint64(48000), 48000},
                 {Keys::exportSampleRate, QString("48000"), 44100},
                 {Keys::exportBitDepth, qint64(8), 24},
                 {Keys::exportBitDepth, 32.0, 32},
                 {Keys::waveformResolution, {}, 1024},
                 {Keys::waveformResolution, qint64(4096), 1024},
                 {Keys::waveformResolution, qint64(512), 512},
                 {Keys::waveformResolution, QString("2048"), 2048},
                 {Keys::matchTempoBPM, {}, 0},
                 {Keys::matchTempoBPM, 350.0, 300},
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
    { const AppSettings loaded(defaults); } // from an empty store only the numbers are written
    for (const char* absent : {Keys::barMarkerColor, Keys::loopMarkerColor, Keys::snapToBar,
                               Keys::startWithLoopEnabled, Keys::exportFolderBookmark})
        EXPECT_FALSE(stored().contains(absent)) << absent;

    defaults.setString(Keys::snapToBar, "false");
    defaults.setBoolean(Keys::startWithLoopEnabled, true);
    defaults.setString(Keys::barMarkerColor, " ff0000ff\n");
    defaults.setString(Keys::loopMarkerColor, "00FF00");
    defaults.setDouble(Keys::exportBitDepth, 16);
    defaults.setInteger(Keys::exportSampleRate, 48000);
    defaults.setString(Keys::exportFolderBookmark, "/tmp");
    AppSettings settings(defaults);
    EXPECT_EQ(std::tuple(settings.snapToBar(), settings.startWithLoopEnabled(), settings.barMarkerColor(),
                         settings.loopMarkerColor(), settings.exportFolderBookmark().has_value()),
              std::tuple(true, true, QColor(255, 0, 0), QColor(Qt::white), false));
    const UserDefaults disk = stored();
    EXPECT_EQ(std::tuple(disk.string(Keys::snapToBar), disk.string(Keys::loopMarkerColor),
                         disk.type(Keys::exportBitDepth), disk.type(Keys::exportSampleRate),
                         disk.contains(Keys::exportFolderBookmark)),
              std::tuple(QStringLiteral("false"), QStringLiteral("00FF00"), UserDefaults::Type::Integer,
                         UserDefaults::Type::Double, false));

    defaults.setData(Keys::exportFolderBookmark, "/no/such/folder");
    EXPECT_EQ(AppSettings(defaults).exportFolderBookmark(), QByteArray("/no/such/folder"));
    EXPECT_EQ(stored().data(Keys::exportFolderBookmark), QByteArray("/no/such/folder"));
}

// Colours are stored as eight hex digits, red green blue alpha; anything else stored is rejected.
TEST(ColorHex, EncodesEightUppercaseDigitsAndParsesOnlyEightTrimmedDigitsOrASign) {
    const std::pair<QColor, const char*> encoded[] = {
        {QColor(1, 2, 171, 0), "0102AB00"},
        {QColor::fromRgbF(0.5, 0, 0, 1), "800000FF"},                    // 127.5 rounds away from zero
        {QColor(), "FF8000FF"},                                          // no RGB: plain orange
        {QColor::fromRgbF(1.5f, 0, 0, 1).toExtendedRgb(), "17F0000FF"}}; // not clamped: rejected on load
    for (const auto& [color, text] : encoded)
        EXPECT_EQ(AppSettings::encodeColorHex(color), QString::fromLatin1(text)) << text;
    const std::pair<const char*, QColor> valid[] = {{"12345678", QColor(0x12, 0x34, 0x56, 0x78)},
                                                    {"abcdefAB", QColor(0xAB, 0xCD, 0xEF, 0xAB)},
                                                    {"\t00FF00FF \r\n", QColor(0, 255, 0)},
                                                    {"+0FF00FF", QColor(0, 0xFF, 0, 0xFF)},
                                                    {"-0000000", QColor(0, 0, 0, 0)}};
    for (const auto& [text, color] : valid)
        EXPECT_EQ(AppSettings::parseColorHex(text), color) << text;
    for (const char* text : {"FF0000", "FF0000F", "17F0000FF", "", "   ", "FF0000FG", "0xFF00FF", "FF 000FF",
                             "-0000001", "++000000", "FF00-0FF"})
        EXPECT_FALSE(AppSettings::parseColorHex(text)) << text;
}

TEST_F(AppSettingsChange, AChosenFolderResolvesAfterARestartAndOneThatCannotBeBookmarkedIsRemoved) {
    AppSettings(defaults).setExportFolder(makeFolder("out"));
    UserDefaults restarted = stored();
    AppSettings settings(restarted);
    EXPECT_EQ(settings.resolvedExportFolder(), inDir("out"));
    settings.setExportFolder(inDir("never-made"));
    EXPECT_FALSE(settings.exportFolderBookmark());
    EXPECT_FALSE(stored().contains(Keys::exportFolderBookmark));
}

class RecentFilesTest : public SettingsFixture {
protected:
    QString file(int n) { return makeFile("song" + std::to_string(n) + ".wav"); }
    static QStringList paths(const RecentFiles& recents) {
        QStringList list;
        for (const RecentItem& item : recents.items())
            list << item.url.toLocalFile();
        return list;
    }
    QVariantList storedBookmarks() const { return stored().object(RecentFiles::defaultsKey).toList(); }
};

// De-duplication is by path (a link to the same file is another entry); a file that cannot be
// bookmarked is listed but not stored; only the fifteen newest are kept.
TEST_F(RecentFilesTest, AddingMovesAPathToTheFrontOnceAndKeepsTheFifteenNewest) {
    RecentFiles recents(defaults);
    recents.add(file(1));
    recents.add(file(2));
    recents.add(file(1));
    std::filesystem::create_symlink(dir / "song1.wav", dir / "link.wav");
    recents.add(inDir("link.wav"));
    recents.add(inDir("vanished.wav"));
    EXPECT_EQ(paths(recents), (QStringList{inDir("vanished.wav"), inDir("link.wav"), file(1), file(2)}));
    EXPECT_EQ(storedBookmarks(),
              (QVariantList{inDir("link.wav").toUtf8(), file(1).toUtf8(), file(2).toUtf8()}));
    for (int n = 3; n <= 16; ++n)
        recents.add(file(n));
    EXPECT_EQ(paths(recents).mid(13), (QStringList{file(3), inDir("vanished.wav")}));
    EXPECT_EQ(storedBookmarks().size(), 14);
    QSignalSpy changed(&recents, &RecentFiles::itemsChanged);
    recents.clear();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(recents.items().isEmpty());
    EXPECT_FALSE(stored().contains(RecentFiles::defaultsKey));
}

// At most the first fifteen are loaded; missing files are dropped without rewriting the store; a
// wrongly shaped value gives an empty list.
TEST_F(RecentFilesTest, LoadingKeepsTheFirstFifteenThatStillExist) {
    QVariantList bookmarks{file(1).toUtf8(), inDir("gone.wav").toUtf8()};
    for (int n = 2; n <= 20; ++n)
        bookmarks << file(n).toUtf8();
    defaults.setArray(RecentFiles::defaultsKey, bookmarks);
    RecentFiles recents(defaults);
    ASSERT_EQ(recents.items().size(), 14);
    EXPECT_EQ(paths(recents).back(), file(14));
    EXPECT_EQ(recents.items()[0], (RecentItem{QUrl::fromLocalFile(file(1)), file(1).toUtf8()}));
    EXPECT_EQ(storedBookmarks().size(), 21);
    defaults.setString(RecentFiles::defaultsKey, file(1));
    EXPECT_TRUE(RecentFiles(defaults).items().isEmpty());
    defaults.setArray(RecentFiles::defaultsKey, {file(1).toUtf8(), file(2)});
    EXPECT_TRUE(RecentFiles(defaults).items().isEmpty());
}

} // namespace
