#pragma once

#include "StoreFixture.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace barquill::test {

// A store whose folder chooser answers `out` (or cancels), exporting 32-bit float at the files' own
// 44.1 kHz without fades, so every written sample can be compared with the source exactly.
class ExportTest : public StoreTest {
protected:
    ExportTest() {
        settings.setExportBitDepth(32);
        settings.setExportSampleRate(44100);
        settings.setSliceFadeMs(0);
        store->setFolderChooser([this]() -> std::optional<QString> {
            ++chooserCalls;
            if (!chooserAnswer) return std::nullopt;
            return QString::fromStdString(chooserAnswer->string());
        });
    }

    // The names in `folder`, sorted.
    static std::vector<std::string> fileNames(const std::filesystem::path& folder) {
        std::vector<std::string> names;
        if (!std::filesystem::exists(folder)) return names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Channel `channel` of a written file; empty when it cannot be read.
    static std::vector<float> samplesOf(const std::filesystem::path& file, uint32_t channel = 0) {
        std::vector<std::vector<float>> channels;
        int rate = 0;
        if (!readSoundFile(file, channels, rate) || channel >= channels.size()) return {};
        return channels[channel];
    }

    TempDir out;
    std::optional<std::filesystem::path> chooserAnswer = out.path();
    int chooserCalls = 0;
};

} // namespace barquill::test
