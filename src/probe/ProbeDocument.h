#pragma once

#include "platform/audio/OfflineAudioEngine.h"
#include "platform/defaults/UserDefaults.h"
#include "settings/AppSettings.h"
#include "store/AudioStore.h"
#include "store/EventLoopWait.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The document as the app has it, for probe commands that drive it headlessly: the user's settings
// (from the XDG config) and the store on the offline engine. Main thread only.
namespace barquill::probe {

// Prints one compact JSON object and a newline on standard output.
void printJson(const QJsonObject& object);

// Prints the export's outcome as the store shows it: its error, else its export banner. The
// command's exit status.
int reportExport(const AudioStore& store);

// Runs the event loop until `done` holds; false after ten minutes (an hour-long file analyses in seconds).
inline bool waitFor(const std::function<bool()>& done) {
    return runEventsUntil(done, 600000);
}

// The value of "--name NUMBER"; none when absent. `malformed` is set when present but not a finite number.
std::optional<double> numberOption(const std::vector<std::string>& args, const std::string& name,
                                   bool& malformed);

// Puts the listed user-defaults keys back as they were when the object dies, so that settings a
// command changes for its own run do not outlive it.
class RunOnlySettings {
public:
    RunOnlySettings(UserDefaults& defaults, std::vector<QString> keys);
    ~RunOnlySettings();
    RunOnlySettings(const RunOnlySettings&) = delete;
    RunOnlySettings& operator=(const RunOnlySettings&) = delete;

private:
    UserDefaults& defaults_;
    std::vector<std::pair<QString, QVariant>> saved_; // invalid QVariant: the key was absent
};

class ProbeDocument {
public:
    ProbeDocument();

    AudioStore& store() { return store_; }
    AppSettings& settings() { return settings_; }
    UserDefaults& defaults() { return defaults_; }
    OfflineAudioEngine& engine() { return *engine_; }

    // Opens the file and waits until decoding and analysis are over; the error shown, or none.
    std::optional<QString> open(const std::string& file);
    // Reverses and waits for the mirror; the error shown, or none.
    std::optional<QString> reverse();
    // The folder chooser answers `folder` (made when missing, as the dialog may create folders), and
    // no stored folder stands in its way.
    void chooseFolder(const std::string& folder);

private:
    // Constructed first: the application name decides where the user defaults live.
    struct Application {
        Application();
        QCoreApplication app;
    };
    Application application_;
    UserDefaults defaults_;
    AppSettings settings_;
    OfflineAudioEngine* engine_ = nullptr;
    AudioStore store_;
};

} // namespace barquill::probe
