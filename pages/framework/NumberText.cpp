#include "pages/framework/NumberText.h"

#include <cmath>

QString formatFixed(double value, int decimals)
{
    if (decimals < 0)
        decimals = 0;
    QString text = QString::number(value, 'f', decimals);
    // A value that rounds to zero shows without a sign.
    if (text.startsWith(QLatin1Char('-'))) {
        bool allZero = true;
        for (QChar c : text.mid(1))
            if (c.isDigit() && c != QLatin1Char('0'))
                allZero = false;
        if (allZero)
            text.remove(0, 1);
    }
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

QString formatShortest(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    QString text = QString::number(value, 'g', 15);
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

bool parseDecimal(const QString &text, double &value, bool allowNegative)
{
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && t[i] == QLatin1Char('-')) {
        if (!allowNegative)
            return false;
        negative = true;
        ++i;
    }
    QString digits;
    bool comma = false;
    int digitCount = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 128) {
            digits += c;
            ++digitCount;
        } else if (c == QLatin1Char(',') && !comma) {
            comma = true;
            digits += QLatin1Char('.');
        } else {
            return false;
        }
    }
    if (digitCount == 0)
        return false;
    if (digits.startsWith(QLatin1Char('.')))
        digits.prepend(QLatin1Char('0'));
    bool ok = false;
    const double v = digits.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = negative ? -v : v;
    return true;
}

bool parseWhole(const QString &text, qint64 &value)
{
    const QString t = text.trimmed();
    int i = 0;
    if (i < t.size() && t[i] == QLatin1Char('-'))
        ++i;
    if (i == t.size() || t.size() - i > 15)
        return false;
    for (int k = i; k < t.size(); ++k)
        if (!(t[k].isDigit() && t[k].unicode() < 128))
            return false;
    bool ok = false;
    value = t.toLongLong(&ok);
    return ok;
}
