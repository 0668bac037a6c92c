#include "probe/ProbeCommand.h"
#include "probe/ProbeDocument.h"

// barquill-probe oneshots FILE --out DIR [--sensitivity S]: exports the non-kick hits of the quiet
// sections the way the T key does, with the folder chooser answering DIR, and waits for the result.
namespace barquill::probe {
namespace {

int oneshotsCommand(const std::vector<std::string>& args) {
    const std::string file = positional(args);
    const std::string out = option(args, "--out");
    bool malformed = false;
    const auto sensitivity = numberOption(args, "--sensitivity", malformed);
    if (file.empty() || out.empty() || malformed) {
        printJson({{"errorMessage",
                    QStringLiteral("usage: barquill-probe oneshots FILE --out DIR [--sensitivity S]")}});
        return 2;
    }

    ProbeDocument document;
    AudioStore& store = document.store();
    // The option holds for this run only; the user's stored settings stay as they were.
    const RunOnlySettings restore(document.defaults(), {AppSettings::Keys::transientSensitivity,
                                                        AppSettings::Keys::exportFolderBookmark});
    if (sensitivity) document.settings().setTransientSensitivity(*sensitivity);

    if (const auto failure = document.open(file)) {
        printJson({{"errorMessage", *failure}});
        return 1;
    }
    document.chooseFolder(out);
    store.exportTransients();
    if (!waitFor([&] { return !store.isExportingTransients(); })) {
        printJson({{"errorMessage", QStringLiteral("Timed out while exporting.")}});
        return 1;
    }
    return reportExport(store);
}

CommandRegistrar reg("oneshots", oneshotsCommand);

} // namespace
} // namespace barquill::probe
