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
