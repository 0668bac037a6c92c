#include "settings/SettingsWindow.h"

#include "settings/AppSettings.h"

#include "SettingsFixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

using namespace barquill;
using Keys = AppSettings::Keys;

namespace {

// The window over settings in a temporary folder, listing four output devices.
class SettingsWindowTest : public SettingsFixture {
protected:
    SettingsWindowTest() {
        window.setDeviceLister([this](std::function<void(std::vector<OutputDevice>)> done) {
            ++listings;
            done({{"ALSA/pulse", "pulse", "ALSA", false, 32},
                  {"ALSA/default", "default", "ALSA", true, 32},
                  {"PulseAudio/first", "First", "PulseAudio", true, 2},
                  {"PulseAudio/second", "Second", "PulseAudio", false, 2}});
        });
    }
    template <typename T = QWidget> T* control(const char* name) {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // The segment labelled `text` of the picker bound to `name`.
    QAbstractButton* segment(const char* name, const QString& text) {
        for (QAbstractButton* button : control(name)->findChildren<QAbstractButton*>())
            if (button->text() == text) return button;
        ADD_FAILURE() << "no segment " << text.toStdString();
        return nullptr;
    }
    QString valueText(const char* slider) {
        return control<QLabel>((std::string(slider) + "Value").c_str())->text();
    }
    QString folderText() { return control<QLabel>("exportFolderName")->text(); }
    QComboBox* devices() { return control<QComboBox>("outputDevice"); }

    int listings = 0;
    AppSettings settings{defaults};
    SettingsWindow window{settings};
};

// Each text with its tooltip after "|"; "+" where the control beside a label has the same tooltip.
// A stored device that is not connected stays chosen, marked so, with a note.
TEST_F(SettingsWindowTest, ShowsEveryTextAndTooltipInOrder) {
    settings.setOutputDevice(QStringLiteral("PulseAudio/usb-interface"));
    window.show();
    const auto entry = [](const QString& text, const QString& tip) {
        return tip.isEmpty() ? text : text + " | " + tip;
    };
    QStringList texts;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        const QString text = widget->property("text").toString(), tip = widget->toolTip();
        if (text.isEmpty() && !tip.isEmpty() && !texts.isEmpty() && texts.back().endsWith(" | " + tip))
            texts.back() += " +";
        else if (!text.isEmpty() || !tip.isEmpty())
            texts << entry(text, tip);
    }
    for (int i = 0; i < devices()->count(); ++i)
        texts << entry(devices()->itemText(i), devices()->itemData(i, Qt::ToolTipRole).toString());
    EXPECT_EQ(
        texts.join("; "),
        "Waveform; Bar marker color | Color of the bar (downbeat) lines over the waveform +; "
        "Loop marker color | Color of the loop region edges over the waveform +; "
        "Detail | Waveform peak buckets — each step halves the per-redraw DSP cost +; Full; ½; ¼; "
        "Snap clicks to bars | Clicks audition from the nearest barline; hold Alt to place exactly +; "
        "Start with Loop enabled | Automatically enable looping after bar detection +; Slice Preview; "
        "Gap between slices | Silence between preview slices +; 100 ms; Slice Export; "
        "Export folder | Destination folder for exported slice WAVs +; "
        "Not set — asked on first export; Reveal; Choose; "
        "Slice fade in/out | Fade in/out on each exported slice (de-clicks edges) +; 1 ms; "
        "Bit depth | WAV bit depth for exported slices + transients (24-bit default) +; "
        "16-bit; 24-bit; 32-bit float; Sample rate | WAV sample rate for exported slices + transients "
        "(resampled when different from the file) +; 44.1 kHz; 48 kHz; 96 kHz; Transients; "
        "Detection sensitivity | How picky transient detection is — lower exports fewer one-shots +; 50%; "
        "Audio output; Output device | Where playback and previews sound — a change applies at once, "
        "even while playing +; Not connected — playing through the system default.; Reset to Defaults; "
        "System default; ALSA: pulse | 32 output channels; "
        "ALSA: default (default) | 32 output channels; PulseAudio: First (default) | 2 output channels; "
        "PulseAudio: Second | 2 output channels; usb-interface (not connected)");
}

// Each control writes at once; Reset moves every one back, on screen and on disk, but keeps the folder.
TEST_F(SettingsWindowTest, EveryControlStoresItsValueAtOnceAndResetMovesEachBackButKeepsTheFolder) {
    settings.setExportFolder(makeFolder("stays"));
    window.show();
    const auto shown = [this] { // every control's state as the window shows it
        QStringList state{devices()->currentText()};
        for (const auto* button : window.findChildren<QAbstractButton*>())
            state << button->text() + (button->isChecked() ? " on" : "");
        for (const auto* label : window.findChildren<QLabel*>())
            state << label->text();
        for (const auto* slider : window.findChildren<QSlider*>())
            state << QString::number(slider->value());
        return state;
    };
    const QStringList untouched = shown();
    const UserDefaults before = stored();
    window.setColorChooser(
        [](const QColor&, QWidget*) { return std::optional<QColor>(QColor(0, 128, 255, 200)); });
    control<QPushButton>("barMarkerColor")->click();
    window.setColorChooser([](const QColor&, QWidget*) { return std::optional<QColor>(QColor(Qt::black)); });
    control<QPushButton>("loopMarkerColor")->click();
    segment("waveformResolution", "¼")->click();
    control<QCheckBox>("snapToBar")->click();
    control<QCheckBox>("startWithLoopEnabled")->click();
    control<QSlider>("previewGapMs")->setValue(7);
    control<QSlider>("sliceFadeMs")->setValue(12);
    segment("exportBitDepth", "32-bit float")->click();
    segment("exportSampleRate", "96 kHz")->click();
    control<QSlider>("transientSensitivity")->setValue(73);
    devices()->activated(4);
    QStringList written;
    for (const char* key :
         {Keys::barMarkerColor, Keys::loopMarkerColor, Keys::waveformResolution, Keys::snapToBar,
          Keys::startWithLoopEnabled, Keys::previewGapMs, Keys::sliceFadeMs, Keys::exportBitDepth,
          Keys::exportSampleRate, Keys::transientSensitivity, Keys::outputDevice})
        written << stored().object(key).toString();
    EXPECT_EQ(written.join(" "), "0080FFC8 000000FF 512 false true 35 12 32 96000 73 PulseAudio/second");
    EXPECT_EQ(valueText("previewGapMs"), QStringLiteral("35 ms"));
    EXPECT_EQ(valueText("transientSensitivity"), QStringLiteral("73%"));
    // The gap slider stops at 200; a larger stored gap shows its value with the slider at the end.
    auto* gap = control<QSlider>("previewGapMs");
    gap->setValue(gap->maximum());
    EXPECT_EQ(settings.previewGapMs(), 200);
    settings.setPreviewGapMs(350);
    EXPECT_EQ(valueText("previewGapMs"), QStringLiteral("350 ms"));
    EXPECT_EQ(gap->value(), gap->maximum());
    EXPECT_EQ(SettingsWindow::sliderValueText(2.9, " ms"), QStringLiteral("2 ms")); // truncated, not rounded
    window.hide();
    window.show();
    EXPECT_EQ(listings, 2); // the devices are asked for each time the window shows

    control<QPushButton>("resetToDefaults")->click();
    EXPECT_EQ(shown(), untouched);
    EXPECT_EQ(settings.barMarkerColor(), AppSettings::defaultBarMarkerColor());
    EXPECT_EQ(stored().string(Keys::loopMarkerColor), QStringLiteral("FFFFFFFF"));
    for (const char* key :
         {Keys::waveformResolution, Keys::previewGapMs, Keys::sliceFadeMs, Keys::exportBitDepth,
          Keys::exportSampleRate, Keys::transientSensitivity, Keys::exportFolderBookmark})
        EXPECT_EQ(stored().object(key), before.object(key)) << key;
}

TEST_F(SettingsWindowTest, ChooseStoresTheFolderRevealOpensItCancelKeepsItAndAVanishedOneShowsNotSet) {
    EXPECT_FALSE(control("revealExportFolder")->isEnabled());
    const QString folder = makeFolder("My Slices");
    window.setFolderChooser([&](QWidget*) { return std::optional<QString>(folder); });
    control<QPushButton>("chooseExportFolder")->click();
    EXPECT_EQ(stored().data(Keys::exportFolderBookmark), folder.toUtf8());
    EXPECT_EQ(folderText(), QStringLiteral("My Slices"));
    QUrl opened;
    window.setUrlOpener([&](const QUrl& url) { opened = url; });
    control<QPushButton>("revealExportFolder")->click();
    EXPECT_EQ(opened, QUrl::fromLocalFile(folder));

    window.setFolderChooser([](QWidget*) { return std::optional<QString>(); });
    control<QPushButton>("chooseExportFolder")->click();
    EXPECT_EQ(settings.resolvedExportFolder(), folder);

    std::filesystem::remove(dir / "My Slices");
    window.hide();
    window.show();
    EXPECT_EQ(folderText(), QStringLiteral("Not set — asked on first export"));
    EXPECT_FALSE(control("revealExportFolder")->isEnabled());
    EXPECT_FALSE(stored().contains(Keys::exportFolderBookmark));
}

} // namespace
