#pragma once

#include <QByteArray>
#include <QString>

// windows-1250, the code page of the existing installations: the device customer text and
// the INI files. Characters without a windows-1250 code become '?' (one for a character
// outside the BMP). The five bytes windows-1250 leaves undefined (0x81, 0x83, 0x88, 0x90,
// 0x98) read as U+FFFD, which is written as '?'.
QByteArray toWindows1250(const QString &text);
QString fromWindows1250(const QByteArray &bytes);
