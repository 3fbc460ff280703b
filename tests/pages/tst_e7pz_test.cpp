// E-7PZ test window against the simulated E-7PZ, with the clock faked: the snapshot in
// test.ini and the test state, the runs (automatic, some outputs, none), the window locked
// while a run or its countdown goes (its close icon gone, a close waiting for the countdown),
// a failed run, a failed preparation and a failed restore; one test at a time with the live
// window open; a test.ini left by an unfinished test; where the window opens; the page's Send
// countdown after the write.

#include "DigitalIoFixture.h"
#include "pages/controllers/TcForm2.h"
#include "pages/controllers/TcForm2Test.h"
#include "pages/framework/Countdown.h"
#include "platform/Profile.h"
#include "tests/support/ScriptedPrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

const QString kNotRestored = QStringLiteral("Původní nastavení se nepodařilo zapsat zpět do "
                                            "zařízení. Soubor test.ini zůstává uložen.");
const QString kException4 = QStringLiteral("Při provádění požadavku došlo k neodstranitelné chybě");
const QString kLeftOver = QStringLiteral("Nalezen soubor test.ini z nedokončeného testu. Zapsat z "
                                         "něj původní nastavení do modulu?");
// The customer's settings of the block from 0x2006 as the restore writes them.
const QString kCustomerBlock = QStringLiteral("255/16/2006=9c40,3202,4b0,a5a,3202,1f4");

} // namespace

class E7pzTestWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<DigitalIoRig> rig;
    std::unique_ptr<TcForm2> page;
    std::vector<Outcome> told; // the test steps' outcomes, as the page heard them

    void open()
    {
        QVERIFY(rig->start(QStringLiteral("E-7PZ")));
        rig->shell.path = rig->server->path();
        page = std::make_unique<TcForm2>();
        rig->shell.page = page.get();
        told.clear();
        connect(page.get(), &TComponentForm::testStepDone, this,
                [this](const Outcome &o) { told.push_back(o); });
        page->show();
    }
    TcForm2Test *window() const { return qobject_cast<TcForm2Test *>(page->testWindow()); }
    // The customer's settings the test changes (the restore's writes: kCustomerBlock).
    void customerSettings()
    {
        rig->device->setHolding(0x2000, 0x1D4A);
        rig->device->setValues(sim::Table::Holding, 0x2006,
                               {40000, 0x3202, 1200, 0x0A5A, 0x3202, 500});
    }
    // The live window, once it has polled (null if it did not open or poll).
    TExtraForm *openLive()
    {
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        TExtraForm *live = page->liveWindow();
        if (!live ||
            !QTest::qWaitFor(
                [live] {
                    return live->findChild<QLabel *>("eCounterReadingNumberLabel")->text().toInt() >
                           0;
                },
                5000))
            return nullptr;
        return live;
    }
    void closeLive()
    {
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page->liveWindow());
    }
    static void press(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    // The countdown's lock ends now (its real seconds are not what is tested here); the next
    // countdown keeps its own pace. A close waiting for the countdown may take the window and
    // its countdown along.
    static void endCountdown(TButtonCountdown *countdown)
    {
        QPointer<TButtonCountdown> c(countdown);
        const int tick = c->animateSaveTimer()->interval();
        const int lock = c->saveTimer()->interval();
        c->animateSaveTimer()->start(1);
        c->saveTimer()->start(5);
        QTRY_VERIFY(!c || !c->running());
        if (c) {
            c->animateSaveTimer()->setInterval(tick);
            c->saveTimer()->setInterval(lock);
        }
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
        if (page && window()) {
            // A close asked for during the countdown follows it.
            endCountdown(window()->countdown());
            if (page->testWindow())
                page->testWindow()->close();
            QTRY_VERIFY(!page->testWindow());
        }
        page.reset();
        rig.reset();
    }

    void snapshotTestStateAndRestore()
    {
        open();
        customerSettings();
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

        // Locked while the first countdown goes: no run, no mode change.
        QVERIFY(!window()->runButton()->isEnabled());
        QVERIFY(!window()->modeGroup()->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(window()->runButton()->text(), QStringLiteral("(4)"), 2000);
        endCountdown(window()->countdown());
        QVERIFY(window()->runButton()->isEnabled());
        QVERIFY(window()->modeGroup()->isEnabled());

        const int from = rig->received();
        window()->close();
        QTRY_VERIFY(!page->testWindow());
        QCOMPARE(rig->writes(from), (QStringList{"255/16/2000=1d4a", kCustomerBlock}));
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
        QVERIFY2(window(), qPrintable(rig->prompts.texts().join(" | ")));
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
        QVERIFY(told.back().ok());
        QCOMPARE(told.back().written.size(), size_t(patterns.size()));
        QCOMPARE(rig->clock.waits(), QList<int>(patterns.size() - 1, 7000));
        // The countdown after the run keeps the window locked.
        QVERIFY(window()->locked());
        QVERIFY(!window()->modeGroup()->isEnabled());
        QVERIFY(!window()->outputBox(0)->isEnabled());
    }

    void failedRunCountsDownAsAGoodOne()
    {
        open();
        page->testButton()->click();
        QVERIFY(window());
        endCountdown(window()->countdown());
        rig->failOn("255/16/2000=4", 4);
        window()->runButton()->click();
        // The second pass failed: the first pattern went out, the box said which error.
        QCOMPARE(int(told.back().kind), int(Outcome::Kind::Failed));
        QCOMPARE(told.back().message, kException4);
        QVERIFY(told.back().written == (std::vector<RegisterSpan>{{0x2000, 1}}));
        QCOMPARE(rig->prompts.texts(), QStringList{told.back().message});
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
        QTRY_COMPARE_WITH_TIMEOUT(told.size(), size_t(1), 5000);
        QCOMPARE(int(told.back().kind), int(Outcome::Kind::Failed));
        QCOMPARE(rig->prompts.texts(), QStringList{told.back().message});
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

    // With the live window open the presses queue for the reader: whatever comes after Test
    // waits for the test to end. One snapshot of the customer's settings, no read or write
    // inside the test, and the close gives the module its own settings back.
    void oneTestAtATime_data()
    {
        QTest::addColumn<QString>("second");
        QTest::newRow("Test twice") << "c2TestButton";
        QTest::newRow("Get behind Test") << "c2GetButton";
        QTest::newRow("Send behind Test") << "c2SendButton";
    }
    void oneTestAtATime()
    {
        QFETCH(QString, second);
        open();
        customerSettings();
        TExtraForm *live = openLive();
        QVERIFY(live);
        press(page->testButton());
        press(page->findChild<QPushButton *>(second));
        QTRY_VERIFY_WITH_TIMEOUT(window(), 5000);
        // The reader holds still for the test once every command it had has run.
        QTRY_VERIFY_WITH_TIMEOUT(live->reader()->isPaused(), 5000);
        QCOMPARE(live->reader()->pendingCommands(), 0);
        QCOMPARE(rig->frames(3, 0x2000), 1);
        QCOMPARE(rig->writes(), (QStringList{"255/16/2000=6", "255/16/2006=1,0,1,64,6400,1"}));
        QCOMPARE(QDir(rig->dir.file(".")).entryList({"test-*.ini"}), QStringList());
        QCOMPARE(rig->prompts.texts(), QStringList());

        endCountdown(window()->countdown());
        const int from = rig->received();
        window()->close();
        QTRY_VERIFY(!page->testWindow());
        QCOMPARE(rig->writes(from), (QStringList{"255/16/2000=1d4a", kCustomerBlock}));
        QCOMPARE(rig->prompts.texts(), QStringList());
        QVERIFY(!rig->dir.exists("test.ini"));
        QCOMPARE(rig->settings(12)[6], quint16(40000));
        closeLive();
    }

    // Test pressed and the page closed before the reader got to the start: the start never
    // runs on the closing page, so nothing is left in the test state.
    void testStartQueuedBehindTheClose()
    {
        open();
        customerSettings();
        QVERIFY(openLive());
        press(page->testButton());
        QPointer<TcForm2> guard(page.release());
        guard->close();
        QTRY_VERIFY(guard.isNull());
        QCOMPARE(rig->frames(16), 0);
        QVERIFY(!rig->dir.exists("test.ini"));
        QCOMPARE(rig->settings(12)[6], quint16(40000));
    }

    // The close icon is gone while a run or its countdown goes; a close asked for meanwhile
    // (the window system's, or the page's) follows when the countdown is over.
    void closeWaitsForTheCountdown_data()
    {
        QTest::addColumn<bool>("pageCloses");
        QTest::newRow("the window's close") << false;
        QTest::newRow("the page's close") << true;
    }
    void closeWaitsForTheCountdown()
    {
        QFETCH(bool, pageCloses);
        open();
        customerSettings();
        press(page->testButton());
        QPointer<TcForm2Test> w(window());
        QVERIFY(w);
        QVERIFY(!w->closeIconShown());
        endCountdown(w->countdown());
        QVERIFY(w->closeIconShown());

        bool seen = false;
        bool shownInRun = true;
        QTimer::singleShot(0, w, [&] {
            seen = true;
            shownInRun = w->closeIconShown();
        });
        press(w->runButton());
        QVERIFY(seen);
        QVERIFY(!shownInRun);
        QVERIFY(!w->closeIconShown());
        QVERIFY(w->isVisible());

        const int from = rig->received();
        QPointer<TcForm2> guard(page.get());
        if (pageCloses) {
            rig->prompts.planAnswer(PromptAnswer::No);
            page.release()->close();
        } else {
            QCloseEvent close;
            QApplication::sendEvent(w, &close);
        }
        QTest::qWait(50);
        QVERIFY(w && w->isVisible());
        QCOMPARE(rig->writes(from), QStringList());
        endCountdown(w->countdown());
        QTRY_VERIFY(w.isNull());
        QCOMPARE(rig->writes(from), (QStringList{"255/16/2000=1d4a", kCustomerBlock}));
        if (pageCloses) {
            QTRY_VERIFY(guard.isNull());
            QCOMPARE(rig->shell.closedPages, 1);
        } else {
            QVERIFY(guard->isEnabled());
        }
    }

    // A restore the module refuses leaves test.ini and says so in terms of the E-7PZ (its
    // test has no DIP switches).
    void failedRestoreKeepsTestIni()
    {
        open();
        customerSettings();
        press(page->testButton());
        QVERIFY(window());
        endCountdown(window()->countdown());
        const QByteArray kept = rig->dir.read("test.ini");
        rig->failOn("255/16/2000=1d4a", 4);
        window()->close();
        QTRY_VERIFY(!page->testWindow());
        QCOMPARE(int(told.back().kind), int(Outcome::Kind::Failed));
        QCOMPARE(told.back().message, kException4);
        QCOMPARE(rig->prompts.texts(), (QStringList{kException4, kNotRestored}));
        QCOMPARE(rig->dir.read("test.ini"), kept);
        QVERIFY(page->isEnabled());
    }

    // A test.ini of an unfinished E-7PZ test: written back when the technician says so (a
    // refusal keeps it and stops the start), then moved aside and named.
    void leftOverTestIni_data()
    {
        QTest::addColumn<bool>("writeBack"); // the technician's answer
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QStringList>("writesBefore");
        QTest::addColumn<QStringList>("texts"); // after the question; "aside" the moved file
        QTest::newRow("written back")
            << true << false
            << QStringList{"255/16/2000=101", "255/16/2006=9c40,3202,4b0,a5a,3203,1f4"}
            << QStringList{"aside"};
        QTest::newRow("kept aside") << false << false << QStringList() << QStringList{"aside"};
        QTest::newRow("module refuses") << true << true << QStringList{"255/16/2000=101"}
                                        << QStringList{kException4, kNotRestored};
    }
    void leftOverTestIni()
    {
        QFETCH(bool, writeBack);
        QFETCH(bool, refused);
        QFETCH(QStringList, writesBefore);
        QFETCH(QStringList, texts);
        open();
        const QByteArray left = "[test]\r\nc2ZdTerScrollBar=-25536\r\nc2ZdSpComboBox=50\r\n"
                                "c2ZdIntComboBox=2\r\nc2ZdTpComboBox=1200\r\n"
                                "c2ZdVminComboBox=10\r\nc2ZdVMaxComboBox=90\r\n"
                                "c2ZdVkmnComboBox=50\r\nc2ZdHysComboBox=3\r\n"
                                "c2ZdEtvComboBox=500\r\nc2AutCheckBox=1\r\nc2RUpCheckBox=1\r\n";
        rig->dir.write("test.ini", left);
        if (refused)
            rig->failOn("255/16/2000=101", 4);
        rig->prompts.planAnswer(writeBack ? PromptAnswer::Yes : PromptAnswer::No);
        const int before = rig->settings(12)[10] & 0xFF;
        press(page->testButton());
        const QStringList aside = QDir(rig->dir.file(".")).entryList({"test-*.ini"});
        QStringList expected = {kLeftOver};
        for (const QString &t : texts)
            expected << (t == "aside" && aside.size() == 1
                             ? "Soubor test.ini z nedokončeného testu uložen jako " + aside[0]
                             : t);
        QCOMPARE(rig->prompts.texts(), expected);
        const QStringList writes = rig->writes();
        QCOMPARE(writes.mid(0, writesBefore.size()), writesBefore);
        if (refused) {
            QVERIFY(!window());
            QCOMPARE(rig->dir.read("test.ini"), left);
            QVERIFY(page->testButton()->isEnabled());
            return;
        }
        QVERIFY(window());
        QCOMPARE(rig->dir.read(aside[0]), left);
        // The new snapshot holds what the module has now.
        QCOMPARE(Profile(rig->dir.file("test.ini")).readInteger("test", "c2ZdHysComboBox", -1),
                 writeBack ? 3 : before);
    }

    // The window opens centred over the page, wherever the page is.
    void windowOpensOverThePage()
    {
        open();
        page->move(137, 91);
        QTRY_COMPARE(page->pos(), QPoint(137, 91));
        press(page->testButton());
        QVERIFY(window());
        const QRect p = page->frameGeometry();
        const QRect w = window()->frameGeometry();
        QCOMPARE(w.topLeft(), QPoint(p.left() + p.width() / 2 - w.width() / 2,
                                     p.top() + p.height() / 2 - w.height() / 2));
    }

    // Send locks the buttons at once; their countdown starts once the write is over, also when
    // the live reader carries the write out later.
    void sendCountdownFollowsTheWrite_data()
    {
        QTest::addColumn<bool>("live");
        QTest::newRow("directly") << false;
        QTest::newRow("through the live reader") << true;
    }
    void sendCountdownFollowsTheWrite()
    {
        QFETCH(bool, live);
        open();
        if (live)
            QVERIFY(openLive());
        bool seen = false;
        bool countingInWrite = true;
        QTimer::singleShot(0, page.get(), [&] {
            seen = true;
            countingInWrite = page->countdown()->running();
        });
        press(page->sendButton());
        QVERIFY(!page->getButton()->isEnabled());
        QVERIFY(!page->testButton()->isEnabled());
        if (live) {
            // Handed over: nothing written yet, nothing counting yet.
            QVERIFY(!page->countdown()->running());
            QTRY_VERIFY_WITH_TIMEOUT(rig->frames(16, 0x2000) == 1, 5000);
        } else {
            QVERIFY(seen);
            QVERIFY(!countingInWrite);
        }
        QTRY_VERIFY(page->countdown()->running());
        QCOMPARE(rig->frames(16, 0x2000), 1);
        if (live)
            closeLive();
    }
};

QTEST_MAIN(E7pzTestWindowTest)
#include "tst_e7pz_test.moc"
