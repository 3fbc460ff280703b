#pragma once

// Decimal numbers as the user sees and types them: decimal comma, strict parsing.
//
//   formatFixed(12.5, 1)   -> "12,5"      formatFixed(-0.04, 1) -> "0,0" (no "-0,0")
//   formatShortest(0.5)    -> "0,5"       formatShortest(3)     -> "3"
//   parseDecimal("12,34")  -> 12.34       "", "-", "1,2,3", "1.5", "a" fail
//   parseWhole("007")      -> 7           "", "-", "1,0" fail

#include <QString>
#include <QtGlobal>

QString formatFixed(double value, int decimals);
QString formatShortest(double value);

// Accepts an optional leading "-" (when allowNegative), digits and at most one comma, with at
// least one digit; surrounding spaces are ignored.
bool parseDecimal(const QString &text, double &value, bool allowNegative = true);
// Accepts an optional leading "-" and digits only.
bool parseWhole(const QString &text, qint64 &value);

// The text as an integer count of 10^-places, in integer arithmetic (no binary fraction can
// turn "1,001" into 1000 thousandths). Digits beyond `places` are rounded: halves away from
// zero when nearest, else cut toward zero. Same syntax as parseDecimal; fails past 15 digits.
bool parseScaled(const QString &text, int places, bool nearest, qint64 &scaled);
// The exact comparison of a text with a bound given in 10^-places: -1, 0 or 1 (text must
// parse).
int compareScaled(const QString &text, qint64 bound, int places);
// A scaled integer shown with `places` decimals ("-999" at 3 places -> "-0,999").
QString formatScaled(qint64 scaled, int places);
