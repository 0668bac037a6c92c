#include "settings/SettingsWindow.h"

#include "settings/AppSettings.h"
#include "settings/SettingsIcons.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace barquill {

namespace {

constexpr int valueBoxWidth = 52;

const QString notSetText = QStringLiteral("Not set — asked on first export");
const QString systemDefaultText = QStringLiteral("System default");

// Label and control share the hover help text.
QLabel* addRow(QFormLayout* form, const QString& label, QWidget* field, const QString& tooltip) {
    auto* title = new QLabel(label);
    title->setToolTip(tooltip);
    field->setToolTip(tooltip);
    form->addRow(title, field);
    return title;
}

void useSecondaryColor(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
}

QIcon swatch(const QColor& color) {
    QPixmap pixmap(36, 16);
    QPainter p(&pixmap);
    // A checkerboard under the colour shows its opacity.
    for (int y = 0; y < 16; y += 4)
        for (int x = 0; x < 36; x += 4)
            p.fillRect(x, y, 4, 4, ((x + y) / 4) % 2 ? QColor(200, 200, 200) : QColor(255, 255, 255));
    p.fillRect(pixmap.rect(), color);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    p.end();
    return QIcon(pixmap);
}

} // namespace

SettingsWindow::SettingsWindow(AppSettings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
    chooseColor_ = [](const QColor& current, QWidget* parent) -> std::optional<QColor> {
        const QColor chosen =
            QColorDialog::getColor(current, parent, QString(), QColorDialog::ShowAlphaChannel);
        if (!chosen.isValid()) return std::nullopt;
        return chosen;
    };
    openUrl_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    auto* layout = new QVBoxLayout(this);
    QList<QLabel*> rowLabels;
    const auto section = [&](const QString& title, const QString& symbol) {
        layout->addWidget(makeSectionHeader(title, symbol));
        auto* form = new QFormLayout;
        form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        layout->addLayout(form);
        layout->addSpacing(8);
        return form;
    };
    const auto hbox = [](QWidget* first, QWidget* second) {
        auto* row = new QWidget;
        auto* box = new QHBoxLayout(row);
        box->setContentsMargins(0, 0, 0, 0);
        box->addWidget(first, 1);
        box->addWidget(second);
        return row;
    };

    // Waveform
    QFormLayout* form = section(QStringLiteral("Waveform"), QStringLiteral("waveform"));
    barColorWell_ = makeColorWell(
        QStringLiteral("barMarkerColor"), [this] { return settings_.barMarkerColor(); },
        [this](const QColor& color) { settings_.setBarMarkerColor(color); });
    rowLabels << addRow(form, QStringLiteral("Bar marker color"), barColorWell_,
                        QStringLiteral("Color of the bar (downbeat) lines over the waveform"));
    loopColorWell_ = makeColorWell(
        QStringLiteral("loopMarkerColor"), [this] { return settings_.loopMarkerColor(); },
        [this](const QColor& color) { settings_.setLoopMarkerColor(color); });
    rowLabels << addRow(form, QStringLiteral("Loop marker color"), loopColorWell_,
                        QStringLiteral("Color of the loop region edges over the waveform"));
    auto* detail = new QWidget;
    resolutionPicker_ =
        makePicker(detail, QStringLiteral("waveformResolution"),
                   {{QStringLiteral("Full"), 2048}, {QStringLiteral("½"), 1024}, {QStringLiteral("¼"), 512}},
                   [this](double v) { settings_.setWaveformResolution(qint64(v)); });
    rowLabels << addRow(form, QStringLiteral("Detail"), detail,
                        QStringLiteral("Waveform peak buckets — each step halves the per-redraw DSP cost"));
    auto* snap = new QCheckBox;
    snap->setObjectName(QStringLiteral("snapToBar"));
    connect(snap, &QCheckBox::toggled, this, [this](bool on) { settings_.setSnapToBar(on); });
    snapSwitch_ = snap;
    rowLabels << addRow(
        form, QStringLiteral("Snap clicks to bars"), snap,
        QStringLiteral("Clicks audition from the nearest barline; hold Alt to place exactly"));
    auto* startLoop = new QCheckBox;
    startLoop->setObjectName(QStringLiteral("startWithLoopEnabled"));
    connect(startLoop, &QCheckBox::toggled, this, [this](bool on) { settings_.setStartWithLoopEnabled(on); });
    loopSwitch_ = startLoop;
    rowLabels << addRow(form, QStringLiteral("Start with Loop enabled"), startLoop,
                        QStringLiteral("Automatically enable looping after bar detection"));

    // Slice Preview
    form = section(QStringLiteral("Slice Preview"), QStringLiteral("scissors"));
    gapSlider_ = makeSlider(QStringLiteral("previewGapMs"), 0, 200, 5, QStringLiteral(" ms"),
                            [this](double v) { settings_.setPreviewGapMs(v); });
    rowLabels << addRow(form, QStringLiteral("Gap between slices"),
                        hbox(gapSlider_.slider, gapSlider_.valueLabel),
                        QStringLiteral("Silence between preview slices"));

    // Slice Export
    form = section(QStringLiteral("Slice Export"), QStringLiteral("square.and.arrow.down"));
    folderLabel_ = new QLabel;
    folderLabel_->setObjectName(QStringLiteral("exportFolderName"));
    folderLabel_->setWordWrap(false);
    folderLabel_->setTextFormat(Qt::PlainText);
    revealButton_ = new QPushButton(QStringLiteral("Reveal"));
    revealButton_->setObjectName(QStringLiteral("revealExportFolder"));
    connect(revealButton_, &QPushButton::clicked, this, [this] {
        if (auto folder = settings_.resolvedExportFolder()) openUrl_(QUrl::fromLocalFile(*folder));
    });
    auto* choose = new QPushButton(QStringLiteral("Choose"));
    choose->setObjectName(QStringLiteral("chooseExportFolder"));
    connect(choose, &QPushButton::clicked, this, [this] {
        if (auto folder = chooseFolder_(this)) settings_.setExportFolder(*folder);
    });
    auto* folderRow = new QWidget;
    auto* folderBox = new QHBoxLayout(folderRow);
    folderBox->setContentsMargins(0, 0, 0, 0);
    folderBox->addWidget(folderLabel_, 1);
    folderBox->addWidget(revealButton_);
    folderBox->addWidget(choose);
    rowLabels << addRow(form, QStringLiteral("Export folder"), folderRow,
                        QStringLiteral("Destination folder for exported slice WAVs"));
    fadeSlider_ = makeSlider(QStringLiteral("sliceFadeMs"), 0, 50, 1, QStringLiteral(" ms"),
                             [this](double v) { settings_.setSliceFadeMs(v); });
    rowLabels << addRow(form, QStringLiteral("Slice fade in/out"),
                        hbox(fadeSlider_.slider, fadeSlider_.valueLabel),
                        QStringLiteral("Fade in/out on each exported slice (de-clicks edges)"));
    auto* bits = new QWidget;
    bitDepthPicker_ = makePicker(bits, QStringLiteral("exportBitDepth"),
                                 {{QStringLiteral("16-bit"), 16},
                                  {QStringLiteral("24-bit"), 24},
                                  {QStringLiteral("32-bit float"), 32}},
                                 [this](double v) { settings_.setExportBitDepth(qint64(v)); });
    rowLabels << addRow(form, QStringLiteral("Bit depth"), bits,
                        QStringLiteral("WAV bit depth for exported slices + transients (24-bit default)"));
    auto* rates = new QWidget;
    sampleRatePicker_ = makePicker(rates, QStringLiteral("exportSampleRate"),
                                   {{QStringLiteral("44.1 kHz"), 44100},
                                    {QStringLiteral("48 kHz"), 48000},
                                    {QStringLiteral("96 kHz"), 96000}},
                                   [this](double v) { settings_.setExportSampleRate(v); });
    rowLabels << addRow(
        form, QStringLiteral("Sample rate"), rates,
        QStringLiteral(
            "WAV sample rate for exported slices + transients (resampled when different from the file)"));

    // Transients
    form = section(QStringLiteral("Transients"), QStringLiteral("bolt"));
    sensitivitySlider_ = makeSlider(QStringLiteral("transientSensitivity"), 0, 100, 1, QStringLiteral("%"),
                                    [this](double v) { settings_.setTransientSensitivity(v); });
    rowLabels << addRow(form, QStringLiteral("Detection sensitivity"),
                        hbox(sensitivitySlider_.slider, sensitivitySlider_.valueLabel),
                        QStringLiteral("How picky transient detection is — lower exports fewer one-shots"));

    // Audio output
    form = section(QStringLiteral("Audio output"), QStringLiteral("speaker.wave.2"));
    devicePopup_ = new QComboBox;
    devicePopup_->setObjectName(QStringLiteral("outputDevice"));
    devicePopup_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    devicePopup_->setMinimumContentsLength(28);
    connect(devicePopup_, &QComboBox::activated, this,
            [this](int index) { settings_.setOutputDevice(devicePopup_->itemData(index).toString()); });
    rowLabels << addRow(
        form, QStringLiteral("Output device"), devicePopup_,
        QStringLiteral("Where playback and previews sound — a change applies at once, even while playing"));
    deviceNote_ = new QLabel;
    deviceNote_->setObjectName(QStringLiteral("outputDeviceNote"));
    deviceNote_->setWordWrap(true);
    useSecondaryColor(deviceNote_);
    form->addRow(QString(), deviceNote_);

    auto* reset = new QPushButton(QStringLiteral("Reset to Defaults"));
    reset->setObjectName(QStringLiteral("resetToDefaults"));
    connect(reset, &QPushButton::clicked, this, [this] { settings_.resetToDefaults(); });
    auto* resetRow = new QHBoxLayout;
    resetRow->addStretch(1);
    resetRow->addWidget(reset);
    layout->addLayout(resetRow);
    layout->addStretch(1);

    connect(&settings_, &AppSettings::barMarkerColorChanged, this,
            [this] { refreshColorWell(barColorWell_, settings_.barMarkerColor()); });
    connect(&settings_, &AppSettings::loopMarkerColorChanged, this,
            [this] { refreshColorWell(loopColorWell_, settings_.loopMarkerColor()); });
    connect(&settings_, &AppSettings::waveformResolutionChanged, this,
            [this] { refreshPicker(resolutionPicker_, double(settings_.waveformResolution())); });
    connect(&settings_, &AppSettings::snapToBarChanged, this, [this] {
        const QSignalBlocker block(snapSwitch_);
        snapSwitch_->setChecked(settings_.snapToBar());
    });
    connect(&settings_, &AppSettings::startWithLoopEnabledChanged, this, [this] {
        const QSignalBlocker block(loopSwitch_);
        loopSwitch_->setChecked(settings_.startWithLoopEnabled());
    });
    connect(&settings_, &AppSettings::previewGapMsChanged, this,
            [this] { refreshSlider(gapSlider_, settings_.previewGapMs()); });
    connect(&settings_, &AppSettings::sliceFadeMsChanged, this,
            [this] { refreshSlider(fadeSlider_, settings_.sliceFadeMs()); });
    connect(&settings_, &AppSettings::exportBitDepthChanged, this,
            [this] { refreshPicker(bitDepthPicker_, double(settings_.exportBitDepth())); });
    connect(&settings_, &AppSettings::exportSampleRateChanged, this,
            [this] { refreshPicker(sampleRatePicker_, settings_.exportSampleRate()); });
    connect(&settings_, &AppSettings::transientSensitivityChanged, this,
            [this] { refreshSlider(sensitivitySlider_, settings_.transientSensitivity()); });
    connect(&settings_, &AppSettings::exportFolderBookmarkChanged, this, [this] { refreshExportFolder(); });
    connect(&settings_, &AppSettings::outputDeviceChanged, this, [this] { refreshDevicePopup(); });

    // One label column across all sections.
    int labelWidth = 0;
    for (QLabel* label : rowLabels)
        labelWidth = std::max(labelWidth, label->sizeHint().width());
    for (QLabel* label : rowLabels)
        label->setMinimumWidth(labelWidth);

    refreshAll();
}

QString SettingsWindow::sliderValueText(double value, const QString& unit) {
    const double whole = std::isfinite(value) ? std::trunc(value) : 0.0;
    return QString::number(static_cast<qint64>(whole)) + unit;
}

void SettingsWindow::setDeviceLister(DeviceLister lister) {
    listDevices_ = std::move(lister);
    if (isVisible()) listDevices();
}

void SettingsWindow::listDevices() {
    if (!listDevices_) return;
    QPointer<SettingsWindow> self(this);
    listDevices_([self](std::vector<OutputDevice> devices) {
        if (!self) return;
        self->devices_ = std::move(devices);
        self->refreshDevicePopup();
    });
}

void SettingsWindow::refreshDevicePopup() {
    const QString chosen = settings_.outputDevice();
    const QSignalBlocker block(devicePopup_);
    devicePopup_->clear();
    devicePopup_->addItem(systemDefaultText, QString());
    for (const OutputDevice& device : devices_) {
        QString text = QString::fromStdString(device.label());
        if (device.isDefault) text += QStringLiteral(" (default)");
        devicePopup_->addItem(text, QString::fromStdString(device.id));
        devicePopup_->setItemData(devicePopup_->count() - 1,
                                  QStringLiteral("%1 output channels").arg(device.maxOutputChannels),
                                  Qt::ToolTipRole);
    }
    int index = devicePopup_->findData(chosen);
    const bool missing = index < 0;
    if (missing) {
        // Kept chosen: an interface unplugged now may be back next time.
        const QString name = chosen.section(QLatin1Char('/'), 1);
        devicePopup_->addItem(QStringLiteral("%1 (not connected)").arg(name.isEmpty() ? chosen : name),
                              chosen);
        index = devicePopup_->count() - 1;
    }
    devicePopup_->setCurrentIndex(index);
    deviceNote_->setText(missing ? QStringLiteral("Not connected — playing through the system default.")
                                 : QString());
    deviceNote_->setVisible(missing);
}

void SettingsWindow::showEvent(QShowEvent* event) {
    // The folder may have gone away while the window was hidden; devices come and go too.
    refreshExportFolder();
    listDevices();
    QWidget::showEvent(event);
}

QWidget* SettingsWindow::makeSectionHeader(const QString& title, const QString& symbolName) {
    auto* header = new QWidget;
    auto* box = new QHBoxLayout(header);
    box->setContentsMargins(0, 4, 0, 2);
    auto* icon = new QLabel;
    icon->setPixmap(settingsSectionIcon(symbolName).pixmap(16, 16));
    auto* text = new QLabel(title);
    QFont bold = text->font();
    bold.setBold(true);
    text->setFont(bold);
    box->addWidget(icon);
    box->addWidget(text, 1);
    return header;
}

QPushButton* SettingsWindow::makeColorWell(const QString& name, const std::function<QColor()>& read,
                                           const std::function<void(const QColor&)>& write) {
    auto* well = new QPushButton;
    well->setObjectName(name);
    well->setIconSize(QSize(36, 16));
    well->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(well, &QPushButton::clicked, this, [this, read, write] {
        if (auto chosen = chooseColor_(read(), this)) write(*chosen);
    });
    return well;
}

QButtonGroup* SettingsWindow::makePicker(QWidget* row, const QString& name,
                                         const QList<std::pair<QString, double>>& choices,
                                         const std::function<void(double)>& write) {
    row->setObjectName(name);
    auto* box = new QHBoxLayout(row);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    auto* group = new QButtonGroup(row);
    for (int i = 0; i < choices.size(); ++i) {
        auto* button = new QPushButton(choices[i].first);
        button->setCheckable(true);
        button->setProperty("choiceValue", choices[i].second);
        group->addButton(button, i);
        box->addWidget(button);
    }
    box->addStretch(1);
    connect(group, &QButtonGroup::idClicked, this,
            [group, write](int id) { write(group->button(id)->property("choiceValue").toDouble()); });
    return group;
}

SettingsWindow::SliderRow SettingsWindow::makeSlider(const QString& name, double minimum, double maximum,
                                                     double step, const QString& unit,
                                                     const std::function<void(double)>& write) {
    SliderRow row;
    row.minimum = minimum;
    row.step = step;
    row.unit = unit;
    // The slider counts steps, so every position it can produce is a multiple of the step.
    row.slider = new QSlider(Qt::Horizontal);
    row.slider->setObjectName(name);
    row.slider->setRange(0, int(std::lround((maximum - minimum) / step)));
    row.slider->setSingleStep(1);
    row.slider->setPageStep(1);
    row.valueLabel = new QLabel;
    row.valueLabel->setObjectName(name + QStringLiteral("Value"));
    row.valueLabel->setFixedWidth(valueBoxWidth);
    row.valueLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row.valueLabel->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    useSecondaryColor(row.valueLabel);
    connect(row.slider, &QSlider::valueChanged, this,
            [minimum, step, write](int position) { write(minimum + position * step); });
    return row;
}

void SettingsWindow::refreshColorWell(QPushButton* well, const QColor& color) {
    well->setIcon(swatch(color));
    well->setAccessibleDescription(AppSettings::encodeColorHex(color));
}

void SettingsWindow::refreshPicker(QButtonGroup* group, double value) {
    // A value outside the choices leaves no segment selected.
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(button->property("choiceValue").toDouble() == value);
    group->setExclusive(true);
}

void SettingsWindow::refreshSlider(const SliderRow& row, double value) {
    // A stored value beyond the slider's range (accepted at load) puts the slider at its end while the
    // text shows the real value.
    const double steps = std::isfinite(value) ? std::round((value - row.minimum) / row.step) : 0.0;
    const double clamped = std::clamp(steps, double(row.slider->minimum()), double(row.slider->maximum()));
    {
        const QSignalBlocker block(row.slider);
        row.slider->setValue(int(clamped));
    }
    row.valueLabel->setText(sliderValueText(value, row.unit));
}

void SettingsWindow::refreshExportFolder() {
    // Resolving may drop a dead bookmark, which signals a change and calls back here.
    if (refreshingFolder_) return;
    refreshingFolder_ = true;
    const auto folder = settings_.resolvedExportFolder();
    refreshingFolder_ = false;
    if (folder) {
        folderLabel_->setText(QFileInfo(*folder).fileName().isEmpty() ? *folder
                                                                      : QFileInfo(*folder).fileName());
        folderLabel_->setPalette(QPalette());
    } else {
        folderLabel_->setText(notSetText);
        useSecondaryColor(folderLabel_);
    }
    revealButton_->setEnabled(folder.has_value());
}

void SettingsWindow::refreshAll() {
    refreshColorWell(barColorWell_, settings_.barMarkerColor());
    refreshColorWell(loopColorWell_, settings_.loopMarkerColor());
    refreshPicker(resolutionPicker_, double(settings_.waveformResolution()));
    {
        const QSignalBlocker block(snapSwitch_);
        snapSwitch_->setChecked(settings_.snapToBar());
    }
    {
        const QSignalBlocker block(loopSwitch_);
        loopSwitch_->setChecked(settings_.startWithLoopEnabled());
    }
    refreshSlider(gapSlider_, settings_.previewGapMs());
    refreshExportFolder();
    refreshSlider(fadeSlider_, settings_.sliceFadeMs());
    refreshPicker(bitDepthPicker_, double(settings_.exportBitDepth()));
    refreshPicker(sampleRatePicker_, settings_.exportSampleRate());
    refreshSlider(sensitivitySlider_, settings_.transientSensitivity());
    refreshDevicePopup();
}

} // namespace barquill
