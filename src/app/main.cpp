#include "app/AutomationStateWriter.h"
#include "app/BarquillApp.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QIcon>
#include <QStringList>

#include <clocale>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Qt has set the C library's locale from the environment; numbers from C formatting and
    // parsing (here and in the decoding libraries) keep the point as decimal separator.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Barquill"));
    QApplication::setOrganizationName(QString());
    QApplication::setApplicationDisplayName(QStringLiteral("Barquill"));
    QApplication::setDesktopFileName(QStringLiteral("barquill"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("barquill")));

    barquill::BarquillApp app({});
    app.start();
    // Only when an outside driver (the end-to-end suite) asks for it.
    if (auto* automation = barquill::AutomationStateWriter::createFromEnvironment(&app.store(), &application))
        automation->setWindowId(app.mainWindow().winId());
    // The desktop entry passes the file the user opened with Barquill (%f).
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) app.openFromCommandLine(arguments.at(1));
    return QApplication::exec();
}
