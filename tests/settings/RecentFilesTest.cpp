#include "settings/RecentFiles.h"

#include "SettingsFixture.h"

#include <QSignalSpy>

using namespace barquill;

namespace {

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
    ASSERT_EQ(recents.items().size(), 15);
    EXPECT_EQ(paths(recents).front(), file(16));
    EXPECT_EQ(paths(recents).back(), inDir("vanished.wav"));
    EXPECT_EQ(storedBookmarks().size(), 14);
    EXPECT_FALSE(storedBookmarks().contains(file(1).toUtf8()));
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
    EXPECT_EQ(recents.items()[0], (RecentItem{QUrl::fromLocalFile(file(1)), file(1).toUtf8()}));
    EXPECT_EQ(recents.items().back().url.toLocalFile(), file(14));
    EXPECT_EQ(storedBookmarks().size(), 21);
    defaults.setString(RecentFiles::defaultsKey, file(1));
    EXPECT_TRUE(RecentFiles(defaults).items().isEmpty());
    defaults.setArray(RecentFiles::defaultsKey, {file(1).toUtf8(), file(2)});
    EXPECT_TRUE(RecentFiles(defaults).items().isEmpty());
}

} // namespace
