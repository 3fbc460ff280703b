#pragma once

#include <QByteArray>
#include <QString>

// windows-1250, the code page of the existing installations: the device customer text and
// the INI files. Characters without a windows-1250 code become '?'.
QByteArray toWindows1250(const QString &text);
QString fromWindows1250(const QByteArray &bytes);
