#include "CommaLocale.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace barquill::test {

CommaLocale::CommaLocale() {
    const std::string command = "localedef -i de_DE -f UTF-8 " + shellQuote((dir_ / "de_DE.UTF-8").string());
    if (runCommand(command + " 2>&1") != 0) {
        problem_ = "localedef could not generate de_DE.UTF-8 (package locales)";
        return;
    }
    setenv("LOCPATH", dir_.path().c_str(), 1);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        problem_ = "setlocale refused the generated de_DE.UTF-8";
        return;
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    if (std::string(probe) != "0,5") problem_ = "the generated locale does not use a decimal comma";
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

CommaLocale::~CommaLocale() {
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    QLocale::setDefault(previousDefault_);
}

} // namespace barquill::test
