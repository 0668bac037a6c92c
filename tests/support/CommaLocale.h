#pragma once

#include "TestSupport.h"

#include <QLocale>

#include <string>

namespace barquill::test {

// While alive, the process runs under a German locale, whose decimal separator is a comma: the C
// library's (as QApplication sets it from the environment) and Qt's default locale. The locale is
// generated with localedef into a temporary folder, so the machine needs none installed.
class CommaLocale {
public:
    CommaLocale();
    ~CommaLocale();
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;
    // Why the locale could not be set up; empty when it is in force.
    const std::string& problem() const { return problem_; }

private:
    TempDir dir_;
    std::string problem_;
    QLocale previousDefault_;
};

} // namespace barquill::test
