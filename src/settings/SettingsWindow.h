#pragma once

#include "platform/audio/OutputDevice.h"
#include "settings/ExportFolderDialog.h"

#include <QColor>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace barquill {

class AppSettings;

// The content of the settings window: five sections of controls, each bound straight to a field of the
// shared AppSettings, so a change is stored at once (no apply step), followed by "Reset to Defaults".
//
// Lives on the interface thread. It borrows the settings (which must outlive it) and keeps no state of
// its own; every control follows the settings' change signals. The colour and folder choosers and the
// URL opener are replaceable so the window can be driven without modal dialogs.
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    using ColorChooser = std::function<std::optional<QColor>(const QColor& current, QWidget* parent)>;
    using UrlOpener = std::function<void(const QUrl&)>;
    // Asks for the output devices; the answer may come later, on the interface thread.
    using DeviceLister = std::function<void(std::function<void(std::vector<OutputDevice>)>)>;

    explicit SettingsWindow(AppSettings& settings, QWidget* parent = nullptr);

    void setFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }
    void setColorChooser(ColorChooser chooser) { chooseColor_ = std::move(chooser); }
    void setUrlOpener(UrlOpener opener) { openUrl_ = std::move(opener); }
    // Fills the "Audio output" popup now and each time the window is shown.
    void setDeviceLister(DeviceLister lister);

    // The value text of a slider row: the value truncated toward zero, then the unit.
    static QString sliderValueText(double value, const QString& unit);

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct SliderRow {
        QSlider* slider = nullptr;
        QLabel* valueLabel = nullptr;
        double minimum = 0;
        double step = 1;
        QString unit;
    };

    QWidget* makeSectionHeader(const QString& title, const QString& symbolName);
    QPushButton* makeColorWell(const QString& name, const std::function<QColor()>& read,
                               const std::function<void(const QColor&)>& write);
    QButtonGroup* makePicker(QWidget* row, const QString& name,
                             const QList<std::pair<QString, double>>& choices,
                             const std::function<void(double)>& write);
    SliderRow makeSlider(const QString& name, double minimum, double maximum, double step,
                         const QString& unit, const std::function<void(double)>& write);

    void refreshColorWell(QPushButton* well, const QColor& color);
    void refreshPicker(QButtonGroup* group, double value);
    void refreshSlider(const SliderRow& row, double value);
    void refreshExportFolder();
    void refreshAll();
    void listDevices();
    void refreshDevicePopup();

    AppSettings& settings_;
    FolderChooser chooseFolder_ = runExportFolderDialog;
    ColorChooser chooseColor_;
    UrlOpener openUrl_;
    DeviceLister listDevices_;
    std::vector<OutputDevice> devices_;

    QPushButton* barColorWell_ = nullptr;
    QPushButton* loopColorWell_ = nullptr;
    QButtonGroup* resolutionPicker_ = nullptr;
    QAbstractButton* snapSwitch_ = nullptr;
    QAbstractButton* loopSwitch_ = nullptr;
    SliderRow gapSlider_;
    QLabel* folderLabel_ = nullptr;
    QPushButton* revealButton_ = nullptr;
    SliderRow fadeSlider_;
    QButtonGroup* bitDepthPicker_ = nullptr;
    QButtonGroup* sampleRatePicker_ = nullptr;
    SliderRow sensitivitySlider_;
    QComboBox* devicePopup_ = nullptr;
    QLabel* deviceNote_ = nullptr;
    bool refreshingFolder_ = false;
};

} // namespace barquill
