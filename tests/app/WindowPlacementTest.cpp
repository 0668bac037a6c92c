#include "AppFixture.h"

#include "app/ContentToolbar.h"
#include "app/StatusBarView.h"
#include "app/ToolbarButtons.h"
#include "app/WindowPlacement.h"

#include <QAbstractButton>
#include <QApplication>

namespace barquill::test {
namespace {

TEST(WindowPlacement, TheWantedSizeShrinksToTheScreenButNeverBelowTheMinimumAndIsCentred) {
    const QSize wanted(1200, 760), minimum(860, 520);
    const std::tuple<QRect, QRect> cases[] = {
        {QRect(0, 0, 1920, 1050), QRect(360, 145, 1200, 760)},
        {QRect(100, 30, 1024, 700), QRect(100, 30, 1024, 700)},
        {QRect(0, 0, 800, 500), QRect(0, 0, 860, 520)},
    };
    for (const auto& [screen, expected] : cases)
        EXPECT_EQ(firstWindowGeometry(wanted, minimum, screen), expected) << screen.width();
}

TEST_F(AppTest, TheWindowReopensWithTheSizeAndPlaceItWasLeftAt) {
    const QSize first = window->size();
    EXPECT_GE(first.width(), MainWindow::minimumWidth);
    window->resize(first.width() - 20, MainWindow::minimumHeight + 10);
    const QSize left = window->size();
    launch();
    EXPECT_EQ(window->size(), left);
}

// At the minimum width, with the longest texts showing, every control keeps the room it asks for.
TEST_F(AppTest, AtTheMinimumWidthNothingIsClipped) {
    openAndSettle(writeClicks());
    store->shiftGrid(1);
    store->setLoopEnabled(true);
    window->resize(MainWindow::minimumWidth, MainWindow::minimumHeight);
    ASSERT_TRUE(waitUntil([&] { return window->width() == MainWindow::minimumWidth; }));
    QApplication::processEvents();
    for (QAbstractButton* button : window->toolbar()->findChildren<QAbstractButton*>()) {
        if (!button->isVisible()) continue;
        SCOPED_TRACE(button->text().toStdString() + " " + button->toolTip().toStdString());
        EXPECT_GE(button->width(), button->sizeHint().width());
        EXPECT_LE(button->mapTo(window, QPoint(button->width(), 0)).x(), window->width());
    }
    StatusBarView* status = window->statusView();
    EXPECT_EQ(status->shownMessageText(), status->messageText());
}

} // namespace
} // namespace barquill::test
