// CSV files for a spreadsheet with Czech settings: a byte-order mark first (UTF-8 would
// otherwise be read as windows-1250), ';' between cells, quotes where a cell needs them; a
// log gets its mark and header once, however many times it is appended to.
#include "platform/CsvFile.h"
#include "tests/support/WorkingDir.h"

#include <QtTest>

class CsvTest : public QObject
{
    Q_OBJECT

private slots:
    void cells_data()
    {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QString>("line");
        QTest::newRow("plain") << QStringList{"Operace proběhla OK", "12,5"}
                               << "Operace proběhla OK;12,5";
        QTest::newRow("empty cells") << QStringList{"", "x", ""} << ";x;";
        QTest::newRow("separator inside") << QStringList{"a;b", "c"} << "\"a;b\";c";
        QTest::newRow("quote inside") << QStringList{"text \"Kotelna\""}
                                      << "\"text \"\"Kotelna\"\"\"";
        QTest::newRow("line break inside") << QStringList{"Port COM1\nneexistuje"}
                                           << "\"Port COM1\nneexistuje\"";
    }
    void cells()
    {
        QFETCH(QStringList, cells);
        QFETCH(QString, line);
        QCOMPARE(csv::line(cells), line);
    }

    void files()
    {
        WorkingDir dir;
        const QStringList header = {"datum a čas", "výsledek"};
        QVERIFY(csv::append(dir.file("log.csv"), header, {}));
        QVERIFY(csv::append(dir.file("log.csv"), header, {{"2024-05-01 10:00:00", "Čárka; ok"}}));
        QVERIFY(csv::append(dir.file("log.csv"), header, {{"2024-05-01 10:01:00", "ž"}}));
        QCOMPARE(dir.read("log.csv"), QByteArray("\xEF\xBB\xBF"
                                                 "datum a čas;výsledek\n"
                                                 "2024-05-01 10:00:00;\"Čárka; ok\"\n"
                                                 "2024-05-01 10:01:00;ž\n"));
        QVERIFY(csv::write(dir.file("all.csv"), header, {{"a", "b"}}));
        QCOMPARE(dir.read("all.csv"), QByteArray("\xEF\xBB\xBF"
                                                 "datum a čas;výsledek\na;b\n"));
        QVERIFY(!csv::append(dir.file("no-such-dir/log.csv"), header, {}));
    }
};

QTEST_GUILESS_MAIN(CsvTest)
#include "tst_csv.moc"
