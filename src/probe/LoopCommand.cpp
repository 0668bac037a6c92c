#include "probe/LoopKitOptions.h"
#include "probe/ProbeCommand.h"

// barquill-probe loop FILE --out DIR [--at S] [--bars N] [--reverse] [--nudge Q] [--bits B]
// [--rate R]: writes the loop L would play from the playhead's bar, as Shift+E does, and prints
// {"file", "frames", "bpm", "beats"}; {"error"} and exit status 1 on failure.
namespace barquill::probe {
namespace {

int loopCommand(const std::vector<std::string>& args) {
    if (positional(args).empty() || option(args, "--out").empty())
        return fail(QStringLiteral("usage: barquill-probe loop FILE --out DIR [--at S] [--bars 1|2|4|8] "
                                   "[--reverse] [--nudge Q] [--bits 16|24|32] [--rate HZ]"));
    ProbeDocument document;
    const RunOnlySettings restore(document.defaults(),
                                  {AppSettings::Keys::exportBitDepth, AppSettings::Keys::exportSampleRate});
    if (auto failure = prepare(document, args, {"--bars"})) return fail(*failure);
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
