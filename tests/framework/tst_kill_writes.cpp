// Files survive a kill: a child process writes a page's configuration file, windowPosition.ini,
// mFormSave.ini and test.ini over and over, each round with a new generation number in every
// value, and is killed (SIGKILL) at a random moment. Afterwards each file must be absent (never
// written yet) or one whole generation: every key there, every value of the same round.
//
// 50 kills in the suite (a few seconds); OVRIN_KILLS=1000 build/tests/framework_tst_kill_writes for more.

#include "FrameworkFixture.h"
#include "pages/framework/OutputTest.h"
#include "platform/Profile.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <csignal>
#include <cstdio>

namespace {

const char kWriterVariable[] = "OVRIN_KILL_WRITER";
const QString kConfig = QStringLiteral("page.ini");
const QString kSection = QStringLiteral("cForm20");
const QString kMainSection = QStringLiteral("mForm");
constexpr int kTestKeys = 12;

// The main window's settings as its save writes them: one batch per save.
void writeMainSettings(int generation)
{
    Profile settings(workingFile(QStringLiteral("mFormSave.ini")));
    settings.beginBatch();
    settings.writeInteger(kMainSection, QStringLiteral("serialNameComboBox"), generation);
    for (const char *key : {"mmLoadLast", "mmShowHint", "mmAutoComponent", "mmLoadDataAfterStart"})
        settings.writeBool(kMainSection, QLatin1String(key), generation % 2 == 1);
    settings.writeInteger(kMainSection, QStringLiteral("serialAddress"), generation % 254 + 1);
    settings.endBatch();
}

std::vector<TestEntry> testEntries(int generation)
{
    std::vector<TestEntry> entries;
    for (int i = 0; i < kTestKeys; ++i)
        entries.push_back({QStringLiteral("R%1").arg(0x2001 + i, 4, 16), (generation + i) % 65536});
    return entries;
}

// One round of the page's values for a generation: the text field names it, the address list
// and a numeric field follow it.
void fillPage(TestPage &page, int generation)
{
    page.text->setText(QStringLiteral("g%1").arg(generation));
    page.addr->setCurrentIndex(generation % 200);
    page.pa->setPosition(generation % 100);
    page.move(generation % 500, generation % 500);
}

// The child: rounds until it is killed. Prints "ready" once set up, so the parent's random
// moment falls into the writes and not into the start of the process.
int runWriter(const QString &dir)
{
    QDir::setCurrent(dir);
    TestShell shell;
    TestPage page(true);
    std::printf("ready\n");
    std::fflush(stdout);
    for (int generation = 1;; ++generation) {
        fillPage(page, generation);
        page.saveControls(QDir(dir).filePath(kConfig), kSection);
        page.saveWindowPosition();
        writeMainSettings(generation);
        TTestFile::write(testEntries(generation));
    }
}

} // namespace

class KillWritesTest : public QObject
{
    Q_OBJECT

    // Keys and values of a whole configuration file of a known generation, from the same page.
    QStringList m_configKeys;
    int m_addressBase = 0; // what index 0 of the address list is saved as
    int m_positionBase = 0;

    // The generation a file holds, or -1 with the reason when it is no whole round.
    int configGeneration(const Profile &p, QString *why) const
    {
        const QStringList keys = p.keys(kSection);
        if (keys != m_configKeys) {
            *why = QStringLiteral("keys %1").arg(keys.join(QLatin1Char(',')));
            return -1;
        }
        const QString text = p.readString(kSection, QStringLiteral("c20ZdTextEdit"), QString());
        bool ok = false;
        const int g = text.mid(1).toInt(&ok);
        if (!text.startsWith(QLatin1Char('g')) || !ok)
            return *why = QStringLiteral("text ") + text, -1;
        if (p.readInteger(kSection, QStringLiteral("c20SkAdrComboBox"), -1) != g % 200 + m_addressBase)
            return *why = QStringLiteral("address of another round than text ") + text, -1;
        if (p.readInteger(kSection, QStringLiteral("c20ExPaScrollBar"), -1) != g % 100 + m_positionBase)
            return *why = QStringLiteral("position of another round than text ") + text, -1;
        return g;
    }

private slots:
    void initTestCase()
    {
        // The key set and value encoding of a whole file, as the same page writes it.
        WorkingDir dir;
        TestShell shell;
        TestPage page(true);
        fillPage(page, 0);
        QVERIFY(page.saveControls(dir.file(kConfig), kSection));
        const Profile p(dir.file(kConfig));
        m_configKeys = p.keys(kSection);
        QVERIFY(m_configKeys.contains(QStringLiteral("c20ZdTextEdit")));
        m_addressBase = p.readInteger(kSection, QStringLiteral("c20SkAdrComboBox"), -1);
        m_positionBase = p.readInteger(kSection, QStringLiteral("c20ExPaScrollBar"), -1);
        QVERIFY(m_addressBase >= 0 && m_positionBase >= 0);
    }

    void everyFileOldOrNewAfterAKill()
    {
        const int kills = qEnvironmentVariableIntValue("OVRIN_KILLS") > 0
                              ? qEnvironmentVariableIntValue("OVRIN_KILLS")
                              : 50;
        WorkingDir dir;
        QRandomGenerator random(QRandomGenerator::global()->generate());
        int whole[4] = {};
        for (int k = 0; k < kills; ++k) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QLatin1String(kWriterVariable), dir.file(QString()));
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(child.waitForStarted(10000));
            QVERIFY(child.waitForReadyRead(30000));
            // A round of four files takes a few milliseconds: any moment up to 20 ms lands
            // anywhere in it, a good share of them inside a write.
            QThread::usleep(random.bounded(20000));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(10000));

            QString why;
            if (dir.exists(kConfig)) {
                const int g = configGeneration(Profile(dir.file(kConfig)), &why);
                QVERIFY2(g >= 0, qPrintable(QStringLiteral("kill %1: %2: %3").arg(k).arg(kConfig, why)));
                ++whole[0];
            }
            if (dir.exists(QStringLiteral("windowPosition.ini"))) {
                const Profile p(dir.file(QStringLiteral("windowPosition.ini")));
                const QStringList keys = p.keys(kSection);
                QVERIFY2(keys.contains(QStringLiteral("Top")) && keys.contains(QStringLiteral("Left")),
                         qPrintable(keys.join(QLatin1Char(','))));
                QCOMPARE(p.readInteger(kSection, QStringLiteral("Top"), -1),
                         p.readInteger(kSection, QStringLiteral("Left"), -2));
                ++whole[1];
            }
            if (dir.exists(QStringLiteral("mFormSave.ini"))) {
                const Profile p(dir.file(QStringLiteral("mFormSave.ini")));
                QCOMPARE(p.keys(kMainSection).size(), 6);
                const int g = p.readInteger(kMainSection, QStringLiteral("serialNameComboBox"), -1);
                QVERIFY(g >= 1);
                for (const char *key : {"mmLoadLast", "mmShowHint", "mmAutoComponent", "mmLoadDataAfterStart"})
                    QCOMPARE(p.readBool(kMainSection, QLatin1String(key), g % 2 == 0), g % 2 == 1);
                QCOMPARE(p.readInteger(kMainSection, QStringLiteral("serialAddress"), -1), g % 254 + 1);
                ++whole[2];
            }
            if (dir.exists(QStringLiteral("test.ini"))) {
                const Profile p(dir.file(QStringLiteral("test.ini")));
                const QStringList keys = p.sections().isEmpty() ? QStringList()
                                                                : p.keys(p.sections().first());
                QCOMPARE(keys.size(), kTestKeys);
                const QString section = p.sections().first();
                const int g = p.readInteger(section, keys.first(), -1);
                for (int i = 0; i < kTestKeys; ++i)
                    QCOMPARE(p.readInteger(section, keys[i], -1), (g + i) % 65536);
                ++whole[3];
            }
        }
        qInfo("%d kills: whole files %d config, %d windowPosition, %d mFormSave, %d test", kills,
              whole[0], whole[1], whole[2], whole[3]);
        // Kills that all fell before the first round would prove nothing.
        QVERIFY(whole[3] > kills / 2);
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString writerDir = qEnvironmentVariable(kWriterVariable);
    if (!writerDir.isEmpty())
        return runWriter(writerDir);
    // A thousand kills on a loaded machine outlast Qt Test's five minutes for one function.
    const int kills = qEnvironmentVariableIntValue("OVRIN_KILLS");
    if (kills > 0 && !qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number(qMax(300000, kills * 2000)));
    KillWritesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_kill_writes.moc"
