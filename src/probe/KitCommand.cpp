#include "probe/LoopKitOptions.h"
#include "probe/ProbeCommand.h"

// barquill-probe kit FILE --out DIR [--at S] [--slices N] [--loop N] [--reverse] [--nudge Q]
// [--bits B] [--rate R]: writes the slice kit of the playhead's bar, or of the N-bar loop from it
// with --loop, and prints {"sfz", "sf2", "mid", "slices"}; {"error"} and exit status 1 on failure.
namespace barquill::probe {
namespace {

int kitCommand(const std::vector<std::string>& args) {
    if (positional(args).empty() || option(args, "--out").empty())
        return fail(QStringLiteral("usage: barquill-probe kit FILE --out DIR [--at S] [--slices N] "
                                   "[--loop 1|2|4|8] [--reverse] [--nudge Q] [--bits 16|24|32] [--rate HZ]"));
    ProbeDocument document;
    const RunOnlySettings restore(document.defaults(),
                                  {AppSettings::Keys::exportBitDepth, AppSettings::Keys::exportSampleRate});
    if (auto failure = prepare(document, args, {"--slices", "--loop"})) return fail(*failure);
    AudioStore& store = document.store();
    bool malformed = false;
    if (const auto slices = numberOption(args, "--slices", malformed)) {
        if (!(*slices >= 1 && *slices <= 128) || std::trunc(*slices) != *slices)
            return fail(QStringLiteral("--slices takes a whole number from 1 to 128"));
        store.setSlicesPerBar(static_cast<int>(*slices));
    }
    if (const auto loop = numberOption(args, "--loop", malformed)) {
        if (*loop != 1 && *loop != 2 && *loop != 4 && *loop != 8)
            return fail(QStringLiteral("--loop is 1, 2, 4 or 8"));
        store.setLoopBars(static_cast<int>(*loop));
        store.setLoopEnabled(true);
    }
    std::optional<SliceKitJob> job = store.sliceKitJob();
    const auto folder = outFolder(args);
    if (!job) return fail(QStringLiteral("there is no audio to export"));
    if (!folder) return fail(QStringLiteral("the folder --out cannot be made"));
    job->folder = *folder;
    const SliceKitResult result = runSliceKit(*job);
    if (result.errorMessage) return fail(QString::fromStdString(*result.errorMessage));
    QJsonArray slices;
    for (const std::string& name : result.slices)
        slices.append(QString::fromStdString((*folder / name).string()));
    printJson({{"sfz", QString::fromStdString(result.sfz.string())},
               {"sf2", QString::fromStdString(result.sf2.string())},
               {"mid", QString::fromStdString(result.mid.string())},
               {"slices", slices}});
    return 0;
}

CommandRegistrar reg("kit", kitCommand);

} // namespace
} // namespace barquill::probe
