#include "probe/ProbeCommand.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <map>
#include <new>
#include <string>

namespace barquill::probe {

static std::map<std::string, CommandFunction>& registry() {
    static std::map<std::string, CommandFunction> commands;
    return commands;
}

CommandRegistrar::CommandRegistrar(const std::string& name, CommandFunction function) {
    registry()[name] = std::move(function);
}

std::string option(const std::vector<std::string>& args, const std::string& name,
                   const std::string& fallback) {
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == name) return args[i + 1];
    return fallback;
}

bool flag(const std::vector<std::string>& args, const std::string& name) {
    for (const auto& a : args)
        if (a == name) return true;
    return false;
}

std::string positional(const std::vector<std::string>& args) {
    // Options that stand alone; every other "--x" takes a value.
    static const std::vector<std::string> bare = {"--reverse"};
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i].rfind("--", 0) == 0) {
            bool isBare = false;
            for (const auto& b : bare)
                isBare = isBare || args[i] == b;
            if (!isBare) ++i;
            continue;
        }
        return args[i];
    }
    return {};
}

} // namespace barquill::probe

int main(int argc, char** argv) {
    using namespace barquill::probe;
    if (argc < 2 || registry().find(argv[1]) == registry().end()) {
        std::fprintf(stderr, "usage: barquill-probe COMMAND FILE [options]\ncommands:");
        for (const auto& [name, _] : registry())
            std::fprintf(stderr, " %s", name.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    try {
        return registry()[argv[1]](args);
    } catch (const std::bad_alloc&) {
        // Said as the app says it, instead of an abort.
        const QString file = QFileInfo(QString::fromStdString(positional(args))).fileName();
        const QJsonObject error{{"error", QStringLiteral("Not enough memory to open “%1”.").arg(file)}};
        std::printf("%s\n", QJsonDocument(error).toJson(QJsonDocument::Compact).constData());
        return 1;
    }
}
