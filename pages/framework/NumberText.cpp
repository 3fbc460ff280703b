#include "pages/framework/NumberText.h"

#include <algorithm>
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

namespace {

// Sign, whole digits and fraction digits of a decimal text; false on bad syntax.
bool splitDecimal(const QString &text, bool &negative, QString &whole, QString &fraction)
{
    const QString t = text.trimmed();
    int i = 0;
    negative = false;
    if (i < t.size() && t[i] == QLatin1Char('-')) {
        negative = true;
        ++i;
    }
    bool comma = false;
    whole.clear();
    fraction.clear();
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 128)
            (comma ? fraction : whole) += c;
        else if (c == QLatin1Char(',') && !comma)
            comma = true;
        else
            return false;
    }
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    return !(whole.isEmpty() && fraction.isEmpty()) && whole.size() + fraction.size() <= 15;
}

} // namespace

bool parseScaled(const QString &text, int places, bool nearest, qint64 &scaled)
{
    bool negative = false;
    QString whole, fraction;
    if (!splitDecimal(text, negative, whole, fraction) || places < 0 || places > 9)
        return false;
    qint64 v = whole.isEmpty() ? 0 : whole.toLongLong();
    for (int k = 0; k < places; ++k)
        v = v * 10 + (k < fraction.size() ? fraction[k].digitValue() : 0);
    if (nearest && fraction.size() > places && fraction[places].digitValue() >= 5)
        ++v;
    scaled = negative ? -v : v;
    return true;
}

int compareScaled(const QString &text, qint64 bound, int places)
{
    bool negative = false;
    QString whole, fraction;
    if (!splitDecimal(text, negative, whole, fraction))
        return 0;
    // Both sides at the finer of the two scales.
    const int p = std::max(places, int(fraction.size()));
    qint64 v = whole.isEmpty() ? 0 : whole.toLongLong();
    for (int k = 0; k < p; ++k)
        v = v * 10 + (k < fraction.size() ? fraction[k].digitValue() : 0);
    if (negative)
        v = -v;
    qint64 b = bound;
    for (int k = places; k < p; ++k)
        b *= 10;
    return v < b ? -1 : (v > b ? 1 : 0);
}

QString formatScaled(qint64 scaled, int places)
{
    if (places <= 0)
        return QString::number(scaled);
    qint64 unit = 1;
    for (int k = 0; k < places; ++k)
        unit *= 10;
    const qint64 a = scaled < 0 ? -scaled : scaled;
    QString text = QString::number(a / unit) + QLatin1Char(',') +
                   QStringLiteral("%1").arg(a % unit, places, 10, QLatin1Char('0'));
    return scaled < 0 ? QLatin1Char('-') + text : text;
}
