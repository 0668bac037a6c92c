#pragma once

#include "probe/ProbeDocument.h"

#include <QJsonArray>

#include <cmath>
#include <filesystem>

#include <optional>
#include <string>
#include <vector>

// The options the loop and kit commands share, and their common failure report.
namespace barquill::probe {

// Prints {"error": text} and gives the exit status 1.
inline int fail(const QString& text) {
    printJson({{"error", text}});
    return 1;
}

// Opens FILE with --bits, --rate, --nudge, --at and --reverse applied for this run only; the
// error text, or none. `numbers` names further options that must be numbers when present.
std::optional<QString> prepare(ProbeDocument& document, const std::vector<std::string>& args,
                               const std::vector<std::string>& numbers);

// The absolute path of --out, made when missing; none when it cannot be made.
std::optional<std::filesystem::path> outFolder(const std::vector<std::string>& args);

} // namespace barquill::probe
