#include "platform/defaults/UserDefaults.h"
#include "platform/defaults/Bookmark.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <filesystem>

using namespace barquill;

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    QString path() const { return QString::fromStdString((dir / "defaults.json").string()); }
    QStringList filesInFolder() const {
        return QDir(QString::fromStdString(dir.path().string())).entryList(QDir::Files | QDir::Hidden);
    }
    void writeRaw(const QByteArray& bytes) const {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray readAll(const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    test::TempDir dir;
};

} // namespace

TEST_F(UserDefaultsTest, EveryValueTypeSurvivesAReloadInAFolderMadeOnFirstWrite) {
    const QByteArray bytes("\x00\x01\xFFpath\n", 8);
    const QDateTime date = QDateTime::fromString("2026-03-04T05:06:07.089Z", Qt::ISODateWithMs);
    const QString nested = QString::fromStdString((dir / "a" / "b" / "defaults.json").string());
    {
        UserDefaults defaults(nested);
        defaults.setBoolean("bool", false);
        defaults.setInteger("int", -(qint64(1) << 62) - 1);
        defaults.setDouble("double", 0.1);
        defaults.setDouble("whole", 48000);
        defaults.setString("string", QStringLiteral("½ — ¼"));
        defaults.setData("data", bytes);
        defaults.setDate("date", date);
        defaults.setArray("array", {QByteArray("a"), QByteArray()});
    }
    UserDefaults reloaded(nested);
    EXPECT_EQ(reloaded.boolean("bool"), false);
    EXPECT_EQ(reloaded.integer("int"), -(qint64(1) << 62) - 1);
    EXPECT_EQ(reloaded.number("double"), 0.1);
    EXPECT_EQ(reloaded.type("whole"), UserDefaults::Type::Double);
    EXPECT_EQ(reloaded.string("string"), QStringLiteral("½ — ¼"));
    EXPECT_EQ(reloaded.data("data"), bytes);
    EXPECT_EQ(reloaded.date("date"), date);
    EXPECT_EQ(reloaded.object("array").toList(), (QVariantList{QByteArray("a"), QByteArray()}));
    EXPECT_TRUE(reloaded.loadProblem().isEmpty());
}

TEST_F(UserDefaultsTest, EveryChangeIsOnDiskAtOnceWithNoTemporaryFilesLeft) {
    UserDefaults defaults(path());
    for (int i = 0; i < 20; ++i)
        defaults.setInteger("count", i);
    defaults.setBoolean("flag", true);
    defaults.remove("flag");
    UserDefaults other(path());
    EXPECT_EQ(other.integer("count"), 19);
    EXPECT_FALSE(other.contains("flag"));
    EXPECT_EQ(filesInFolder(), QStringList{"defaults.json"});
}

TEST_F(UserDefaultsTest, CorruptFileIsSetAsideAndTheStoreStartsEmpty) {
    const QByteArray garbage("{\"half\": {\"bool\": tr");
    writeRaw(garbage);
    UserDefaults defaults(path());
    EXPECT_FALSE(defaults.contains("half"));
    EXPECT_FALSE(defaults.loadProblem().isEmpty());
    EXPECT_EQ(readAll(path() + ".corrupt"), garbage);

    // Going on with defaults writes a fresh file and leaves the bad one untouched.
    EXPECT_TRUE(defaults.setBoolean("fresh", true));
    EXPECT_EQ(UserDefaults(path()).boolean("fresh"), true);
    EXPECT_EQ(readAll(path() + ".corrupt"), garbage);
    // A second corrupt file does not replace the first.
    writeRaw("not json");
    UserDefaults second(path());
    EXPECT_EQ(readAll(path() + ".corrupt"), garbage);
    EXPECT_EQ(readAll(path() + ".corrupt.2"), "not json");
}

TEST_F(UserDefaultsTest, EntriesOfUnknownShapeReadAsMissingButAreKept) {
    writeRaw(R"({"odd": {"colour": 3}, "plain": 5, "good": {"integer": 7}})");
    UserDefaults defaults(path());
    EXPECT_TRUE(defaults.loadProblem().isEmpty());
    EXPECT_FALSE(defaults.object("odd").isValid());
    EXPECT_FALSE(defaults.number("plain"));
    EXPECT_EQ(defaults.integer("good"), 7);
    defaults.setInteger("good", 8);
    const QByteArray saved = readAll(path());
    EXPECT_TRUE(saved.contains("\"colour\"")) << saved.constData();
    EXPECT_TRUE(saved.contains("\"plain\"")) << saved.constData();
}

TEST_F(UserDefaultsTest, AFailedWriteIsReportedAndTheValueIsKeptForThisRun) {
    // A plain file where the folder should be: nothing can be written below it, not even as root.
    writeRaw("{}");
    UserDefaults defaults(path() + "/defaults.json");
    EXPECT_FALSE(defaults.setInteger("key", 3));
    EXPECT_FALSE(defaults.lastWriteError().isEmpty());
    EXPECT_EQ(defaults.integer("key"), 3);
    EXPECT_EQ(filesInFolder(), QStringList{"defaults.json"});
    EXPECT_EQ(readAll(path()), "{}");
}

TEST(Bookmark, AnExistingFolderResolvesToItsPathUntilItIsGoneAndNothingMakesNoBookmark) {
    test::TempDir dir;
    const auto folder = dir / "exports ½";
    std::filesystem::create_directory(folder);
    const QString path = QString::fromStdString(folder.string());
    const auto bookmark = createBookmark(path);
    ASSERT_TRUE(bookmark);
    const auto resolved = resolveBookmark(*bookmark);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->path, path);
    EXPECT_FALSE(resolved->isStale);
    std::filesystem::remove(folder);
    EXPECT_FALSE(resolveBookmark(*bookmark));
    EXPECT_FALSE(createBookmark(path) || createBookmark(QString()) || resolveBookmark(QByteArray()));
}
