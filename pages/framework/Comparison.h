#pragma once

// What a configuration file would change on a device: the file loaded into the page's own
// controls (every conversion and range rule of the page holds), compared setting by setting
// with what the device holds, the form left as it was. The window's "Porovnat se
// zařízením…" and `ovrin-cli diff` show the same table.
//
//   const auto device = settingsOf(page);                 // after a read of the device
//   for (const SettingChange &d : fileDifferences(page, device, "setup.ini"))
//       d.before  // the device's setting;  d.after  // the file's

#include "pages/framework/SettingsView.h"

#include <QJsonArray>
#include <QStringList>

// Throws TextError when the file holds no section of the page.
std::vector<SettingChange> fileDifferences(TComponentForm &page, const std::vector<Setting> &device,
                                           const QString &file);

// "Skupina", "Nastavení", "Soubor", "Zařízení", "Jednotka".
QStringList differenceHeader();
// One row of the table: group, caption, file value, device value, unit (values with their
// units when the two units differ).
QStringList differenceRow(const SettingChange &d);
// The table as text for a terminal, columns aligned.
QString differenceText(const std::vector<SettingChange> &differences);
// {"key", "group", "caption", "file", "device", "unit"} per difference.
QJsonArray differenceJson(const std::vector<SettingChange> &differences);
