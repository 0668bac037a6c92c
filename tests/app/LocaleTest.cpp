#include "AppFixture.h"

#include "app/TempoField.h"
#include "settings/SettingsWindow.h"

#include <QLabel>
#include <QRegularExpression>

namespace barquill::test {
namespace {

// Under a comma-decimal system locale every number the user sees keeps the app's own fixed
// formats. Qt takes the system locale from the environment at start, so the test runs itself
// again as a child process started under a German locale generated with localedef.
TEST_F(AppTest, NumbersKeepTheirFixedFormatsUnderACommaDecimalLocale) {
    if (qEnvironmentVariableIsEmpty("BARQUILL_COMMA_LOCALE_CHILD")) {
        const std::string locales = shellQuote(dir.path().string());
        std::string output;
        EXPECT_EQ(runCommand(
                      "localedef -i de_DE -f UTF-8 " + locales + "/de_DE.UTF-8 && LOCPATH=" + locales +
                          " LC_ALL=de_DE.UTF-8 BARQUILL_COMMA_LOCALE_CHILD=1 " +
                          shellQuote(QCoreApplication::applicationFilePath().toStdString()) +
                          " --gtest_filter=AppTest.NumbersKeepTheirFixedFormatsUnderACommaDecimalLocale 2>&1",
                      &output),
                  0)
            << output;
        return;
    }
    ASSERT_EQ(QLocale::system().decimalPoint(), ",") << "not under the comma locale";
    openAndSettle(writeClicks());
    QDir().mkpath(path("out"));
    app->settings().setExportFolder(path("out"));
    StatusBarView* status = window->statusView();
    QStringList shown{status->detailsText(), status->messageText()};
    QTest::keyClick(window, Qt::Key_BracketRight);
    bar->matchTempoField()->setValue(120.5);
    EXPECT_EQ(bar->matchTempoField()->text(), "120.5 BPM");
    QTest::keyClick(window, Qt::Key_E);
    shown << status->messageText() << store->exportFlash().value_or("")
          << QDir(path("out")).entryList(QDir::Files);
    app->showSettings();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<SettingsWindow*>(top))
            for (QLabel* label : top->findChildren<QLabel*>())
                shown << label->text();
    for (const QString& text : shown)
        EXPECT_FALSE(text.contains(QRegularExpression("\\d,\\d"))) << text.toStdString();
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();
}

} // namespace
} // namespace barquill::test
