#include "settings/AppSettings.h"
#include "settings/SettingsWindow.h"

#include "SettingsFixture.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>

using namespace barquill;

namespace {

const std::vector<OutputDevice> kDevices = {
    {"ALSA/pulse", "pulse", "ALSA", false, 32},
    {"ALSA/default", "default", "ALSA", true, 32},
    {"PulseAudio/first", "First", "PulseAudio", true, 2},
    {"PulseAudio/second", "Second", "PulseAudio", false, 2},
};

class AudioOutputSection : public SettingsFixture {
protected:
    AudioOutputSection() {
        window.setDeviceLister([this](std::function<void(std::vector<OutputDevice>)> done) {
            ++listings;
            done(devices);
        });
    }
    QComboBox* popup() { return window.findChild<QComboBox*>(QStringLiteral("outputDevice")); }
    QStringList items() {
        QStringList texts;
        for (int i = 0; i < popup()->count(); ++i)
            texts << popup()->itemText(i);
        return texts;
    }

    std::vector<OutputDevice> devices = kDevices;
    int listings = 0;
    AppSettings settings{defaults};
    SettingsWindow window{settings};
};

// The popup lists "System default" and then every device by host API and name, is asked again each
// time the window shows, and a choice is stored at once.
TEST_F(AudioOutputSection, ListsTheDevicesWhenShownAndStoresAChoiceAtOnce) {
    ASSERT_NE(popup(), nullptr);
    EXPECT_EQ(listings, 0);
    window.show();
    EXPECT_EQ(listings, 1);
    EXPECT_EQ(items(), (QStringList{"System default", "ALSA: pulse", "ALSA: default (default)",
                                    "PulseAudio: First (default)", "PulseAudio: Second"}));
    EXPECT_EQ(popup()->currentIndex(), 0);

    popup()->activated(4);
    EXPECT_EQ(settings.outputDevice(), QStringLiteral("PulseAudio/second"));
    EXPECT_EQ(stored().string(QStringLiteral("Barquill.outputDevice")), QStringLiteral("PulseAudio/second"));

    // Saved beside the other screenshots for a person to look at.
    const QString folder = QStringLiteral(BARQUILL_BUILD_DIR "/artifacts");
    QDir().mkpath(folder);
    window.resize(560, window.sizeHint().height());
    window.grab().save(folder + QStringLiteral("/settings-audio-output.png"));

    window.hide();
    window.show();
    EXPECT_EQ(listings, 2);
}

// A stored device that is not connected stays chosen, marked so, with a note; reset goes back to
// the system default.
TEST_F(AudioOutputSection, AMissingDeviceStaysChosenWithANoteUntilReset) {
    settings.setOutputDevice(QStringLiteral("PulseAudio/usb-interface"));
    window.show();
    EXPECT_EQ(popup()->currentText(), QStringLiteral("usb-interface (not connected)"));
    auto* note = window.findChild<QLabel*>(QStringLiteral("outputDeviceNote"));
    EXPECT_FALSE(note->isHidden());
    EXPECT_EQ(note->text(), QStringLiteral("Not connected — playing through the system default."));

    settings.resetToDefaults();
    EXPECT_EQ(settings.outputDevice(), QString());
    EXPECT_EQ(popup()->currentText(), QStringLiteral("System default"));
    EXPECT_TRUE(note->isHidden());
}

} // namespace
