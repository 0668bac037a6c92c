#include "app/HelpView.h"

#include "platform/ui/SymbolIcon.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#ifndef BARQUILL_APP_VERSION
#error "BARQUILL_APP_VERSION comes from the build"
#endif

namespace barquill {
namespace {

struct KeyRow {
    const char* key;
    const char* description;
};

struct KeySection {
    const char* title;
    const char* symbol;
    std::vector<KeyRow> rows;
};

// Keys sharing a row are written with two spaces between them.
const std::vector<KeySection>& keySections() {
    static const std::vector<KeySection> sections = {
        {"Transport",
         "play.fill",
         {{"Space",
           "Play re-auditions from its start — the playhead stays where you stopped for preview/export"},
          {"S", "Stop — resets to 00:00.00"},
          {"⌫", "Go to start (restarts playback if playing)"},
          {"R", "Reverse everything: loop, track, previews, slice exports"},
          {"←  →",
           "Move loop 1 bar — unlooped: hop playhead to neighbour bar; left at bar 0 parks at 0:00:00"}}},
        {"Bars, Loop & Grid",
         "repeat",
         {{"L", "Loop on/off — N bars from the clicked bar (whole file when no bars detected)"},
          {"[  ]", "Nudge bar grid ±¼ bar (fixes step-1-on-the-clap), clamps at ±2 bars"},
          {"Bar menu", "Reset Grid Nudge — or click the +N×¼ chip in the toolbar"},
          {"A", "Analyze / re-analyze tempo, beats and bars (Bar menu)"}}},
        {"Slices & Export",
         "scissors",
         {{"P", "Slice Preview the playhead's bar (file untouched) — press again to stop"},
          {"E",
           "Export the playhead's bar as slice WAVs (whole file when no bars detected; reversed adds _rev)"},
          {"T",
           "Export non-kick transients as one-shots (always forward), with an .sfz and an .sf2 that play "
           "them as a drum kit from C1 (the first 92 when there are more)"},
          {"Shift+E",
           "Export Loop: the loop (or the bars L would loop) as one seamless WAV with tempo, loop and beat "
           "markers for DAWs and samplers (reversed adds _rev)"},
          {"Bar menu",
           "Export Slice Kit…: the bar (or the whole loop) as slice WAVs plus an .sfz, an .sf2 and a .mid "
           "pattern that plays them back as the loop (keys from C1; SoundFonts mix more than two channels "
           "to stereo)"},
          {"Drag", "Alt-drag inside the loop, or drag the file name in the status bar, to drop the loop "
                   "as a WAV into another app"}}},
        {"View & Zoom",
         "magnifyingglass",
         // Ctrl and Alt are this desktop's Command and Option keys.
         {{"Ctrl+=  Ctrl+−", "Zoom in / out (anchors on playhead when visible)"},
          {"Ctrl+0", "Zoom to fit"},
          {"Ctrl+←  Ctrl+→", "Pan view (bare ← → steps the loop instead)"}}},
    };
    return sections;
}

QLabel* textLabel(const QString& text, QWidget* parent, double scale = 1.0, bool bold = false,
                  bool secondary = false) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(bold);
    label->setFont(font);
    if (secondary) label->setStyleSheet(QStringLiteral("color: palette(mid);"));
    return label;
}

QFrame* box(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("helpBox"));
    frame->setStyleSheet(QStringLiteral("#helpBox { border: 1px solid palette(mid); border-radius: 8px; }"));
    return frame;
}

QWidget* sectionTitle(const QString& title, const QString& symbol, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    if (!symbol.isEmpty()) {
        auto* icon = new QLabel(row);
        icon->setPixmap(symbolIcon(symbol, row->palette().color(QPalette::WindowText)).pixmap(14, 14));
        layout->addWidget(icon);
    }
    layout->addWidget(textLabel(title, row, 1.0, true));
    layout->addStretch(1);
    return row;
}

QWidget* linesSection(const QString& title, const QStringList& lines, QWidget* parent) {
    QFrame* frame = box(parent);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(sectionTitle(title, QString(), frame));
    for (const QString& line : lines)
        layout->addWidget(textLabel(line, frame));
    return frame;
}

} // namespace

KeyCap::KeyCap(const QString& key, QWidget* parent) : QLabel(key, parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    setMinimumWidth(28);
    setStyleSheet(QStringLiteral(
        "QLabel { border: 1px solid palette(mid); border-bottom-width: 2px; border-radius: 5px;"
        " padding: 1px 6px; background: palette(base); font-family: monospace; }"));
}

QString HelpView::shortVersion() {
    return QStringLiteral(BARQUILL_APP_VERSION);
}

QString HelpView::versionLine() {
    return QStringLiteral("Version ") + shortVersion() +
           QStringLiteral(" · indie / sideload build · local DSP, no account, no network");
}

HelpView::HelpView(QWidget* parent) : QScrollArea(parent) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(20, 18, 20, 18);
    layout->setSpacing(12);

    layout->addWidget(textLabel(QStringLiteral("Barquill"), content, 1.8, true));
    layout->addWidget(
        textLabel(QStringLiteral("Drop audio in — find bars, loop, slice, reverse, export."), content));
    layout->addWidget(textLabel(versionLine(), content, 0.9, false, true));

    for (const KeySection& section : keySections()) {
        QFrame* frame = box(content);
        auto* grid = new QGridLayout(frame);
        grid->setHorizontalSpacing(10);
        grid->addWidget(
            sectionTitle(QString::fromUtf8(section.title), QString::fromUtf8(section.symbol), frame), 0, 0, 1,
            2);
        int row = 1;
        for (const KeyRow& keyRow : section.rows) {
            grid->addWidget(new KeyCap(QString::fromUtf8(keyRow.key), frame), row, 0,
                            Qt::AlignLeft | Qt::AlignTop);
            grid->addWidget(textLabel(QString::fromUtf8(keyRow.description), frame), row, 1);
            ++row;
        }
        grid->setColumnStretch(1, 1);
        layout->addWidget(frame);
    }

    layout->addWidget(
        linesSection(QStringLiteral("Workflow"),
                     {QStringLiteral("Drop an mp3 / m4a / wav / aif / flac / opus anywhere — bars detect "
                                     "automatically."),
                      QStringLiteral("Nudge the grid with [ ] if step 1 lands on the clap."),
                      QStringLiteral("Loop (L), step it with ← →, flip it with R."),
                      QStringLiteral("Preview slices (P), export them (E) or grab transients (T).")},
                     content));
    layout->addWidget(
        linesSection(QStringLiteral("Waveform mouse"),
                     {QStringLiteral("Click / drag to seek — snaps to the nearest barline."),
                      QStringLiteral("Hold Alt while clicking for sample-exact (no snap)."),
                      QStringLiteral("Wheel up/down zooms at the cursor; sideways swipe pans when zoomed."),
                      QStringLiteral("Right-drag pans grab-style; double-click fits.")},
                     content));
    layout->addWidget(
        textLabel(QStringLiteral("Tip: every toolbar button's tooltip names its key — hover to learn them."),
                  content, 0.9, false, true));
    layout->addStretch(1);
    setWidget(content);
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QString::fromLatin1(identifier));
    setWindowTitle(QStringLiteral("About Barquill"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new HelpView(this));
    resize(600, 660);
}

} // namespace barquill
