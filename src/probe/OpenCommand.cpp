#include "probe/ProbeCommand.h"
#include "probe/ProbeDocument.h"

#include <chrono>
#include <fstream>
#include <string>

// barquill-probe open FILE [--play]: opens a file through the document the way the app does
// (decode, peaks, bar analysis) and reports the bars, the time to them, and the resident memory
// when loaded; with --play also while playing forward and after reverse, seek and loop steps.
namespace barquill::probe {
namespace {

// A field of /proc/self/status in megabytes (VmRSS: now, VmHWM: the peak so far).
double statusMegabytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1)) / 1024.0;
    return 0;
}

int openCommand(const std::vector<std::string>& args) {
    const std::string file = positional(args);
    if (file.empty()) {
        printJson({{"error", QStringLiteral("usage: barquill-probe open FILE [--play]")}});
        return 2;
    }
    ProbeDocument document;
    AudioStore& store = document.store();
    const auto started = std::chrono::steady_clock::now();
    if (const auto failure = document.open(file)) {
        printJson({{"error", *failure}});
        return 1;
    }
    const double openSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    QJsonObject memory{{"loaded", statusMegabytes("VmRSS")}};

    if (flag(args, "--play")) {
        // A few seconds of sound through every transport road, as a user would try them.
        auto renderSeconds = [&](double seconds) {
            for (int64_t left = static_cast<int64_t>(seconds * store.buffer()->sampleRate()); left > 0;
                 left -= 512) {
                document.engine().render(512);
                store.clockTick();
            }
        };
        store.play();
        renderSeconds(2);
        store.seek(store.duration() / 2, true);
        renderSeconds(1);
        store.pause();
        store.play();
        renderSeconds(1);
        memory.insert("playing", statusMegabytes("VmRSS"));
        if (const auto failure = document.reverse()) {
            printJson({{"error", *failure}});
            return 1;
        }
        renderSeconds(1);
        store.setLoopEnabled(true);
        store.moveLoop(1);
        renderSeconds(1);
        store.setLoopEnabled(false);
        renderSeconds(1);
        memory.insert("reversed", statusMegabytes("VmRSS"));
    }
    memory.insert("peak", statusMegabytes("VmHWM"));
    const PCMBuffer& buffer = *store.buffer();
    printJson({{"bars", static_cast<qint64>(store.analysis() ? store.analysis()->bars.size() : 0)},
               {"analysisNote", store.analysisNote()},
               {"pcmMB", static_cast<double>(buffer.frameLength()) * buffer.channelCount() * 4 / 1048576.0},
               {"openSeconds", openSeconds},
               {"memoryMB", memory}});
    return 0;
}

const CommandRegistrar reg("open", openCommand);

} // namespace
} // namespace barquill::probe
