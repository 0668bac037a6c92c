#include "platform/defaults/Bookmark.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace barquill;

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
    EXPECT_FALSE(createBookmark(path));
    EXPECT_FALSE(createBookmark(QString()));
    EXPECT_FALSE(resolveBookmark(QByteArray()));
}
