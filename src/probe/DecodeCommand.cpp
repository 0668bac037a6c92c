#include "platform/decode/DecodeWithFallback.h"
#include "probe/ProbeCommand.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

// barquill-probe decode FILE: decodes the way a load does and describes the result.
namespace barquill::probe {
namespace {

void printJson(const QJsonObject& object) {
    std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
}

int decodeCommand(const std::vector<std::string>& args) {
    const std::string path = positional(args);
    if (path.empty()) {
        printJson({{"error", "usage: barquill-probe decode FILE"}, {"code", 2}});
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    const DecodeResult result = decodeWithFallback(path);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    if (!result.ok()) {
        const DecodeError error = result.error.value_or(DecodeError{"Barquill", -4, "Could not decode."});
        printJson({{"error", QString::fromStdString(error.description)}, {"code", error.code}});
        return 1;
    }

    const std::filesystem::path file(path);
    std::string extension = file.extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    const PCMBuffer& buffer = *result.buffer;
    printJson({{"fileName", QString::fromStdString(file.stem().string())},
               {"fileExtension", QString::fromStdString(extension)},
               {"sampleRate", buffer.sampleRate()},
               {"channelCount", static_cast<qint64>(buffer.channelCount())},
               {"frameLength", static_cast<qint64>(buffer.frameLength())},
               {"duration", buffer.frameLength() / buffer.sampleRate()},
               {"fileSizeBytes", ec ? qint64(0) : static_cast<qint64>(size)},
               {"decodeSeconds", elapsed.count()}});
    return 0;
}

const CommandRegistrar reg("decode", decodeCommand);

} // namespace
} // namespace barquill::probe
