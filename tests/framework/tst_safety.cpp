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

    std::unique_ptr<WorkingDir> dir;
    std::unique_ptr<TestShell> shell;
    std::unique_ptr<ScriptedPrompts> prompts;
    std::shared_ptr<sim::Device> device;
    std::unique_ptr<sim::Server> server;

    TestPage *newPage(QPointer<TestPage> &guard)
    {
        auto *page = new TestPage(false);
        guard = page;
        shell->page = page;
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
    // Frames of a function (at a start register, or any).
    int frames(int function, int start = -1) const
    {
        int n = 0;
        for (const auto &f : server->frames())
            n += quint8(f.bytes[1]) == function &&
                 (start < 0 || ((quint8(f.bytes[2]) << 8) | quint8(f.bytes[3])) == start);
        return n;
    }

private slots:
    void init()
    {
        dir = std::make_unique<WorkingDir>();
        shell = std::make_unique<TestShell>();
        prompts = std::make_unique<ScriptedPrompts>();
        device = makeTestDevice();
        device->mapRange(sim::Table::Coil, 0, 8);
        server = std::make_unique<sim::Server>(device);
        server->setTickInterval(0);
        QString error;
        QVERIFY2(server->start(&error), qPrintable(error));
        shell->path = server->path();
    }
    void cleanup()
    {
        server.reset();
        device.reset();
        prompts.reset();
        shell.reset();
        dir.reset();
    }

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
        prompts->setOnPrompt([&](const ScriptedPrompts::Record &r) {
            if (r.kind == Kind::Question)
                readBacksAtQuestion = frames(3, 0x2001) + frames(3, 0x2020);
        });
        prompts->planAnswer(PromptAnswer::No);
        server->clearLog();
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
            QCOMPARE(shell->closedPages, 1);
            // The question came after the read-back of both blocks.
            QCOMPARE(prompts->count(Kind::Question), 1);
            QVERIFY2(readBacksAtQuestion >= 2, qPrintable(QString::number(readBacksAtQuestion)));
        }
        QVERIFY2(closedAt >= 100 && closedAt < 500, "the close came during the pause");
        QCOMPARE(device->holding(0x2001), quint16(0x436C)); // "Cl"
        QCOMPARE(prompts->count(Kind::Message), 0);
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
        prompts->setOnPrompt([&](const ScriptedPrompts::Record &r) {
            if (r.kind != Kind::Message)
                return;
            tempAtBox = dir->exists("temp.ini");
            textAtBox = guard->text->text();
            QTimer::singleShot(10, [&] {
                if (live)
                    live->close();
                if (guard)
                    guard->close();
            });
            QTest::qWait(60);
        });
        device->setHolding(0x2001, 0x4142);
        server->setException(sim::Table::Holding, 0x2020, 0x2021, 2);
        page->getButtonClick();
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), 10000);
        QVERIFY(live.isNull());
        QCOMPARE(prompts->texts().first(),
                 QString("Adresa registru, ke kterému chcete přistoupit je mimo rozsah"));
        // The read ended as documented before the close: restored, temp.ini gone.
        QVERIFY(tempAtBox);
        QCOMPARE(textAtBox, QString("Text"));
        QVERIFY(!dir->exists("temp.ini"));
    }

    // The 100 ms pause of a coil write runs window messages too.
    void closeDuringCoilPause()
    {
        QPointer<TestPage> guard;
        TestPage *page = newPage(guard);
        QTimer::singleShot(40, [&] { page->close(); });
        QCOMPARE(page->writeCoilAction(5, true), 0);
        QVERIFY(guard);
        QTRY_VERIFY(guard.isNull());
        QVERIFY(device->coil(5));
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
        page.dialog = &shell->dialog;
        shell->page = &page;
        page.show();
        page.getButtonClick();
        server->setException(sim::Table::Holding, 0x2020, 0x2021, 2);
        page.getButtonClick();
        QCOMPARE(page.oks, (QList<bool>{true, false}));
        QCOMPARE(page.dialogUp, (QList<bool>{true, true}));
        QCOMPARE(page.tempThere, (QList<bool>{true, true}));
        QVERIFY(!shell->dialog.isVisible());
        QVERIFY(!dir->exists("temp.ini"));
    }
};

QTEST_MAIN(SafetyTest)
#include "tst_safety.moc"
