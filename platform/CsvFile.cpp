#include "platform/CsvFile.h"

#include <QFile>
#include <QSaveFile>

namespace csv {

namespace {

const char kBom[] = "\xEF\xBB\xBF";

QString cell(const QString &text)
{
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray lines(const std::vector<QStringList> &rows)
{
    QByteArray out;
    for (const QStringList &row : rows)
        out += (line(row) + QLatin1Char('\n')).toUtf8();
    return out;
}

} // namespace

QString line(const QStringList &cells)
{
    QStringList out;
    for (const QString &c : cells)
        out << cell(c);
    return out.join(QLatin1Char(';'));
}

bool write(const QString &path, const QStringList &header, const std::vector<QStringList> &rows)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(kBom);
    f.write((line(header) + QLatin1Char('\n')).toUtf8());
    f.write(lines(rows));
    return f.commit();
}

bool append(const QString &path, const QStringList &header, const std::vector<QStringList> &rows)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    QByteArray out;
    if (f.size() == 0)
        out = kBom + (line(header) + QLatin1Char('\n')).toUtf8();
    out += lines(rows);
    return f.write(out) == out.size() && f.flush();
}

} // namespace csv
