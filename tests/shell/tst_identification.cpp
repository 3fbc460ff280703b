// Detection table and display names of the identification strings.

#include "shell/Identification.h"

#include <QtTest>

class TestIdentification : public QObject
{
    Q_OBJECT

private slots:
    void nearMissesMatchNothing_data();
    void nearMissesMatchNothing();
    void displayName_data();
    void displayName();
    void listAndVariants();
};

void TestIdentification::nearMissesMatchNothing_data()
{
    QTest::addColumn<QString>("identification");
    QTest::newRow("no padding") << QStringLiteral("T4yJ");
    QTest::newRow("lower-case j") << QStringLiteral("T4yj            ");
    QTest::newRow("17 characters") << QStringLiteral("T4yJ             ");
    QTest::newRow("last character") << QStringLiteral("T4yJ           .");
    QTest::newRow("the other model's padding") << QStringLiteral("E-7PZ          ");
    QTest::newRow("NUL padding") << QString::fromLatin1("ZK\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16);
    QTest::newRow("leading space") << QStringLiteral(" ZK             ");
    QTest::newRow("list name, not identification") << QStringLiteral("E-HB5/HN9");
    QTest::newRow("silent device") << QString(16, QChar(0));
    QTest::newRow("empty") << QString();
}

void TestIdentification::nearMissesMatchNothing()
{
    QFETCH(QString, identification);
    QCOMPARE(modelIndexForIdentification(identification), -1);
}

void TestIdentification::displayName_data()
{
    QTest::addColumn<QString>("identification");
    QTest::addColumn<QString>("name");
    QTest::newRow("E 7PZ") << QStringLiteral("E 7PZ           ") << QStringLiteral("E 7PZ");
    QTest::newRow("T4yJ") << QStringLiteral("T4yJ            ") << QStringLiteral("T4yJ");
    QTest::newRow("E-HB5/HN9") << QStringLiteral("E-HB5/HN9       ") << QStringLiteral("E-HB5/HN9");
    QTest::newRow("E HB5/HN9") << QStringLiteral("E HB5/HN9       ") << QStringLiteral("E HB5/HN9");
    QTest::newRow("no space") << QStringLiteral("ABCDEFGHIJKLMNOP")
                              << QStringLiteral("ABCDEFGHIJKLMNOP");
    QTest::newRow("space at 2 only") << QStringLiteral("E ") << QStringLiteral("E ");
    QTest::newRow("leading space") << QStringLiteral(" ZK") << QString();
}

void TestIdentification::displayName()
{
    QFETCH(QString, identification);
    QFETCH(QString, name);
    QCOMPARE(identificationName(identification), name);
}

void TestIdentification::listAndVariants()
{
    QCOMPARE(componentNames(), (QStringList{"KQx", "KQLx", "CWR1", "E-7PZ", "E-UV6", "E-HN2",
                                            "E-HB2", "E-HB5/HN9", "GWR1", "T4yJ", "T4yR", "T4yG",
                                            "T6yR", "ZK", "ZSL", "ZG", "VTx", "VTLx"}));
    const QMap<int, int> variants{{0, 1}, {1, 2}, {10, 0}, {16, 3}, {17, 4}};
    for (int i = -1; i <= kModelCount; ++i)
        QCOMPARE(componentTypeFor(i), variants.value(i, -1));
}

QTEST_MAIN(TestIdentification)
#include "tst_identification.moc"
