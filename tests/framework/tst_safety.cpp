// Closing at awkward moments, with the real clock: the page alone and with its live
// window, during a write's read-back pause, during a read (its error box runs window
// messages, as a real message box does), during a coil write's pause. Nothing crashes,
// nothing hangs, the operation in flight ends first and the close follows.

#include "FrameworkFixture.h"
#include "tests/support/ScriptedPrompts.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QtTest>

using Kind = ScriptedPrompts::Kind;

class SafetyTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<FrameworkRig> rig;

    TestPage *newPage(QPointer<TestPage> &guard)
    {
        auto *page = new TestPage(false);
        guard = page;
        rig->shell.page = page;
        page->show();
        return page;
    }
    TestLive *openLive(TestPage &page)
    {
        page.mmLoadExtraClick();
        auto *live = static_cast<TestLive *>(page.liveWindow());
        if (live)
            (void)QTest::qWaitFor([&] { return live->testReader()->readCount() >= 2; }, 5000);
        return live;
    }
    int frames(int function, int start = -1) const { return rig->frames(function, start); }

private slots:
    void init()
    {
        rig = std::make_unique<FrameworkRig>();
        auto d = makeTestDevice();
        d->mapRange(sim::Table::Coil, 0, 8);
        QVERIFY(rig->start(d));
    }
    void cleanup() { rig.reset(); }

    // The window's close box during the 500 ms before the read-back, answered "No": the
    // write is verified first, then the page asks and goes.
    void closeDuringWritePause_data()
    {
        QTest::addColumn<bool>("withLive");
        QTest::addColumn<bool>("closeLiveOnly");
        QTest::newRow("page alone") << false << false;
        QTest::newRow("page with live window") << true << false;
        QTest::newRow("live window alone") << true << true;
    }
    void closeDuringWritePause()
    {
        QFETCH(bool, withLive);
        QFETCH(bool, closeLiveOnly);
        QPointer<TestPage> guard;
        TestPage *page = newPage(guard);
        QPointer<TExtraForm> live = withLive ? openLive(*page) : nullptr;
        QCOMPARE(bool(live), withLive);
        page->text->setText("Closing");
        int readBacksAtQuestion = -1;
        rig->prompts.setOnPrompt([&](const ScriptedPrompts::Record &r) {
            if (r.kind == Kind::Question)
                readBacksAtQuestion = frames(3, 0x2001) + frames(3, 0x2020);
        });
        rig->prompts.planAnswer(PromptAnswer::No);
        rig->server->clearLog();
        QElapsedTimer sent;
        sent.start();
        qint64 closedAt = -1;
        QTimer::singleShot(200, [&] {
            closedAt = sent.elapsed();
            if (closeLiveOnly)
                live->close();
            else
                page->close();
        });
        page->sendButtonClick();
        if (closeLiveOnly) {
            QTRY_VERIFY(live.isNull());
            QVERIFY(guard);
            QTRY_COMPARE(page->panelText(2), QString("Ukončuji načítání provozních dat"));
            QVERIFY(!page->menuItem("mmLoadExtra")->isChecked());
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), 10000);
            QVERIFY(live.isNull());
            QCOMPARE(rig->shell.closedPages, 1);
            // The question came after the read-back of both blocks.
            QCOMPARE(rig->prompts.count(Kind::Question), 1);
            QVERIFY2(readBacksAtQuestion >= 2, qPrintable(QString::number(readBacksAtQuestion)));
        }
        QVERIFY2(closedAt >= 100 && closedAt < 500, "the close came during the pause");
        QCOMPARE(rig->device->holding(0x2001), quint16(0x436C)); // "Cl"
        QCOMPARE(rig->prompts.count(Kind::Message), 0);
        delete guard.data();
    }

    // A read that fails shows its error; a real box runs window messages meanwhile, and a
    // timer of another window may close the page or the live window then.
    void closeDuringReadErrorBox_data()
    {
        QTest::addColumn<bool>("withLive");
        QTest::newRow("page alone") << false;
        QTest::newRow("page with live window") << true;
    }
    void closeDuringReadErrorBox()
    {
        QFETCH(bool, withLive);
        QPointer<TestPage> guard;
        TestPage *page = newPage(guard);
        QPointer<TExtraForm> live = withLive ? openLive(*page) : nullptr;
        bool tempAtBox = false;
        QString textAtBox;
        rig->prompts.setOnPrompt([&](const ScriptedPrompts::Record &r) {
            if (r.kind != Kind::Message)
                return;
            tempAtBox = rig->dir.exists("temp.ini");
            textAtBox = guard->text->text();
            QTimer::singleShot(10, [&] {
                if (live)
                    live->close();
                if (guard)
                    guard->close();
            });
            QTest::qWait(60);
        });
        rig->device->setHolding(0x2001, 0x4142);
        rig->server->setException(sim::Table::Holding, 0x2020, 0x2021, 2);
        page->getButtonClick();
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), 10000);
        QVERIFY(live.isNull());
        QCOMPARE(rig->prompts.texts().first(),
                 QString("Adresa registru, ke kterému chcete přistoupit je mimo rozsah"));
        // The read ended as documented before the close: restored, temp.ini gone.
        QVERIFY(tempAtBox);
        QCOMPARE(textAtBox, QString("Text"));
        QVERIFY(!rig->dir.exists("temp.ini"));
    }

    // The 100 ms pause of a coil write runs window messages too.
    void closeDuringCoilPause()
    {
        QPointer<TestPage> guard;
        TestPage *page = newPage(guard);
        QTimer::singleShot(40, [&] { page->close(); });
        QCOMPARE(page->writeCoilAction(5, true).error, 0);
        QVERIFY(guard);
        QTRY_VERIFY(guard.isNull());
        QVERIFY(rig->device->coil(5));
        QCOMPARE(frames(5), 1);
    }

    // The settle hook runs inside the read: the dialog is still up and temp.ini still
    // there, after a good read and after a failed one alike.
    void settleRunsInsideTheRead()
    {
        struct SettlingPage : TestPage {
            QList<bool> oks, dialogUp, tempThere;
            TSystemDialog *dialog = nullptr;
            void settleAfterRead(bool ok) override
            {
                oks << ok;
                dialogUp << dialog->isVisible();
                tempThere << QFile::exists(QStringLiteral("temp.ini"));
            }
        } page;
        page.dialog = &rig->shell.dialog;
        rig->shell.page = &page;
        page.show();
        page.getButtonClick();
        rig->server->setException(sim::Table::Holding, 0x2020, 0x2021, 2);
        page.getButtonClick();
        QCOMPARE(page.oks, (QList<bool>{true, false}));
        QCOMPARE(page.dialogUp, (QList<bool>{true, true}));
        QCOMPARE(page.tempThere, (QList<bool>{true, true}));
        QVERIFY(!rig->shell.dialog.isVisible());
        QVERIFY(!rig->dir.exists("temp.ini"));
    }
};

QTEST_MAIN(SafetyTest)
#include "tst_safety.moc"
