#include "pages/framework/Comparison.h"

#include "pages/framework/PageState.h"
#include "pages/framework/TComponentForm.h"

#include <QJsonObject>
#include <algorithm>

std::vector<SettingChange> fileDifferences(TComponentForm &page, const std::vector<Setting> &device,
                                           const QString &file)
{
    std::vector<Setting> fromFile;
    {
        PageState state(page);
        state.loadFile(file);
        fromFile = settingsOf(page);
    }
    return changedSettings(device, fromFile);
}

QStringList differenceHeader()
{
    return {QStringLiteral("Skupina"), QStringLiteral("Nastavení"), QStringLiteral("Soubor"),
            QStringLiteral("Zařízení"), QStringLiteral("Jednotka")};
}

QStringList differenceRow(const SettingChange &d)
{
    const Setting &device = d.before;
    const Setting &file = d.after;
    if (device.unit == file.unit)
        return {file.group, file.caption, file.value, device.value, file.unit};
    return {file.group, file.caption, file.shown(), device.shown(), QString()};
}

QString differenceText(const std::vector<SettingChange> &differences)
{
    std::vector<QStringList> rows{differenceHeader()};
    for (const SettingChange &d : differences)
        rows.push_back(differenceRow(d));
    std::vector<int> widths(rows.front().size(), 0);
    for (const QStringList &row : rows)
        for (int i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], static_cast<int>(row[i].size()));
    QStringList lines;
    for (const QStringList &row : rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        lines << line.trimmed();
    }
    return lines.join(QLatin1Char('\n'));
}

QJsonArray differenceJson(const std::vector<SettingChange> &differences)
{
    QJsonArray out;
    for (const SettingChange &d : differences) {
        const QStringList row = differenceRow(d);
        QJsonObject o;
        o.insert(QStringLiteral("key"), d.after.key);
        o.insert(QStringLiteral("group"), row[0]);
        o.insert(QStringLiteral("caption"), row[1]);
        o.insert(QStringLiteral("file"), row[2]);
        o.insert(QStringLiteral("device"), row[3]);
        o.insert(QStringLiteral("unit"), row[4]);
        out.append(o);
    }
    return out;
}
