#include "platform/CodePage.h"
#include "platform/Profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif
#include <climits>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

class tst_Profile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString file(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void namesMatchWithoutCaseAndKeepTheirFirstSpelling()
    {
        const QString path = file("case.ini");
        {
            Profile ini(path);
            ini.writeString("mForm", "serialNameComboBox", "3");
            ini.writeString("MFORM", "SERIALNAMECOMBOBOX", "4");
            ini.writeBool("mform", "mmShowHint", true);
            QVERIFY(ini.ok());
        }
        QCOMPARE(readBytes(path),
                 QByteArray("[mForm]\r\nserialNameComboBox=4\r\nmmShowHint=1\r\n"));
        Profile ini(path);
        QCOMPARE(ini.readInteger("MfOrM", "SerialNameComboBox", -1), 4);
        QCOMPARE(ini.keys("MFORM"), QStringList({"serialNameComboBox", "mmShowHint"}));
        QCOMPARE(ini.sections(), QStringList({"mForm"}));
        // Czech letters fold too.
        ini.writeString("Čidlo", "Řádek", "x");
        QCOMPARE(ini.readString("čIDLO", "řÁDEK", "-"), QString("x"));
    }

    void writeKeepsEveryOtherLineAsItWas()
    {
        // Comments, junk, spacing, a key-less section and lines before the first section
        // all survive; only the written line changes, and a new key lands after the
        // section's last value. Line ends stay as they were; new lines take the file's first.
        const QString path = file("keep.ini");
        writeBytes(path, "; written by hand\n"
                         "orphan=1\n"
                         "[cForm1]\n"
                         "  c1ZdTextEdit = Kotel 1  \n"
                         "this line is junk\n"
                         "c1SkAdrComboBox=4\r\n"
                         "\n"
                         "; the next page\n"
                         "[cForm2]\n"
                         "c2Key=7");
        Profile ini(path);
        ini.writeInteger("cform1", "C1SKADRCOMBOBOX", 5);
        ini.writeBool("CFORM1", "mmShowHint", false);
        ini.writeString("cForm2", "c2Other", "a=b;c");
        ini.writeString("new", "k", "");
        QVERIFY(ini.ok());
        QCOMPARE(readBytes(path), QByteArray("; written by hand\n"
                                             "orphan=1\n"
                                             "[cForm1]\n"
                                             "  c1ZdTextEdit = Kotel 1  \n"
                                             "this line is junk\n"
                                             "c1SkAdrComboBox=5\r\n"
                                             "mmShowHint=0\n"
                                             "\n"
                                             "; the next page\n"
                                             "[cForm2]\n"
                                             "c2Key=7\n"
                                             "c2Other=a=b;c\n"
                                             "[new]\n"
                                             "k=\n"));
        Profile again(path);
        QCOMPARE(again.readString("cForm1", "c1ZdTextEdit", "-"), QString("Kotel 1"));
        QCOMPARE(again.readString("cForm2", "c2Other", "-"), QString("a=b;c"));
        // Lines before the first section belong to no section; junk is no key.
        QVERIFY(!again.valueExists("", "orphan"));
        QVERIFY(!again.valueExists("cForm1", "this line is junk"));
        QCOMPARE(again.keys("cForm1"),
                 QStringList({"c1ZdTextEdit", "c1SkAdrComboBox", "mmShowHint"}));
    }

    void integersAndBoolsReadLikeTIniFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected");
        const int def = -77;
        QTest::newRow("decimal") << QByteArray("12") << 12;
        QTest::newRow("blanks around") << QByteArray("\t 12  ") << 12;
        QTest::newRow("negative") << QByteArray("-5") << -5;
        QTest::newRow("plus") << QByteArray("+7") << 7;
        QTest::newRow("0x hex") << QByteArray("0x1F") << 31;
        QTest::newRow("0X hex") << QByteArray("0X1f") << 31;
        QTest::newRow("$ hex") << QByteArray("$ff") << 255;
        QTest::newRow("$ all ones") << QByteArray("$FFFFFFFF") << -1;
        QTest::newRow("negative hex") << QByteArray("-$10") << -16;
        QTest::newRow("int max") << QByteArray("2147483647") << INT_MAX;
        QTest::newRow("int min") << QByteArray("-2147483648") << INT_MIN;
        QTest::newRow("quoted") << QByteArray("\"42\"") << 42;
        QTest::newRow("empty") << QByteArray("") << def;
        QTest::newRow("word") << QByteArray("true") << def;
        QTest::newRow("trailing junk") << QByteArray("12abc") << def;
        QTest::newRow("inner blank") << QByteArray("1 2") << def;
        QTest::newRow("decimal comma") << QByteArray("1,5") << def;
        QTest::newRow("overflow") << QByteArray("2147483648") << def;
        QTest::newRow("underflow") << QByteArray("-2147483649") << def;
        QTest::newRow("huge") << QByteArray("99999999999999999999999") << def;
        QTest::newRow("hex overflow") << QByteArray("0x100000000") << def;
        QTest::newRow("bare 0x") << QByteArray("0x") << def;
        QTest::newRow("bare $") << QByteArray("$") << def;
        QTest::newRow("bare sign") << QByteArray("-") << def;
        QTest::newRow("hex digit in decimal") << QByteArray("1f") << def;
        QTest::newRow("arabic-indic digit") << QByteArray("\xD9\xA3") << def; // UTF-8 U+0663
    }

    void integersAndBoolsReadLikeTIniFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, expected);
        const QString path = file("int.ini");
        writeBytes(path, "[s]\r\nv=" + text + "\r\n");
        Profile ini(path);
        QCOMPARE(ini.readInteger("s", "v", -77), expected);
        // A bool is an integer that is not 0; anything unreadable is the default.
        const bool parsed = expected != -77;
        QCOMPARE(ini.readBool("s", "v", false), parsed ? expected != 0 : false);
        QCOMPARE(ini.readBool("s", "v", true), parsed ? expected != 0 : true);
        QCOMPARE(ini.readInteger("s", "missing", 9), 9);
        QCOMPARE(ini.readInteger("missing", "v", 9), 9);
    }

    void stringsRoundTripExactly()
    {
        // The profile API trims values and strips matching quotes when reading; values
        // that would change are written in quotes, so every one comes back as written.
        const QStringList values = {"",      " lead",     "trail ", "  ",  "\"quoted\"",
                                    "'one'", "\"",        "'a\"",   "a=b", "; not a comment",
                                    "[x]",   "ěščřžýáíé", "\t tab", "\"\""};
        const QString path = file("strings.ini");
        {
            Profile ini(path);
            ini.beginBatch();
            for (int i = 0; i < values.size(); ++i)
                ini.writeString("s", QString("k%1").arg(i), values[i]);
            QVERIFY(ini.endBatch());
        }
        Profile ini(path);
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(ini.readString("s", QString("k%1").arg(i), "<default>"), values[i]);
        // An empty value is a value, not a missing key.
        QCOMPARE(ini.readString("s", "k0", "<default>"), QString());
        QCOMPARE(ini.readString("s", "nothing", "<default>"), QString("<default>"));
    }

    void lineBreaksCannotInjectLines()
    {
        const QString path = file("inject.ini");
        Profile ini(path);
        ini.writeString("cForm1", "c1ZdTextEdit", QString("x\r\n[cForm2]\nc2Key=1") + QChar(0));
        QVERIFY(ini.ok());
        Profile again(path);
        QCOMPARE(again.sections(), QStringList({"cForm1"}));
        QCOMPARE(again.readString("cForm1", "c1ZdTextEdit", "-"), QString("x  [cForm2] c2Key=1 "));

        // Names the file could not give back are refused, and nothing is written.
        const QByteArray before = readBytes(path);
        for (const QString &bad : {QString("a=b"), QString(";c"), QString("[d"), QString(""),
                                   QString("e\nf"), QString("日本")}) {
            ini.writeString("cForm1", bad, "1");
            QVERIFY2(!ini.ok(), qPrintable(bad));
        }
        ini.writeString("a\nb", "k", "1");
        QVERIFY(!ini.ok());
        QCOMPARE(readBytes(path), before);
        ini.writeString("cForm1", "fine", "1");
        QVERIFY(ini.ok());
    }

    void sectionsKeysAndErasing()
    {
        const QString path = file("sections.ini");
        writeBytes(path, "[empty]\r\n; only a comment\r\n"
                         "[cForm5]\r\nTop=10\r\nLeft=20\r\ntop=99\r\n"
                         "[c5extraForm]\r\nAfterStart=1\r\n"
                         "[CFORM5]\r\nTop=30\r\nOther=1\r\n"
                         "[]\r\nnameless=1\r\n");
        Profile ini(path);
        // A section without values does not exist (TIniFile.SectionExists) but is listed.
        QVERIFY(!ini.sectionExists("empty"));
        QVERIFY(ini.sectionExists("Cform5"));
        QVERIFY(!ini.sectionExists("cForm6"));
        QCOMPARE(ini.sections(), QStringList({"empty", "cForm5", "c5extraForm", ""}));
        // The first of repeated sections and keys wins.
        QCOMPARE(ini.readInteger("cForm5", "Top", 0), 10);
        QCOMPARE(ini.keys("cForm5"), QStringList({"Top", "Left"}));
        QVERIFY(!ini.valueExists("cForm5", "Other"));
        QVERIFY(ini.valueExists("", "nameless"));

        ini.eraseSection("CFORM5"); // every copy goes
        QVERIFY(ini.ok());
        Profile again(path);
        QCOMPARE(again.sections(), QStringList({"empty", "c5extraForm", ""}));
        QVERIFY(!again.valueExists("cForm5", "Top"));
        QVERIFY(again.readBool("c5extraForm", "AfterStart", false));
        QCOMPARE(readBytes(path), QByteArray("[empty]\r\n; only a comment\r\n"
                                             "[c5extraForm]\r\nAfterStart=1\r\n"
                                             "[]\r\nnameless=1\r\n"));

        // Erasing what is not there creates no file.
        Profile none(file("none.ini"));
        none.eraseSection("x");
        QVERIFY(none.ok());
        QVERIFY(!QFile::exists(file("none.ini")));
    }

    void existsCreateAndDelete()
    {
        const QString path = file("created.ini");
        Profile ini(path);
        QVERIFY(!ini.exists());
        QCOMPARE(ini.readString("a", "b", "def"), QString("def"));
        QVERIFY(!ini.sectionExists("a"));
        ini.writeInteger("a", "b", -3);
        QVERIFY(ini.ok());
        QVERIFY(ini.exists());
        QCOMPARE(readBytes(file("created.ini")), QByteArray("[a]\r\nb=-3\r\n"));

        QVERIFY(Profile::deleteFile(path));
        QVERIFY(!QFile::exists(path));
        QVERIFY(!Profile::deleteFile(path));
        // The object notices the file is gone.
        QVERIFY(!ini.exists());
        QCOMPARE(ini.readInteger("a", "b", 7), 7);

        // A write into a directory that does not exist fails and says so.
        Profile lost(file("no/such/dir/x.ini"));
        lost.writeString("a", "b", "c");
        QVERIFY(!lost.ok());
    }

    void batchSavesOnceAndReadsItsOwnWrites()
    {
        const QString path = file("batch.ini");
        writeBytes(path, "[keep]\r\nx=1\r\n");
        Profile ini(path);
        ini.beginBatch();
        for (int i = 0; i < 50; ++i)
            ini.writeInteger("cForm13", QString("c13Key%1").arg(i), i * 3);
        // Nothing on disk yet, but reads see the pending values.
        QCOMPARE(readBytes(path), QByteArray("[keep]\r\nx=1\r\n"));
        QCOMPARE(ini.readInteger("cForm13", "c13key49", -1), 147);
        QVERIFY(ini.endBatch());
        Profile again(path);
        QCOMPARE(again.keys("cForm13").size(), 50);
        QCOMPARE(again.readInteger("cForm13", "c13Key7", -1), 21);
        QCOMPARE(again.readInteger("keep", "x", -1), 1);

        // A refused write inside a batch makes the batch report failure.
        ini.beginBatch();
        ini.writeString("cForm13", "bad=key", "1");
        ini.writeString("cForm13", "c13Key0", "100");
        QVERIFY(!ini.endBatch());
        QVERIFY(!ini.ok());
        // A batch without changes touches nothing and succeeds.
        ini.beginBatch();
        QVERIFY(ini.endBatch());
        QVERIFY(ini.ok());
    }

    void twoObjectsOnOneFileLoseNoWrites()
    {
        // Pages and the main window open their own objects on the same file; each write
        // must start from what is on disk, not from a stale copy.
        const QString path = file("shared.ini");
        Profile a(path);
        Profile b(path);
        a.writeInteger("cForm5", "Top", 1);
        QCOMPARE(b.readInteger("cForm5", "Top", -1), 1);
        b.writeInteger("cForm5", "Left", 2);
        a.writeInteger("c5extraForm", "Top", 3); // must not drop b's Left
        b.writeInteger("cForm5", "Top", 4);      // same size, same millisecond as a's write
        Profile c(path);
        QCOMPARE(c.readInteger("cForm5", "Top", -1), 4);
        QCOMPARE(c.readInteger("cForm5", "Left", -1), 2);
        QCOMPARE(c.readInteger("c5extraForm", "Top", -1), 3);
        QCOMPARE(a.readInteger("cForm5", "Top", -1), 4);

        // A batch that another object overtakes is made again on top of the other's save.
        a.beginBatch();
        a.writeInteger("cForm13", "c13Key", 13);
        a.eraseSection("c5extraForm");
        b.writeInteger("cForm5", "Left", 5);
        b.writeInteger("c5extraForm", "AfterStart", 1);
        QVERIFY(a.endBatch());
        Profile d(path);
        QCOMPARE(d.readInteger("cForm13", "c13Key", -1), 13);
        QCOMPARE(d.readInteger("cForm5", "Left", -1), 5);
        QVERIFY(!d.sectionExists("c5extraForm"));
    }

    void windows1250OnDiskAndUtf8Read()
    {
        const QString czech =
            QString::fromUtf8("Příliš žluťoučký kůň úpěl ďábelské ódy ĚŠČŘŽÝÁÍÉÚŮŤĎŇÓ");
        const QString path = file("czech.ini");
        {
            Profile ini(path);
            ini.writeString("cForm1", "c1ZdTextEdit", czech);
            QVERIFY(ini.ok());
        }
        const QByteArray bytes = readBytes(path);
        QCOMPARE(bytes, "[cForm1]\r\nc1ZdTextEdit=" + toWindows1250(czech) + "\r\n");
        QVERIFY(bytes.contains("P\xF8\xED\x6C\x69\x9A")); // "Příliš" in windows-1250
        QCOMPARE(Profile(path).readString("cform1", "C1ZDTEXTEDIT", "-"), czech);

        // A file saved as UTF-8 (with or without a BOM) reads the same; a rewrite keeps it
        // UTF-8, new lines included.
        for (const QByteArray &bom : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
            const QString utf8Path = file("utf8.ini");
            const QByteArray before = bom + "; " + QString::fromUtf8("poznámka").toUtf8() +
                                      "\n[Čidlo]\nText=" + czech.toUtf8() + "\n";
            writeBytes(utf8Path, before);
            Profile ini(utf8Path);
            QCOMPARE(ini.readString("čidlo", "text", "-"), czech);
            ini.writeString("Čidlo", "n", QString::fromUtf8("Čerpadlo"));
            QVERIFY(ini.ok());
            QCOMPARE(readBytes(utf8Path), before + QString::fromUtf8("n=Čerpadlo\n").toUtf8());
            QCOMPARE(Profile(utf8Path).readString("Čidlo", "Text", "-"), czech);
        }

        // Our own file whose only non-ASCII text happens to be valid UTF-8 ("Č°" is C8 B0)
        // is still windows-1250.
        const QString ambiguous = QString::fromUtf8("KOTEL Č°1");
        {
            Profile ini(file("ambiguous.ini"));
            ini.writeString("cForm1", "c1ZdTextEdit", ambiguous);
        }
        QCOMPARE(Profile(file("ambiguous.ini")).readString("cForm1", "c1ZdTextEdit", "-"),
                 ambiguous);

        // A BOM before plain ASCII (Notepad's "UTF-8") is still the same file, and stays.
        const QString asciiPath = file("bom.ini");
        writeBytes(asciiPath, "\xEF\xBB\xBF[mForm]\r\nmmLoadLast=1\r\n");
        Profile bom(asciiPath);
        QVERIFY(bom.readBool("mForm", "mmLoadLast", false));
        bom.writeBool("mForm", "mmShowHint", true);
        QCOMPARE(readBytes(asciiPath),
                 QByteArray("\xEF\xBB\xBF[mForm]\r\nmmLoadLast=1\r\nmmShowHint=1\r\n"));

        // A UTF-8 file with text windows-1250 lacks (found by fuzzing: a BOM, then bytes that
        // are no UTF-8) stays UTF-8 on a rewrite, so the other values keep what they held.
        for (const QByteArray &odd : {QByteArray("\xEF\xBB\xBF[s]\ne]\xEF\x99=\"\n"),
                                      QString::fromUtf8("[s]\nk=€ 5 ✓\n").toUtf8()}) {
            const QString oddPath = file("odd.ini");
            writeBytes(oddPath, odd);
            const Profile before(oddPath);
            const QStringList keys = before.keys("s");
            QVERIFY(!keys.isEmpty());
            const QString held = before.readString("s", keys.first(), "-");
            {
                Profile ini(oddPath);
                ini.writeString("s", "n", QString::fromUtf8("Čerpadlo"));
                QVERIFY(ini.ok());
            }
            const Profile after(oddPath);
            QCOMPARE(after.keys("s").first(), keys.first());
            QCOMPARE(after.readString("s", keys.first(), "-"), held);
            QCOMPARE(after.readString("s", "n", "-"), QString::fromUtf8("Čerpadlo"));
        }
    }

    // Hand-written files: a write replaces one line (or adds one); every other line keeps
    // its bytes and reads as it did, whichever way its encoding was taken.
    void writeReplacesOnlyItsLine_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("readBack");

        // "Ĺˇ" in windows-1250 is C5 A1, which is also UTF-8 for "š".
        QTest::newRow("windows-1250 bytes that pass for UTF-8")
            << QByteArray("[s]\r\na=\xC5\xA1\r\nb=1\r\n") << "b"
            << "2" << QByteArray("[s]\r\na=\xC5\xA1\r\nb=2\r\n") << "2";
        QTest::newRow("windows-1250, new Czech value")
            << QByteArray("[s]\r\na=\x9A\xE8\r\n") << "b" << QString::fromUtf8("ř")
            << QByteArray("[s]\r\na=\x9A\xE8\r\nb=\xF8\r\n") << QString::fromUtf8("ř");
        QTest::newRow("UTF-8, new Czech value")
            << QByteArray("[s]\na=\xC5\xA1\n") << "b" << QString::fromUtf8("č")
            << QByteArray("[s]\na=\xC5\xA1\nb=\xC4\x8D\n") << QString::fromUtf8("č");
        // Without a BOM the file stays UTF-8 only while windows-1250 has all its characters.
        QTest::newRow("UTF-8, character windows-1250 lacks")
            << QByteArray("[s]\na=\xC5\xA1\n") << "b" << QString::fromUtf8("✓")
            << QByteArray("[s]\na=\xC5\xA1\nb=?\n") << "?";
        QTest::newRow("UTF-8 with BOM, any character")
            << QByteArray("\xEF\xBB\xBF[s]\r\na=\xC5\xA1\r\n") << "b" << QString::fromUtf8("✓")
            << QByteArray("\xEF\xBB\xBF[s]\r\na=\xC5\xA1\r\nb=\xE2\x9C\x93\r\n")
            << QString::fromUtf8("✓");
        QTest::newRow("replaced line keeps its line end")
            << QByteArray("[s]\r\na=1\nb=2\r\n") << "a"
            << "3" << QByteArray("[s]\r\na=3\nb=2\r\n") << "3";
        QTest::newRow("last line without an end")
            << QByteArray("[s]\r\na=1") << "b"
            << "2" << QByteArray("[s]\r\na=1\r\nb=2\r\n") << "2";
    }

    void writeReplacesOnlyItsLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        QFETCH(QString, readBack);
        const QString path = file("hand.ini");
        writeBytes(path, before);
        QMap<QString, QString> held;
        {
            const Profile ini(path);
            for (const QString &k : ini.keys("s"))
                held[k] = ini.readString("s", k, "-");
        }
        Profile ini(path);
        ini.writeString("s", key, value);
        QVERIFY(ini.ok());
        QCOMPARE(readBytes(path), after);
        QCOMPARE(ini.readString("s", key, "-"), readBack);
        held[key] = readBack;
        const Profile again(path);
        for (auto it = held.cbegin(); it != held.cend(); ++it)
            QCOMPARE(again.readString("s", it.key(), "-"), it.value());
    }

    void junkBytesSurviveARewrite()
    {
        // Bytes that windows-1250 does not define, NULs and binary junk in lines we do not
        // touch are written back byte for byte.
        const QString path = file("junk.ini");
        const QByteArray junk("\x81\x83\x00\xFF\x98 junk\x90", 12);
        writeBytes(path, "[s]\r\n" + junk + "\r\n;\x88\r\nk=\x81\r\n");
        Profile ini(path);
        QCOMPARE(ini.readString("s", "k", "-"), QString(QChar(0xFFFD)));
        ini.writeString("s", "new", "1");
        QVERIFY(ini.ok());
        QCOMPARE(readBytes(path), "[s]\r\n" + junk + "\r\n;\x88\r\nk=\x81\r\nnew=1\r\n");
        // Writing back the value as read keeps its byte too.
        ini.writeString("s", "k", ini.readString("s", "k", "-"));
        QVERIFY(ini.ok());
        QCOMPARE(readBytes(path), "[s]\r\n" + junk + "\r\n;\x88\r\nk=\x81\r\nnew=1\r\n");
    }

    void failedWritesKeepTheOldFile()
    {
        // The target is a directory: the rename cannot land.
        const QString dirTarget = file("target.ini");
        QVERIFY(QDir().mkpath(dirTarget + "/inside"));
        Profile onDir(dirTarget);
        onDir.writeString("a", "b", "c");
        QVERIFY(!onDir.ok());
        QVERIFY(QFileInfo(dirTarget).isDir());
        QVERIFY(QFileInfo::exists(dirTarget + "/inside"));
        QCOMPARE(onDir.readString("a", "b", "def"), QString("def"));

        const QByteArray old = "[cForm1]\r\nc1ZdTextEdit=old\r\n";
#ifdef Q_OS_LINUX
        {
            // A full disk, even for root: writes beyond a file-size limit fail.
            const QString path = file("full.ini");
            writeBytes(path, old);
            Profile ini(path);
            struct rlimit saved;
            QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit small = saved;
            small.rlim_cur = 64;
            QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
            ini.writeString("cForm1", "c1ZdTextEdit", QString(200, QChar('x')));
            const bool okWhileFull = ini.ok();
            ini.beginBatch();
            ini.writeString("cForm1", "c1Other", QString(200, QChar('y')));
            const bool batchWhileFull = ini.endBatch();
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, oldHandler);
            QVERIFY(!okWhileFull);
            QVERIFY(!batchWhileFull);
            QCOMPARE(readBytes(path), old);
            // What did not land is not pretended to be there.
            QCOMPARE(ini.readString("cForm1", "c1ZdTextEdit", "-"), QString("old"));
            QVERIFY(!ini.valueExists("cForm1", "c1Other"));
            // No temporary files are left behind.
            QCOMPARE(QDir(m_dir.path()).entryList({"full.ini*"}, QDir::Files),
                     QStringList({"full.ini"}));
            ini.writeString("cForm1", "c1ZdTextEdit", "new");
            QVERIFY(ini.ok());
            QCOMPARE(Profile(path).readString("cForm1", "c1ZdTextEdit", "-"), QString("new"));
        }
#endif
        if (geteuid() != 0) {
            const QString roDir = file("ro");
            QVERIFY(QDir().mkpath(roDir));
            const QString path = roDir + "/x.ini";
            writeBytes(path, old);
            QFile::setPermissions(roDir, QFile::ReadOwner | QFile::ExeOwner);
            Profile ini(path);
            ini.writeString("cForm1", "c1ZdTextEdit", "new");
            QFile::setPermissions(roDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QVERIFY(!ini.ok());
            QCOMPARE(readBytes(path), old);
        }
    }

    void oversizedFileIsNeitherParsedNorOverwritten()
    {
        const QString path = file("huge.ini");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[s]\r\nk=1\r\n");
            QVERIFY(f.resize(64 * 1024 * 1024)); // sparse: cheap to make
        }
        Profile ini(path);
        QCOMPARE(ini.readInteger("s", "k", -1), -1);
        ini.writeString("s", "k", "2");
        QVERIFY(!ini.ok());
        ini.eraseSection("s");
        QVERIFY(!ini.ok());
        QCOMPARE(QFileInfo(path).size(), qint64(64 * 1024 * 1024));
    }

    void workingFileIsInTheCurrentDirectory()
    {
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        const QString expected = QDir(m_dir.path()).filePath("mFormSave.ini");
        const QString plain = workingFile("mFormSave.ini");
        const QString classic = workingFile("\\mFormSave.ini");
        QDir::setCurrent(saved);
        QCOMPARE(plain, expected);
        QCOMPARE(classic, expected);
    }
};

QTEST_GUILESS_MAIN(tst_Profile)
#include "tst_profile.moc"
