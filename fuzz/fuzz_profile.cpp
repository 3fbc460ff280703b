// An INI file of any bytes through the profile reader, and one write into it: every value
// the file held before reads the same afterwards, and the written value reads back as
// written.

#include "platform/Profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void failed(const char *what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

struct Values {
    QStringList sections;
    QList<QStringList> keys;
    QList<QStringList> values;
};

Values readAll(const QString &path)
{
    const Profile p(path);
    Values v;
    v.sections = p.sections();
    for (const QString &s : v.sections) {
        const QStringList keys = p.keys(s);
        QStringList values;
        for (const QString &k : keys) {
            values << p.readString(s, k, QStringLiteral("\x01"));
            p.readInteger(s, k, -7);
            p.readBool(s, k, true);
        }
        v.keys << keys;
        v.values << values;
        p.sectionExists(s);
    }
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // In memory where the system has it: the file is written and read several times per input.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/ovrin-fuzz-XXXXXX")
                                 : QString());
    const QString path = dir.filePath(QStringLiteral("fuzz.ini"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            failed("cannot write the input file");
        f.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }
    const Values before = readAll(path);
    const QString section =
        before.sections.isEmpty() ? QStringLiteral("cForm1") : before.sections.first();
    const QString value = QStringLiteral(" Čerpadlo \"7\" ");
    {
        Profile p(path);
        p.writeString(section, QStringLiteral("fuzzKey"), value);
        if (!p.ok())
            return 0; // refused (a name windows-1250 cannot hold): the file is untouched
    }
    const Profile after(path);
    if (after.readString(section, QStringLiteral("fuzzKey"), QString()) != value)
        failed("the written value does not read back");
    for (int i = 0; i < before.sections.size(); ++i) {
        for (int j = 0; j < before.keys[i].size(); ++j) {
            const QString &key = before.keys[i][j];
            if (before.sections[i].compare(section, Qt::CaseInsensitive) == 0 &&
                key.compare(QStringLiteral("fuzzKey"), Qt::CaseInsensitive) == 0)
                continue;
            const QString now = after.readString(before.sections[i], key, QStringLiteral("\x01"));
            if (now != before.values[i][j]) {
                std::fprintf(stderr, "[%s] %s: \"%s\" became \"%s\"\n",
                             qPrintable(before.sections[i]), qPrintable(key),
                             qPrintable(before.values[i][j]), qPrintable(now));
                failed("a write changed another value");
            }
        }
    }
    return 0;
}
