#include "probe/ProbeCommand.h"
#include "probe/ProbeDocument.h"

#include <cmath>

// barquill-probe slices FILE --out DIR [--at SECONDS] [--slices N] [--bits 16|24|32] [--rate HZ]
// [--fade MS] [--reverse] [--nudge QUARTERS]: exports the slices of the bar under the playhead the
// way the E key does, with the folder chooser answering DIR.
namespace barquill::probe {
namespace {

const char* const kUsage = "usage: barquill-probe slices FILE --out DIR [--at SECONDS] [--slices N] "
                           "[--bits 16|24|32] [--rate HZ] [--fade MS] [--reverse] [--nudge QUARTERS]";

int usage(const QString& problem) {
    printJson({{"errorMessage", problem.isEmpty() ? QString::fromLatin1(kUsage) : problem}});
    return 2;
}

bool isWhole(double value) {
    return std::trunc(value) == value && std::abs(value) < 1e9;
}

int slicesCommand(const std::vector<std::string>& args) {
    const std::string file = positional(args);
    const std::string out = option(args, "--out");
    if (file.empty() || out.empty()) return usage({});
    bool malformed = false;
    const auto at = numberOption(args, "--at", malformed);
    const auto slices = numberOption(args, "--slices", malformed);
    const auto bits = numberOption(args, "--bits", malformed);
    const auto rate = numberOption(args, "--rate", malformed);
    const auto fade = numberOption(args, "--fade", malformed);
    const auto nudge = numberOption(args, "--nudge", malformed);
    if (malformed)
        return usage(QStringLiteral("--at, --slices, --bits, --rate, --fade and --nudge take a number"));
    if (slices && !isWhole(*slices)) return usage(QStringLiteral("--slices takes a whole number"));
    if (bits && *bits != 16 && *bits != 24 && *bits != 32)
        return usage(QStringLiteral("--bits is 16, 24 or 32"));
    if (rate && !(*rate > 0)) return usage(QStringLiteral("--rate takes a positive number of hertz"));
    if (fade && !(*fade >= 0)) return usage(QStringLiteral("--fade takes milliseconds, 0 or more"));
    if (nudge && !isWhole(*nudge))
        return usage(QStringLiteral("--nudge takes a whole number of quarter bars"));

    ProbeDocument document;
    AudioStore& store = document.store();
    AppSettings& settings = document.settings();
    // The options hold for this run only; the user's stored settings stay as they were.
    const RunOnlySettings restore(document.defaults(),
                                  {AppSettings::Keys::exportBitDepth, AppSettings::Keys::exportSampleRate,
                                   AppSettings::Keys::sliceFadeMs, AppSettings::Keys::exportFolderBookmark});
    if (bits) settings.setExportBitDepth(static_cast<qint64>(*bits));
    if (rate) settings.setExportSampleRate(*rate);
    if (fade) settings.setSliceFadeMs(*fade);

    if (const auto failure = document.open(file)) {
        printJson({{"errorMessage", *failure}});
        return 1;
    }
    if (nudge) store.shiftGrid(static_cast<int>(*nudge));
    if (at) store.seek(*at, true);
    if (flag(args, "--reverse")) {
        if (const auto failure = document.reverse()) {
            printJson({{"errorMessage", *failure}});
            return 1;
        }
    }
    if (slices) store.setSlicesPerBar(static_cast<int>(*slices));

    document.chooseFolder(out);
    store.exportSlices();
    return reportExport(store);
}

CommandRegistrar reg("slices", slicesCommand);

} // namespace
} // namespace barquill::probe
