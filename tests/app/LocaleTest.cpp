#include "AppFixture.h"

#include "CommaLocale.h"
#include "app/StatusBarView.h"
#include "settings/AppSettings.h"
#include "settings/SettingsWindow.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

namespace barquill::test {
namespace {

// Under a comma-decimal system locale every number the user sees keeps the app's own fixed
// formats: status bar, analysis note, banners, exported file names and the settings window.
TEST_F(AppTest, NumbersKeepTheirFixedFormatsUnderACommaDecimalLocale) {
    const CommaLocale locale;
    ASSERT_EQ(locale.problem(), "");
    launch(); // the windows are made under the locale, as at a real start
    openAndSettle(writeClicks());
    const QString out = QString::fromStdString((dir / "out").string());
    QDir().mkpath(out);
    app->settings().setExportFolder(out);

    QStringList shown;
    StatusBarView* status = window->statusView();
    shown << status->detailsText() << status->messageText();
    EXPECT_TRUE(status->detailsText().contains(QStringLiteral("44.1 kHz")))
        << status->detailsText().toStdString();
    EXPECT_TRUE(status->messageText().contains(QRegularExpression(QStringLiteral("^≈?\\d+\\.\\d BPM · "))))
        << status->messageText().toStdString();
    QTest::keyClick(window, Qt::Key_BracketRight);
    shown << status->messageText();
    auto* tempo = window->findChild<QDoubleSpinBox*>(QStringLiteral("matchTempo"));
    ASSERT_NE(tempo, nullptr);
    tempo->setValue(120.5);
    shown << tempo->text();
    EXPECT_EQ(tempo->text(), QStringLiteral("120.5 BPM"));
    QTest::keyClick(window, Qt::Key_E);
    ASSERT_TRUE(store->exportFlash());
    shown << *store->exportFlash();
    shown << QDir(out).entryList(QDir::Files);
    app->showSettings();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<SettingsWindow*>(top))
            for (QLabel* label : top->findChildren<QLabel*>())
                shown << label->text();

    const QRegularExpression decimalComma(QStringLiteral("\\d,\\d"));
    for (const QString& text : shown)
        EXPECT_FALSE(text.contains(decimalComma)) << text.toStdString();
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();
}

} // namespace
} // namespace barquill::test
