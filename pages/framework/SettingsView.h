#pragma once

// Every saved setting of a page as a person reads it on the page: the group it sits in and
// its caption as shown, its value as shown (a list by its item's text, a check box as
// "ano"/"ne", a list of pictures only by the picture's number), the unit shown beside it
// right now (none while the page hides the unit), and the key it has in configuration files.
//
//   const std::vector<Setting> before = settingsOf(page);
//   ... load a file ...
//   for (const SettingChange &c : changedSettings(before, settingsOf(page)))
//       out << c.after.name() << ": " << c.before.shown() << " -> " << c.after.shown();
//   // "Nastavení režimu 2 › Symbol 3: symbol 0 -> symbol 12"
//
// The settings follow the page's saved-control table, in its order.

#include "pages/framework/ControlTable.h"

#include <QString>
#include <vector>

class QWidget;
class TComponentForm;

struct Setting {
    const QWidget *control = nullptr;
    ControlKind kind = ControlKind::None;
    QString key;     // in configuration files
    QString group;   // titles of the boxes around it, outermost first, joined by " › "
    QString caption; // as the page shows it
    QString value;   // as the page shows it
    QString unit;    // shown beside the value now; empty when none or hidden
    QString stored;  // as a configuration file holds it (position, index, 0/1, text)
    int picture = -1; // lists of pictures only: the number of the picture shown

    // "group › caption" (the caption alone outside any group).
    QString name() const;
    // The value with its unit ("12,5 °C").
    QString shown() const;
    // Whether a configuration file holds a number for it (every kind but the texts).
    bool numeric() const { return kind != ControlKind::Edit; }
};

std::vector<Setting> settingsOf(const TComponentForm &page);
// The page's customer text as the form shows it (empty on pages without one).
QString customerTextOf(const TComponentForm &page);

struct SettingChange {
    Setting before;
    Setting after;
};

// The settings whose stored or shown value differs; both views of one page.
std::vector<SettingChange> changedSettings(const std::vector<Setting> &before,
                                           const std::vector<Setting> &after);
