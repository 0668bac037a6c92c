#include "probe/LoopKitOptions.h"
#include "probe/ProbeCommand.h"

// barquill-probe loop FILE --out DIR [--at S] [--bars N] [--reverse] [--nudge Q] [--bits B]
// [--rate R] [--bpm T]: writes the loop L would play from the playhead's bar, as Shift+E does
// (stretched to T BPM with --bpm, key unchanged), and prints {"file", "frames", "bpm", "beats"};
// {"error"} and exit status 1 on failure.
namespace barquill::probe {
namespace {

int loopCommand(const std::vector<std::string>& args) {
    if (positional(args).empty() || option(args, "--out").empty())
        return fail(QStringLiteral("usage: barquill-probe loop FILE --out DIR [--at S] [--bars 1|2|4|8] "
                                   "[--reverse] [--nudge Q] [--bits 16|24|32] [--rate HZ] [--bpm T]"));
    ProbeDocument document;
    const RunOnlySettings restore(document.defaults(),
                                  {AppSettings::Keys::exportBitDepth, AppSettings::Keys::exportSampleRate});
    double target = 0;
    if (auto failure = prepare(document, args, {"--bars"}, target)) return fail(*failure);
    bool malformed = false;
    if (const auto bars = numberOption(args, "--bars", malformed)) {
        if (*bars != 1 && *bars != 2 && *bars != 4 && *bars != 8)
            return fail(QStringLiteral("--bars is 1, 2, 4 or 8"));
        document.store().setLoopBars(static_cast<int>(*bars));
    }
    std::optional<LoopExportJob> job = document.store().loopExportJob();
    const auto folder = outFolder(args);
    if (!job) return fail(QStringLiteral("there is no audio to export"));
    if (!folder) return fail(QStringLiteral("the folder --out cannot be made"));
    job->folder = *folder;
    if (const auto failure = document.store().stretchLoopJob(*job, target)) return fail(*failure);
    const LoopExportResult result = runLoopExport(*job);
    if (result.errorMessage) return fail(QString::fromStdString(*result.errorMessage));
    printJson({{"file", QString::fromStdString(result.file.string())},
               {"frames", static_cast<qint64>(result.frames)},
               {"bpm", job->bpm},
               {"beats", static_cast<qint64>(result.beats)}});
    return 0;
}

CommandRegistrar reg("loop", loopCommand);

} // namespace
} // namespace barquill::probe
