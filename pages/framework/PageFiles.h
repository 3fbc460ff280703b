#pragma once

// The page's files: temp.ini (the saved controls kept across a read, with a copy in memory
// for a working directory that cannot be written), configuration files ("Načíst
// konfiguraci", "Uložit konfiguraci") and the window's position in windowPosition.ini.
// What goes into a file is the page's saved-control table; this holds the temp copy.

#include "pages/framework/Outcome.h"

#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

class QWidget;
class TComponentForm;

// Controls with their values: an edit's text, any other control's integer value.
using ControlValues = std::vector<std::pair<QWidget *, QVariant>>;

class PageFiles
{
public:
    explicit PageFiles(TComponentForm &page) : m_page(page) {}
    PageFiles(const PageFiles &) = delete;
    PageFiles &operator=(const PageFiles &) = delete;

    // The key of a saved control: its name, on newer pages "c<n>" + Name.
    QString keyOf(const QWidget *control) const;
    bool saveControls(const QString &file, const QString &section);
    void loadControls(const QString &file, const QString &section); // throws TextError
    void saveToTemp();
    void restoreFromTemp();
    void deleteTemp();

    // Controls a read can change that temp.ini does not hold.
    ControlValues snapshotUnsavedControls() const;
    // Every control a read can change (saved or not).
    ControlValues snapshotControls() const;
    static void restoreControlValues(const ControlValues &values);

    // The handlers of "Načíst konfiguraci" and "Uložit konfiguraci".
    Outcome loadConfigurationClick();
    Outcome loadConfigurationFile(const QString &file);
    Outcome saveConfigurationClick();

    void loadWindowPosition();
    void saveWindowPosition();

private:
    TComponentForm &m_page;
    // The saved controls as saveToTemp found them (for a temp.ini that cannot be read back).
    ControlValues m_tempCopy;
    bool m_tempCopyHints = true;
    bool m_hasTempCopy = false;
};
