#include "probe/LoopKitOptions.h"

#include "probe/ProbeCommand.h"

#include <QDir>
#include <QFile>

#include <cmath>
#include <memory>

namespace barquill::probe {

namespace {
bool isWhole(double value) {
    return std::trunc(value) == value && std::abs(value) < 1e9;
}
} // namespace

std::optional<QString> prepare(ProbeDocument& document, const std::vector<std::string>& args,
                               const std::vector<std::string>& numbers) {
    bool malformed = false;
    for (const std::string& name : numbers)
        numberOption(args, name, malformed);
    const auto at = numberOption(args, "--at", malformed);
    const auto bits = numberOption(args, "--bits", malformed);
    const auto rate = numberOption(args, "--rate", malformed);
    const auto nudge = numberOption(args, "--nudge", malformed);
    if (malformed) return QStringLiteral("--at, --bits, --rate, --nudge and the counts take a number");
    if (bits && *bits != 16 && *bits != 24 && *bits != 32) return QStringLiteral("--bits is 16, 24 or 32");
    if (rate && !(*rate > 0)) return QStringLiteral("--rate takes a positive number of hertz");
    if (nudge && !isWhole(*nudge)) return QStringLiteral("--nudge takes a whole number of quarter bars");

    AppSettings& settings = document.settings();
    if (bits) settings.setExportBitDepth(static_cast<qint64>(*bits));
    if (rate) settings.setExportSampleRate(*rate);
    if (auto failure = document.open(positional(args))) return failure;
    AudioStore& store = document.store();
    if (at && !(*at >= 0 && *at < store.duration()))
        return QStringLiteral("--at %1 s lies outside the file (%2 s long)").arg(*at).arg(store.duration());
    if (nudge) store.shiftGrid(static_cast<int>(*nudge));
    if (at) store.seek(*at, true);
    if (flag(args, "--reverse"))
        if (auto failure = document.reverse()) return failure;
    return std::nullopt;
}

std::optional<std::filesystem::path> outFolder(const std::vector<std::string>& args) {
    const QString path = QDir(QString::fromStdString(option(args, "--out"))).absolutePath();
    if (!QDir().mkpath(path)) return std::nullopt;
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace barquill::probe
