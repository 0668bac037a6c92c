#pragma once

#include <QLabel>
#include <QScrollArea>
#include <QString>

namespace barquill {

// One key label drawn as a small rounded key cap. GUI thread, owned by its parent.
class KeyCap : public QLabel {
    Q_OBJECT
public:
    explicit KeyCap(const QString& key, QWidget* parent = nullptr);
    QString key() const { return text(); }
};

// The application's only documentation: the header with the version, the four key sections,
// the workflow and mouse guides and the closing tip. GUI thread; holds no state of its own.
class HelpView : public QScrollArea {
    Q_OBJECT
public:
    explicit HelpView(QWidget* parent = nullptr);

    // The short version string of the build.
    static QString shortVersion();
    static QString versionLine();
};

// The single help window ("about-help"), opened by "About Barquill" and "Barquill Help".
// GUI thread; the application creates it once and keeps it.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr auto identifier = "about-help";
    explicit HelpWindow(QWidget* parent = nullptr);
};

} // namespace barquill
