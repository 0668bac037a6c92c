// The barquill executable as the desktop starts it: --help and --version answer and exit, and a
// second launch hands its file to the running window and exits.

#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

namespace barquill::test {
namespace {

constexpr int kBoundMs = 60000; // against hangs only; sanitizer builds start slowly

struct Launch {
    int exitCode = -1;
    QString output;
};

QProcessEnvironment appEnvironment(const TempDir& dir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString runtime = QString::fromStdString((dir.path() / "runtime").string());
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("BARQUILL_AUTOMATION_STATE", QString::fromStdString((dir.path() / "state.json").string()));
    return env;
}

Launch run(const QStringList& args, const QProcessEnvironment& env) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(BARQUILL_APP_PATH, args);
    if (!process.waitForFinished(kBoundMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAll())};
}

TEST(BarquillExecutable, HelpAndVersionPrintAndExit) {
    TempDir dir;
    QProcessEnvironment env = appEnvironment(dir);
    env.remove("DISPLAY");
    const struct {
        QStringList args;
        QString expected;
        int exitCode;
    } cases[] = {
        {{"--version"}, "Barquill " BARQUILL_VERSION "\n", 0},
        {{"-v"}, "Barquill " BARQUILL_VERSION "\n", 0},
        {{"--help"}, "Usage: barquill [FILE]", 0},
        {{"--frobnicate"}, "barquill: Unknown option 'frobnicate'.", 2},
    };
    for (const auto& c : cases) {
        const Launch launch = run(c.args, env);
        EXPECT_EQ(launch.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(launch.output.startsWith(c.expected)) << launch.output.toStdString();
    }
}

TEST(BarquillExecutable, ASecondLaunchHandsItsFileToTheRunningWindowAndExits) {
    TempDir dir;
    const QProcessEnvironment env = appEnvironment(dir);
    const auto file = dir.path() / "44100-1-silence.wav";
    ASSERT_TRUE(writeFloatWav(file, {std::vector<float>(4410, 0.0f)}, 44100));
    const QString statePath = env.value("BARQUILL_AUTOMATION_STATE");
    const auto state = [&] {
        QFile f(statePath);
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object() : QJsonObject();
    };

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(BARQUILL_APP_PATH, {});
    ASSERT_TRUE(first.waitForStarted(kBoundMs));
    QElapsedTimer clock;
    clock.start();
    while (state().isEmpty() && clock.elapsed() < kBoundMs)
        QThread::msleep(50);
    ASSERT_FALSE(state().isEmpty()) << "the first instance never came up";

    const Launch second = run({QString::fromStdString(file.string())}, env);
    EXPECT_EQ(second.exitCode, 0) << second.output.toStdString();
    clock.restart();
    while (state()["fileName"].toString() != "44100-1-silence" && clock.elapsed() < kBoundMs)
        QThread::msleep(50);
    EXPECT_EQ(state()["fileName"].toString(), "44100-1-silence");
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    if (!first.waitForFinished(kBoundMs)) first.kill();
}

} // namespace
} // namespace barquill::test
