#include "app/AutomationStateWriter.h"
#include "app/BarquillApp.h"
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "update/AppVersion.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QStringList>

#include <clocale>
#include <cstdio>

namespace {

const char* const kHelp = "Usage: barquill [FILE]\n"
                          "Cut loops and one-shots out of finished music.\n"
                          "\n"
                          "  FILE           an audio file to open; when Barquill already runs, it opens\n"
                          "                 in that window and this launch exits\n"
                          "  -h, --help     show this help and exit\n"
                          "  -v, --version  show the version and exit\n";

} // namespace

int main(int argc, char** argv) {
    // --help and --version answer before any window system is touched, so they work anywhere.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("file"), QString());
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "barquill: %s\nTry 'barquill --help'.\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("Barquill %s\n", barquill::appVersion);
        return 0;
    }
    const QStringList files = parser.positionalArguments();
    const QString file = files.isEmpty() ? QString() : files.first();

    QApplication application(argc, argv);
    // Qt has set the C library's locale from the environment; numbers from C formatting and
    // parsing (here and in the decoding libraries) keep the point as decimal separator.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Barquill"));
    QApplication::setOrganizationName(QString());
    QApplication::setApplicationDisplayName(QStringLiteral("Barquill"));
    QApplication::setDesktopFileName(QStringLiteral("barquill"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("barquill")));

    // A file opened from the file manager while Barquill runs goes to the running window.
    barquill::SingleInstance instance;
    if (instance.handOver(file)) return 0;
    instance.listen();

    barquill::BarquillApp app({});
    app.start();
    QObject::connect(&instance, &barquill::SingleInstance::requested, &app, [&app](const QString& path) {
        if (!path.isEmpty()) app.openFromCommandLine(path);
        app.mainWindow().raise();
        app.mainWindow().activateWindow();
    });
    // Only when an outside driver (the end-to-end suite) asks for it.
    if (auto* automation = barquill::AutomationStateWriter::createFromEnvironment(&app.store(), &application))
        automation->setWindowId(app.mainWindow().winId());
    // The desktop entry passes the file the user opened with Barquill (%f).
    if (!file.isEmpty()) app.openFromCommandLine(file);
    return QApplication::exec();
}
