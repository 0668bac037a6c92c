#include "AppFixture.h"

#include "app/WindowPlacement.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <fstream>

namespace barquill::test {
namespace {

// The defaults file is set aside and the user told; a second start neither tells again nor forgets
// the window size.
TEST_F(AppTest, AnUnreadableDefaultsFileIsToldOnceAndTheWindowReopensAtItsSize) {
    app.reset();
    const QString file = path("defaults.json");
    std::ofstream(dir / "defaults.json") << "{\"Barquill.sliceFadeMs\": ";
    launch();
    ASSERT_TRUE(waitUntil([&] { return !alerts.isEmpty(); }));
    EXPECT_TRUE(alerts[0].startsWith(QStringLiteral("Settings were reset: ")));
    EXPECT_TRUE(alerts[0].contains(file + QStringLiteral(".corrupt"))) << alerts[0].toStdString();
    EXPECT_TRUE(QFile::exists(file + QStringLiteral(".corrupt")));
    alerts.clear();
    window->resize(window->width() - 20, MainWindow::minimumHeight + 10);
    const QSize left = window->size();
    launch();
    QCoreApplication::processEvents(); // where the alert would be shown
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();
    EXPECT_EQ(window->size(), left);
}

TEST(WindowPlacement, AtFirstStartTheWantedSizeShrinksToTheScreenButNeverBelowTheMinimumAndIsCentred) {
    for (const auto& [screen, expected] : {std::pair{QRect(0, 0, 1920, 1050), QRect(360, 145, 1200, 760)},
                                           std::pair{QRect(100, 30, 1024, 700), QRect(100, 30, 1024, 700)},
                                           std::pair{QRect(0, 0, 800, 500), QRect(0, 0, 860, 520)}})
        EXPECT_EQ(firstWindowGeometry({1200, 760}, {860, 520}, screen), expected) << screen.width();
}

// The barquill executable as the desktop starts it: options answer and exit; a second launch
// hands its file to the running window and exits.
TEST(BarquillExecutable, OptionsAnswerAndASecondLaunchHandsItsFileToTheFirst) {
    TempDir dir;
    std::filesystem::create_directory(dir / "runtime");
    std::filesystem::permissions(dir / "runtime", std::filesystem::perms::owner_all);
    const std::string barquill = "env -u DISPLAY XDG_RUNTIME_DIR=" + shellQuote((dir / "runtime").string()) +
                                 " BARQUILL_AUTOMATION_STATE=" + shellQuote((dir / "state.json").string()) +
                                 " " + shellQuote(BARQUILL_APP_PATH);
    for (const auto& [arg, expected, exitCode] :
         {std::tuple{"--version", "Barquill " BARQUILL_VERSION "\n", 0},
          std::tuple{"-v", "Barquill " BARQUILL_VERSION "\n", 0},
          std::tuple{"--help", "Usage: barquill [FILE]", 0},
          std::tuple{"--frobnicate", "barquill: Unknown option 'frobnicate'.", 2}}) {
        std::string output;
        EXPECT_EQ(runCommand(barquill + " " + arg + " 2>&1", &output), exitCode) << arg;
        EXPECT_TRUE(output.starts_with(expected)) << output;
    }

    ASSERT_TRUE(writeFloatWav(dir / "44100-1-silence.wav", {std::vector<float>(4410, 0.0f)}, 44100));
    const auto shownFile = [&] {
        QFile f(QString::fromStdString((dir / "state.json").string()));
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object().value("fileName")
                                           : QJsonValue(QJsonValue::Undefined);
    };
    QProcess first;
    first.start("/bin/sh", {"-c", QString::fromStdString("exec " + barquill)});
    ASSERT_TRUE(waitUntil([&] { return !shownFile().isUndefined(); })) << "the first instance never came up";
    std::string output;
    EXPECT_EQ(
        runCommand(barquill + " " + shellQuote((dir / "44100-1-silence.wav").string()) + " 2>&1", &output), 0)
        << output;
    EXPECT_TRUE(waitUntil([&] { return shownFile() == "44100-1-silence"; }));
    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    if (!first.waitForFinished(60000)) first.kill(); // a bound against hangs only
}

} // namespace
} // namespace barquill::test
