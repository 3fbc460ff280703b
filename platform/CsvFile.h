#pragma once

// CSV files that a spreadsheet with Czech settings opens as they are: UTF-8 with a
// byte-order mark (without it the program takes windows-1250 and garbles the letters),
// cells separated by ';' (the decimal comma rules out ','), and a cell that holds ';', '"'
// or a line break in double quotes.
//
//   csv::append("batch.csv", {"datum a čas", "výsledek"}, {now, text});   // a log line
//   csv::write("trend.csv", {"čas", "hodnota"}, rows);                    // a whole file

#include <QString>
#include <QStringList>
#include <vector>

namespace csv {

// One line of cells, without the line end.
QString line(const QStringList &cells);
// The whole file: the header and the rows (written to a temporary file, then renamed).
bool write(const QString &path, const QStringList &header,
           const std::vector<QStringList> &rows);
// Rows added at the end of a log; a file that is new or empty gets the byte-order mark and
// the header first. False when the file could not be written.
bool append(const QString &path, const QStringList &header, const std::vector<QStringList> &rows);

} // namespace csv
