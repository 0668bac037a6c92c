#include "settings/SettingsWindow.h"

#include "settings/AppSettings.h"

#include "SettingsFixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

using namespace barquill;
using Keys = AppSettings::Keys;

namespace {

class SettingsWindowTest : public SettingsFixture {
protected:
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

    AppSettings settings{defaults};
    SettingsWindow window{settings};
};

} // namespace

TEST_F(SettingsWindowTest, ShowsTheSectionsAndLabelsInOrder) {
    QStringList texts;
    for (QLabel* label : window.findChildren<QLabel*>())
        if (!label->text().isEmpty() && label->objectName().isEmpty()) texts << label->text();
    EXPECT_EQ(texts, (QStringList{"Waveform", "Bar marker color", "Loop marker color", "Detail",
                                  "Snap clicks to bars", "Start with Loop enabled", "Slice Preview",
                                  "Gap between slices", "Slice Export", "Export folder", "Slice fade in/out",
                                  "Bit depth", "Sample rate", "Transients", "Detection sensitivity",
                                  "Audio output", "Output device"}));
    EXPECT_EQ(control("previewGapMs")->parentWidget()->toolTip(),
              QStringLiteral("Silence between preview slices"));
    EXPECT_EQ(control("waveformResolution")->toolTip(),
              QStringLiteral("Waveform peak buckets — each step halves the per-redraw DSP cost"));
}

// Each control writes at once; Reset moves every one back, on screen and on disk, but keeps the folder.
TEST_F(SettingsWindowTest, EveryControlStoresItsValueAtOnceAndResetMovesEachBackButKeepsTheFolder) {
    settings.setExportFolder(makeFolder("stays"));
    window.setColorChooser(
        [](const QColor&, QWidget*) { return std::optional<QColor>(QColor(0, 128, 255, 200)); });
    control<QPushButton>("barMarkerColor")->click();
    EXPECT_EQ(stored().string(Keys::barMarkerColor), QStringLiteral("0080FFC8"));
    window.setColorChooser([](const QColor&, QWidget*) { return std::optional<QColor>(QColor(Qt::black)); });
    control<QPushButton>("loopMarkerColor")->click();
    EXPECT_EQ(stored().string(Keys::loopMarkerColor), QStringLiteral("000000FF"));
    segment("waveformResolution", "¼")->click();
    EXPECT_EQ(stored().integer(Keys::waveformResolution), 512);
    control<QCheckBox>("snapToBar")->click();
    EXPECT_EQ(stored().boolean(Keys::snapToBar), false);
    control<QCheckBox>("startWithLoopEnabled")->click();
    EXPECT_EQ(stored().boolean(Keys::startWithLoopEnabled), true);
    control<QSlider>("previewGapMs")->setValue(7);
    EXPECT_EQ(stored().number(Keys::previewGapMs), 35);
    EXPECT_EQ(valueText("previewGapMs"), QStringLiteral("35 ms"));
    control<QSlider>("sliceFadeMs")->setValue(12);
    EXPECT_EQ(stored().number(Keys::sliceFadeMs), 12);
    EXPECT_EQ(valueText("sliceFadeMs"), QStringLiteral("12 ms"));
    segment("exportBitDepth", "32-bit float")->click();
    EXPECT_EQ(stored().integer(Keys::exportBitDepth), 32);
    segment("exportSampleRate", "96 kHz")->click();
    EXPECT_EQ(stored().number(Keys::exportSampleRate), 96000);
    control<QSlider>("transientSensitivity")->setValue(73);
    EXPECT_EQ(stored().number(Keys::transientSensitivity), 73);
    EXPECT_EQ(valueText("transientSensitivity"), QStringLiteral("73%"));

    control<QPushButton>("resetToDefaults")->click();
    EXPECT_EQ(settings.barMarkerColor(), AppSettings::defaultBarMarkerColor());
    EXPECT_EQ(settings.loopMarkerColor(), QColor(Qt::white));
    EXPECT_TRUE(segment("waveformResolution", "½")->isChecked());
    EXPECT_FALSE(segment("waveformResolution", "¼")->isChecked());
    EXPECT_TRUE(control<QCheckBox>("snapToBar")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("startWithLoopEnabled")->isChecked());
    EXPECT_EQ(valueText("previewGapMs"), QStringLiteral("100 ms"));
    EXPECT_EQ(control<QSlider>("previewGapMs")->value(), 20);
    EXPECT_EQ(valueText("sliceFadeMs"), QStringLiteral("1 ms"));
    EXPECT_TRUE(segment("exportBitDepth", "24-bit")->isChecked());
    EXPECT_TRUE(segment("exportSampleRate", "44.1 kHz")->isChecked());
    EXPECT_EQ(valueText("transientSensitivity"), QStringLiteral("50%"));
    EXPECT_EQ(control<QSlider>("transientSensitivity")->value(), 50);
    EXPECT_EQ(folderText(), QStringLiteral("stays"));
    const UserDefaults disk = stored();
    EXPECT_EQ(disk.string(Keys::loopMarkerColor), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(disk.integer(Keys::waveformResolution), 1024);
    EXPECT_EQ(disk.number(Keys::previewGapMs), 100);
    EXPECT_EQ(disk.number(Keys::exportSampleRate), 44100);
    EXPECT_EQ(disk.data(Keys::exportFolderBookmark), inDir("stays").toUtf8());
}

// The slider gives multiples of five up to 200; a stored gap beyond it shows its value with the
// slider at the end. Value texts truncate toward zero.
TEST_F(SettingsWindowTest, TheGapSliderStepsByFiveUpTo200AndShowsALargerStoredGap) {
    auto* slider = control<QSlider>("previewGapMs");
    slider->setValue(slider->maximum());
    EXPECT_EQ(settings.previewGapMs(), 200);
    slider->setValue(slider->minimum());
    EXPECT_EQ(settings.previewGapMs(), 0);
    EXPECT_EQ(slider->maximum() - slider->minimum(), 40);
    EXPECT_EQ(SettingsWindow::sliderValueText(2.9, " ms"), QStringLiteral("2 ms"));
    EXPECT_EQ(SettingsWindow::sliderValueText(99.99, "%"), QStringLiteral("99%"));
    settings.setPreviewGapMs(350);
    EXPECT_EQ(slider->value(), slider->maximum());
    EXPECT_EQ(valueText("previewGapMs"), QStringLiteral("350 ms"));
}

TEST_F(SettingsWindowTest, ChooseStoresTheFolderRevealOpensItCancelKeepsItAndAVanishedOneShowsNotSet) {
    EXPECT_EQ(folderText(), QStringLiteral("Not set — asked on first export"));
    EXPECT_FALSE(control("revealExportFolder")->isEnabled());
    const QString folder = makeFolder("My Slices");
    window.setFolderChooser([&](QWidget*) { return std::optional<QString>(folder); });
    control<QPushButton>("chooseExportFolder")->click();
    EXPECT_EQ(stored().data(Keys::exportFolderBookmark), folder.toUtf8());
    EXPECT_EQ(folderText(), QStringLiteral("My Slices"));
    ASSERT_TRUE(control("revealExportFolder")->isEnabled());
    QUrl opened;
    window.setUrlOpener([&](const QUrl& url) { opened = url; });
    control<QPushButton>("revealExportFolder")->click();
    EXPECT_EQ(opened, QUrl::fromLocalFile(folder));

    window.setFolderChooser([](QWidget*) { return std::optional<QString>(); });
    control<QPushButton>("chooseExportFolder")->click();
    EXPECT_EQ(settings.resolvedExportFolder(), folder);
    EXPECT_EQ(folderText(), QStringLiteral("My Slices"));

    std::filesystem::remove(dir / "My Slices");
    window.hide();
    window.show();
    EXPECT_EQ(folderText(), QStringLiteral("Not set — asked on first export"));
    EXPECT_FALSE(control("revealExportFolder")->isEnabled());
    EXPECT_FALSE(stored().contains(Keys::exportFolderBookmark));
}
