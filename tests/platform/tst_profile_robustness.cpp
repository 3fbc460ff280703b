#include "platform/CodePage.h"
#include "platform/Profile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

// A few thousand random, mutated and garbage files go through the reader and one write.
// Nothing may crash, the written value must read back, and every value that was readable
// before the write must read the same after it.
namespace {

class Generator
{
public:
    explicit Generator(quint32 seed) : m_rng(seed) {}

    int below(int n) { return n <= 0 ? 0 : int(m_rng.bounded(quint32(n))); }
    bool chance(int percent) { return below(100) < percent; }

    QString word(int maxLength, bool allowAwkward)
    {
        static const QString plain =
            QString::fromUtf8("abcdefghijklmnopqrstuvwxyzABCXYZ0123456789_ěščřžýáíéúůťďňóĚŠČ");
        static const QString awkward = QString::fromUtf8(" \t=;[]\"'$-+#€°");
        QString s;
        const int n = below(maxLength + 1);
        for (int i = 0; i < n; ++i) {
            const bool odd = allowAwkward && chance(20);
            const QString &pool = odd ? awkward : plain;
            const int size =
                m_asciiOnly ? (odd ? 12 : 43) : int(pool.size()); // ASCII leads both pools
            s += pool.at(below(size));
        }
        return s;
    }

    // Values the reader must find: (section, key) -> value.
    using Expected = QList<std::tuple<QString, QString, QString>>;

    // An INI file as people and programs write them, with the usual accidents. The values
    // of plainly written lines in plainly named sections go to `expected`.
    QByteArray structured(Expected *expected = nullptr)
    {
        // Most real files are plain ASCII: keys, numbers and an unaccented text.
        m_asciiOnly = chance(30);
        QString text;
        const QString eol = chance(50) ? "\r\n" : "\n";
        const int sections = below(6);
        if (chance(20))
            text += word(10, true) + "=" + word(10, true) + eol;
        QStringList seenSections;
        for (int s = 0; s < sections; ++s) {
            // The section whose keys can be expected: plain, non-empty, first of its name.
            QString plain;
            switch (below(10)) {
            case 0:
                text += "[]" + eol;
                break;
            case 1:
                text += "[" + word(8, true) + eol; // unclosed
                break;
            case 2:
                text += "  [ " + word(8, false) + " ] ; note" + eol;
                break;
            default: {
                const bool odd = chance(30);
                const QString name = word(12, odd);
                text += "[" + name + "]" + eol;
                if (!odd && !name.isEmpty() && !seenSections.contains(name, Qt::CaseInsensitive))
                    plain = name;
                seenSections << name;
                break;
            }
            }
            QStringList seenKeys;
            const int lines = below(12);
            for (int l = 0; l < lines; ++l) {
                switch (below(12)) {
                case 0:
                    text += "; " + word(20, true) + eol;
                    break;
                case 1:
                    text += eol;
                    break;
                case 2:
                    // Junk without '=' (a lone '[' line could open a section).
                    text += word(15, true).remove('=').remove('[') + eol;
                    break;
                case 3:
                    text += "=" + word(5, true) + eol;
                    break;
                case 4: {
                    const QString key = word(8, false);
                    const QString value = word(8, true);
                    text += " " + key + " = \"" + value + "\" " + eol;
                    if (!plain.isEmpty() && !key.isEmpty() &&
                        !seenKeys.contains(key, Qt::CaseInsensitive) && expected)
                        expected->append({plain, key, value});
                    seenKeys << key;
                    break;
                }
                default: {
                    const bool oddKey = chance(20);
                    const bool oddValue = chance(40);
                    const QString key = word(10, oddKey);
                    const QString value = word(16, oddValue);
                    text += key + "=" + value + eol;
                    // Plain words need no trimming or unquoting to predict.
                    if (!oddKey && !oddValue && !plain.isEmpty() && !key.isEmpty() &&
                        !seenKeys.contains(key, Qt::CaseInsensitive) && expected)
                        expected->append({plain, key, value});
                    seenKeys << key.trimmed(); // an odd key may still shadow a later one
                    break;
                }
                }
            }
        }
        if (chance(30) && text.endsWith(eol))
            text.chop(eol.size()); // no line end at the end
        m_asciiOnly = false;
        if (chance(20))
            return (chance(50) ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
        return toWindows1250(text);
    }

    QByteArray mutated(QByteArray bytes)
    {
        const int edits = 1 + below(8);
        for (int i = 0; i < edits && !bytes.isEmpty(); ++i) {
            const int at = below(int(bytes.size()));
            switch (below(5)) {
            case 0:
                bytes[at] = char(below(256));
                break;
            case 1:
                bytes.insert(at, char(below(256)));
                break;
            case 2:
                bytes.remove(at, 1 + below(8));
                break;
            case 3:
                bytes.insert(at, below(2) ? "\r" : "\n");
                break;
            case 4:
                bytes.truncate(at);
                break;
            }
        }
        return bytes;
    }

    QByteArray garbage()
    {
        QByteArray bytes(below(4096), Qt::Uninitialized);
        for (char &c : bytes)
            c = char(below(256));
        return bytes;
    }

    QByteArray hugeLine()
    {
        QByteArray line = "[s]\r\nk=" + QByteArray(200000 + below(200000), 'x');
        if (chance(50))
            line += "\r\n[t]\r\n" + QByteArray(100000, '[') + "=" + QByteArray(100000, ']');
        return line;
    }

private:
    QRandomGenerator m_rng;
    bool m_asciiOnly = false;
};

// What survives a write unchanged: names and values windows-1250 can hold. (A UTF-8 file is
// rewritten in windows-1250, so anything else turns into '?'.)
bool representable(const QString &s)
{
    return fromWindows1250(toWindows1250(s)) == s;
}

} // namespace

class tst_ProfileRobustness : public QObject
{
    Q_OBJECT

private slots:
    void randomFilesReadWriteAndReadBack()
    {
        // The files live in memory where possible: this is about parsing, not about the
        // disk, and three thousand synced saves would dominate the run.
        const bool shm = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
        QTemporaryDir dir(shm ? QStringLiteral("/dev/shm/ovrin-fuzz-XXXXXX") : QString());
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("fuzz.ini");
        Generator gen(20261209);
        QElapsedTimer timer;
        timer.start();
        const int rounds = 3000;
        int writesChecked = 0;
        int expectedChecked = 0;
        for (int round = 0; round < rounds; ++round) {
            QByteArray bytes;
            Generator::Expected expected;
            switch (round % 10) {
            case 0:
                bytes = gen.garbage();
                break;
            case 1:
            case 2:
            case 3:
                bytes = gen.mutated(gen.structured());
                break;
            default:
                bytes = gen.structured(&expected);
                break;
            }
            if (round % 500 == 7) {
                bytes = gen.hugeLine();
                expected.clear();
            }
            {
                QFile f(path);
                QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
                f.write(bytes);
            }
            const QString context = QString("round %1").arg(round);

            // Everything readable before the write.
            QHash<QString, QHash<QString, QString>> before;
            QStringList sectionNames;
            {
                Profile ini(path);
                sectionNames = ini.sections();
                for (const QString &section : sectionNames) {
                    for (const QString &key : ini.keys(section)) {
                        QVERIFY(ini.valueExists(section, key));
                        before[section.toLower()][key.toLower()] =
                            ini.readString(section, key, "<missing>");
                        ini.readInteger(section, key, 0);
                    }
                }
            }

            {
                const Profile ini(path);
                for (const auto &[section, key, value] : expected)
                    QVERIFY2(ini.readString(section, key, "<missing>") == value,
                             qPrintable(QString("%1: [%2] %3 should be \"%4\"")
                                            .arg(context, section, key, value)));
            }
            expectedChecked += int(expected.size());

            // One write: into an existing section and key (in another case), or a new one.
            QString section = QString("new%1").arg(round);
            QString key = "k";
            if (!sectionNames.isEmpty() && gen.chance(70)) {
                section = sectionNames.at(gen.below(int(sectionNames.size())));
                QStringList keys = before.value(section.toLower()).keys();
                keys.sort(); // hash order differs from run to run; the seed should decide

                key = keys.isEmpty() || gen.chance(30) ? QString("fresh%1").arg(round)
                                                       : keys.at(gen.below(int(keys.size())));
                section = gen.chance(50) ? section.toUpper() : section;
            }
            const QString value = gen.word(20, true);
            const bool nameOk = representable(section) && representable(key) &&
                                !key.trimmed().isEmpty() && !key.contains('=') &&
                                !key.trimmed().startsWith(';') && !key.trimmed().startsWith('[');
            {
                Profile ini(path);
                ini.writeString(section, key, value);
                QVERIFY2(ini.ok() == nameOk,
                         qPrintable(QString("%1: write [%2] %3 ok=%4, file %5")
                                        .arg(context, section, key)
                                        .arg(ini.ok())
                                        .arg(QString::fromLatin1(bytes.toHex().left(400)))));
            }
            if (!nameOk)
                continue;
            ++writesChecked;

            Profile after(path);
            QVERIFY2(after.readString(section, key, "<missing>") == value,
                     qPrintable(QString("%1: wrote [%2] %3=\"%4\", read \"%5\"; file %6")
                                    .arg(context, section, key, value,
                                         after.readString(section, key, "<missing>"),
                                         QString::fromLatin1(bytes.toHex().left(600)))));
            QVERIFY2(after.sectionExists(section), qPrintable(context));
            for (auto s = before.cbegin(); s != before.cend(); ++s) {
                if (!representable(s.key()))
                    continue;
                for (auto k = s.value().cbegin(); k != s.value().cend(); ++k) {
                    if (!representable(k.key()) || !representable(k.value()))
                        continue;
                    if (s.key() == section.trimmed().toLower() &&
                        k.key() == key.trimmed().toLower())
                        continue;
                    QVERIFY2(after.readString(s.key(), k.key(), "<missing>") == k.value(),
                             qPrintable(QString("%1: [%2] %3 was \"%4\", now \"%5\"")
                                            .arg(context, s.key(), k.key(), k.value(),
                                                 after.readString(s.key(), k.key(), "<missing>"))));
                }
            }
        }
        qInfo("%d files, %d known values and %d writes checked in %lld ms", rounds, expectedChecked,
              writesChecked, timer.elapsed());
        QVERIFY(writesChecked > rounds / 2);
        QVERIFY(expectedChecked > rounds);
    }
};

QTEST_GUILESS_MAIN(tst_ProfileRobustness)
#include "tst_profile_robustness.moc"
