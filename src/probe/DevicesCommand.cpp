#include "platform/audio/AudioServerThread.h"
#include "platform/audio/PortAudioHost.h"
#include "probe/ProbeCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

// barquill-probe devices: the output devices the settings popup offers, as one JSON array of
// {"id", "name", "hostApi", "isDefault", "maxOutputChannels"}.
namespace barquill::probe {
namespace {

int devicesCommand(const std::vector<std::string>&) {
    std::vector<OutputDevice> devices;
    AudioServerThread::instance().runAndWait([&devices] { devices = scanOutputDevices(); });
    QJsonArray list;
    for (const OutputDevice& device : devices)
        list.append(QJsonObject{{"id", QString::fromStdString(device.id)},
                                {"name", QString::fromStdString(device.name)},
                                {"hostApi", QString::fromStdString(device.hostApi)},
                                {"isDefault", device.isDefault},
                                {"maxOutputChannels", device.maxOutputChannels}});
    std::printf("%s\n", QJsonDocument(list).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
    return 0;
}

CommandRegistrar reg("devices", devicesCommand);

} // namespace
} // namespace barquill::probe
