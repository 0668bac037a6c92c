#pragma once

#include "platform/defaults/UserDefaults.h"

#include "TestSupport.h"

#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

// A private defaults file in a temporary folder; `stored()` reads it back from disk, so a test sees
// what a restart would see.
class SettingsFixture : public ::testing::Test {
protected:
    QString inDir(const std::string& name) const { return QString::fromStdString((dir / name).string()); }
    barquill::UserDefaults stored() const { return barquill::UserDefaults(inDir("defaults.json")); }
    QString makeFolder(const std::string& name) const {
        std::filesystem::create_directories(dir / name);
        return inDir(name);
    }
    QString makeFile(const std::string& name) const {
        std::ofstream(dir / name) << "x";
        return inDir(name);
    }

    barquill::test::TempDir dir;
    barquill::UserDefaults defaults{inDir("defaults.json")};
};
