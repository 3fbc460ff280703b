// E-7PZ test window against the simulated E-7PZ, with the clock faked: the snapshot in
// test.ini and the test state, the runs (automatic, some outputs, none), the window locked
// while a run or its countdown goes, a failed run and a failed preparation, and the restore.

#include "DigitalIoFixture.h"
#include "pages/controllers/TcForm2.h"
#include "pages/controllers/TcForm2Test.h"
#include "pages/framework/Countdown.h"
#include "platform/Profile.h"
#include "tests/support/ScriptedPrompts.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

class E7pzTestWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<DigitalIoRig> rig;
    std::unique_ptr<TcForm2> page;

    void open()
    {
        QVERIFY(rig->start(QStringLiteral("E-7PZ")));
        rig->shell.path = rig->server->path();
        page = std::make_unique<TcForm2>();
        rig->shell.page = page.get();
        page->show();
    }
    TcForm2Test *window() const { return qobject_cast<TcForm2Test *>(page->testWindow()); }
    // The countdown's lock ends now (its real seconds are not what is tested here).
    static void endCountdown(TButtonCountdown *c)
    {
        c->animateSaveTimer()->start(1);
        c->saveTimer()->start(5);
        QTRY_VERIFY(!c->running());
    }
    QStringList runWrites(int from) const
    {
        QStringList out;
        for (const QString &w : rig->writes(from))
            out << w;
        return out;
    }

private slots:
    void init() { rig = std::make_unique<DigitalIoRig>(); }
    void cleanup()
    {
        if (page && page->testWindow()) {
            if (window())
                endCountdown(window()->countdown());
            page->testWindow()->close();
        }
        page.reset();
        rig.reset();
    }

    void snapshotTestStateAndRestore()
    {
        open();
        rig->device->setHolding(0x2000, 0x1D4A);
        rig->device->setHolding(0x2006, 40000);
        rig->server->clearLog();
        page->testButton()->click();
        QVERIFY(window());
        QCOMPARE(rig->prompts.texts(), QStringList());
        QVERIFY(!page->isEnabled());
        QCOMPARE(rig->writes(), (QStringList{"255/16/2000=6", "255/16/2006=1,0,1,64,6400,1"}));
        const Profile ini(rig->dir.file("test.ini"));
        QCOMPARE(ini.keys("test").size(), 9 + 5 + 8);
        QCOMPARE(ini.readInteger("test", "c2ZdTerScrollBar", 0), -25536);
        QCOMPARE(ini.readInteger("test", "c2ZdVmaxComboBox", 0), 0x5A);
        QCOMPARE(ini.readInteger("test", "c2OhChCheckBox", 0), 1);
        QCOMPARE(ini.readInteger("test", "c2RDnCheckBox", 0), 1);

        // Locked while the first countdown goes: no run, no close, no mode change.
        QVERIFY(!window()->runButton()->isEnabled());
        QVERIFY(!window()->modeGroup()->isEnabled());
        window()->close();
        QVERIFY(window() && window()->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(window()->runButton()->text(), QStringLiteral("(4)"), 2000);
        endCountdown(window()->countdown());
        QVERIFY(window()->runButton()->isEnabled());
        QVERIFY(window()->modeGroup()->isEnabled());

        const int from = rig->received();
        window()->close();
        QTRY_VERIFY(!page->testWindow());
        QCOMPARE(rig->writes(from), (QStringList{"255/16/2000=1d4a",
                                                 "255/16/2006=9c40,3202,4b0,a5a,3202,1f4"}));
        QVERIFY(!rig->dir.exists("test.ini"));
        QVERIFY(page->isEnabled());
        // The page's buttons count down after the restore.
        QVERIFY(!page->testButton()->isEnabled());
        QVERIFY(page->countdown()->running());
    }

    void runs_data()
    {
        QTest::addColumn<bool>("manual");
        QTest::addColumn<int>("ticked"); // bits of the boxes ticked
        QTest::addColumn<QStringList>("patterns");
        QTest::newRow("automatic") << false << 0 << QStringList{"7", "4", "2", "e", "16", "6"};
        QTest::newRow("only DO.2") << true << 0x04 << QStringList{"2", "6"};
        QTest::newRow("nothing ticked") << true << 0 << QStringList{"6", "6"};
        QTest::newRow("ticks stay in automatic")
            << false << 0x04 << QStringList{"7", "4", "2", "e", "16", "6"};
    }
    void runs()
    {
        QFETCH(bool, manual);
        QFETCH(int, ticked);
        QFETCH(QStringList, patterns);
        open();
        page->testButton()->click();
        QVERIFY(window());
        endCountdown(window()->countdown());
        window()->modeGroup()->setItemIndex(manual ? 1 : 0);
        QCOMPARE(window()->outputBox(0)->isEnabled(), manual);
        for (int i = 0; i < 5; ++i)
            window()->outputBox(i)->setChecked(ticked & (1 << i));
        const int from = rig->received();
        rig->clock.clearWaits();
        window()->runButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QStringList expected;
        for (const QString &p : patterns)
            expected << "255/16/2000=" + p; // manual mode flags 0 in the factory settings
        QCOMPARE(runWrites(from), expected);
        QCOMPARE(rig->clock.waits(), QList<int>(patterns.size() - 1, 7000));
        // The countdown after the run keeps the window locked.
        QVERIFY(window()->locked());
        QVERIFY(!window()->modeGroup()->isEnabled());
        QVERIFY(!window()->outputBox(0)->isEnabled());
        window()->close();
        QVERIFY(page->testWindow());
    }

    void failedRunCountsDownAsAGoodOne()
    {
        open();
        page->testButton()->click();
        QVERIFY(window());
        endCountdown(window()->countdown());
        rig->failOn("255/16/2000=4", 4);
        window()->runButton()->click();
        QCOMPARE(rig->prompts.texts().size(), 1);
        QVERIFY(window()->countdown()->running());
        endCountdown(window()->countdown());
        QVERIFY(window()->runButton()->isEnabled());
        QCOMPARE(window()->runButton()->text(), QStringLiteral("Spustit test"));
    }

    void failedPreparationResumesTheReader()
    {
        open();
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        TExtraForm *live = page->liveWindow();
        QVERIFY(live);
        QTRY_VERIFY_WITH_TIMEOUT(
            live->findChild<QLabel *>("eCounterReadingNumberLabel")->text().toInt() > 0, 5000);
        rig->failOn("255/16/2006=1,0,1,64,6400,1", 4);
        page->testButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig->prompts.texts().size(), 1, 5000);
        QVERIFY(!page->testWindow());
        QVERIFY(page->isEnabled());
        // The reader polls again.
        const int reads = live->findChild<QLabel *>("eCounterReadingNumberLabel")->text().toInt();
        QTRY_VERIFY_WITH_TIMEOUT(
            live->findChild<QLabel *>("eCounterReadingNumberLabel")->text().toInt() > reads + 1,
            5000);
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page->liveWindow());
    }
};

QTEST_MAIN(E7pzTestWindowTest)
#include "tst_e7pz_test.moc"
