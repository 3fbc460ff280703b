// The input tests of the E-HB2 and E-HB5/HN9 modules: the poll's requests in order, what the
// window shows, a failed poll that closes the window after its message, and closing while a
// poll is on the line (the window always waits for its thread; a failure that comes once it
// is stopping shows nothing).

#include "DigitalIoFixture.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QWindow>

class InputTestsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<DigitalIoRig> rig;
    std::unique_ptr<TDigitalIoPage> page;

    // The page of the model the rig serves, and its input test.
    TDigitalInputTest *openTest(const QString &model, bool changed = false)
    {
        page = makeDigitalPage(model);
        page->show();
        rig->shell.page = page.get();
        page->markChanged(changed);
        const QString button = model == "E-HB2" ? "c7TestInButton" : "c9TestInButton";
        page->findChild<QPushButton *>(button)->click();
        return qobject_cast<TDigitalInputTest *>(page->testWindow());
    }

private slots:
    void init() { rig = std::make_unique<DigitalIoRig>(); }
    void cleanup()
    {
        page.reset();
        rig.reset();
    }

    void pollsAndShows_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("inputs");
        QTest::newRow("E-HB2") << "E-HB2"
                               << "E-HB2 Test DI.x" << 8;
        QTest::newRow("E-HB5/HN9") << "E-HB5/HN9"
                                   << "E-HB5/HN9 Test  DI.x" << 3;
    }
    void pollsAndShows()
    {
        QFETCH(QString, model);
        QFETCH(QString, caption);
        QFETCH(int, inputs);
        QVERIFY(rig->start(model));
        rig->io().setInputs(0x01);
        rig->device->setHolding(0x0008 + inputs - 1, 0xFFFF);
        TDigitalInputTest *w = openTest(model, true);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), caption);
        QCOMPARE(w->inputs(), inputs);
        QVERIFY(!page->isEnabled());
        // DI.0 high, the last input's counter at its top; then the last input goes high.
        QTRY_COMPARE(w->counterEdit(inputs - 1)->text(), QString("65535"));
        QTRY_COMPARE(w->stateGroup(0)->itemIndex(), 1);
        QCOMPARE(w->stateGroup(1)->itemIndex(), 0);
        rig->io().setInputs(quint8(0x01 | (1u << (inputs - 1))));
        QTRY_COMPARE(w->stateGroup(inputs - 1)->itemIndex(), 1);

        // Every cycle: the identification, the states, the counters; nothing else.
        QPointer<QWidget> window(w);
        page->markChanged(false);
        w->close();
        QVERIFY(w->poller()->isFinished());
        const QStringList r = rig->requests();
        QVERIFY(r.size() >= 6);
        const QStringList cycle = {"255/4/0001x8", "255/3/0000x1", "255/3/0008x8"};
        for (int i = 0; i < r.size(); ++i)
            QCOMPARE(r[i], cycle[i % 3]);
        QTRY_VERIFY(window.isNull());
        QVERIFY(page->isEnabled());
        QVERIFY(page->isChanged());
        QVERIFY(!page->testWindow());
    }

    // A failed poll: its message once, and the window closes 100 ms later by its timer.
    void failedPollClosesTheWindow()
    {
        QVERIFY(rig->start("E-HB2"));
        TDigitalInputTest *w = openTest("E-HB2");
        QVERIFY(w);
        QPointer<QWidget> window(w);
        QTRY_VERIFY(rig->received() >= 3);
        rig->device->setIdentification(sim::kClassicIdentification, "E-HB5/HN9");
        QTRY_VERIFY(window.isNull());
        QCOMPARE(rig->prompts.texts(),
                 QStringList{"Zařízení, které máte připojeno, není vámi zvolená komponenta"});
        QCOMPARE(rig->prompts.lastCaption(), QString("Chyba"));
        QVERIFY(page->isEnabled());
    }

    // Closing the page while a failed poll's box waits for its answer: the page (and its
    // test) close once the box is answered, the close is not lost.
    void pageClosedDuringTheFailureBox()
    {
        QVERIFY(rig->start("E-HB2"));
        TDigitalInputTest *w = openTest("E-HB2");
        QVERIFY(w);
        QPointer<QWidget> window(w);
        QPointer<TDigitalIoPage> guard(page.release());
        bool accepted = true;
        rig->prompts.setOnPrompt([&](const ScriptedPrompts::Record &) {
            QCloseEvent close;
            QApplication::sendEvent(guard.data(), &close);
            accepted = close.isAccepted();
        });
        QTRY_VERIFY(rig->received() >= 3);
        rig->device->setIdentification(sim::kClassicIdentification, "E-HB5/HN9");
        QTRY_COMPARE(rig->prompts.count(), 1);
        rig->prompts.setOnPrompt({});
        QVERIFY(!accepted);
        QTRY_VERIFY(window.isNull());
        QTRY_VERIFY(guard.isNull());
        QCOMPARE(rig->shell.closedPages, 1);
    }

    // Every close request closes the window, whenever in the poll it comes: sent to the
    // window as the window system does, posted (so the poll's next hand-over queues behind
    // it), by close() from a timer, or by its window's own close().
    void everyCloseRequestCloses_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("how");
        for (const char *how : {"sent", "posted", "timer", "window"})
            QTest::newRow(qPrintable(QString("E-HB2 ") + how)) << "E-HB2" << how;
        QTest::newRow("E-HB5/HN9 posted") << "E-HB5/HN9"
                                          << "posted";
    }
    void everyCloseRequestCloses()
    {
        QFETCH(QString, model);
        QFETCH(QString, how);
        QVERIFY(rig->start(model));
        page = makeDigitalPage(model);
        page->show();
        rig->shell.page = page.get();
        // A close that waits for a hand-over nobody serves is ended here, and counted.
        int rescued = 0;
        QTimer rescue;
        rescue.setInterval(5000);
        connect(&rescue, &QTimer::timeout, this, [&] {
            ++rescued;
            QCoreApplication::sendPostedEvents();
        });
        QRandomGenerator random(20251);
        const QString button = model == "E-HB2" ? "c7TestInButton" : "c9TestInButton";
        for (int round = 0; round < 30; ++round) {
            page->findChild<QPushButton *>(button)->click();
            QPointer<TInputTestForm> w(qobject_cast<TInputTestForm *>(page->testWindow()));
            QVERIFY(w);
            const int polled = rig->received();
            QTRY_VERIFY(rig->received() > polled);
            QTest::qWait(int(random.bounded(20)));
            TInputTestPoll *poll = w->poller();
            rescue.start();
            if (how == "sent") {
                QCloseEvent close;
                QApplication::sendEvent(w, &close);
                QVERIFY(close.isAccepted());
                QVERIFY(poll->isFinished());
            } else {
                if (how == "posted")
                    QCoreApplication::postEvent(w, new QCloseEvent);
                else if (how == "timer")
                    QTimer::singleShot(0, w, [w] { w->close(); });
                else
                    QVERIFY(w->windowHandle()->close());
                // The poll goes on meanwhile: its next hand-over may queue behind the close.
                QThread::msleep(random.bounded(30));
            }
            QTRY_VERIFY2(w.isNull(), qPrintable(QString("round %1").arg(round)));
            rescue.stop();
            QVERIFY(page->isEnabled());
            QVERIFY(!page->testWindow());
        }
        QCOMPARE(rescued, 0);
        QCOMPARE(rig->prompts.count(), 0);
    }

    // Closing while a poll waits for a module that has gone silent: the window waits for its
    // thread, and the failure that follows the stop shows no box and starts no timer. Closing
    // the page closes its input test first.
    void closingWhileAPollIsOnTheLine()
    {
        QVERIFY(rig->start("E-HB5/HN9"));
        TDigitalInputTest *w = openTest("E-HB5/HN9");
        QVERIFY(w);
        QTRY_VERIFY(rig->received() >= 3);
        sim::Faults silent;
        silent.silent = true;
        rig->server->setFaults(silent);
        const int before = rig->received();
        QTRY_VERIFY(rig->received() > before);
        w->close();
        QVERIFY(w->poller()->isFinished());
        QVERIFY(!w->Timer1->isActive());
        QCOMPARE(rig->prompts.count(), 0);
        QVERIFY(page->isEnabled());

        rig->server->setFaults(sim::Faults());
        auto *hb5 = static_cast<TcForm9 *>(page.get());
        hb5->testInButton()->click();
        QPointer<QWidget> again(page->testWindow());
        QVERIFY(again);
        QTRY_VERIFY(rig->received() >= before + 4);
        QPointer<TDigitalIoPage> guard(page.release());
        guard->close();
        QVERIFY(again.isNull() || !again->isVisible());
        QTRY_VERIFY(guard.isNull());
        QTRY_VERIFY(again.isNull());
        QCOMPARE(rig->shell.closedPages, 1);
    }
};

QTEST_MAIN(InputTestsTest)
#include "tst_input_tests.moc"
