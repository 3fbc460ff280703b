// Live window and reader thread against the simulator: counters, commands between polls,
// pauses after failures, minimise and restore, closing, poll rate on a wire-timed line.

#include "FrameworkFixture.h"
#include "link/Messages.h"
#include "pages/framework/TrendPlot.h"
#include "platform/Profile.h"
#include "tests/support/ScriptedPrompts.h"

#include <QAction>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QPushButton>
#include <QToolTip>
#include <QtTest>
#include <limits>

using Kind = ScriptedPrompts::Kind;

class LiveTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<FrameworkRig> rig;
    WorkingDir *dir = nullptr;
    TestShell *shell = nullptr;
    ScriptedPrompts *prompts = nullptr;
    sim::Device *device = nullptr;
    sim::Server *server = nullptr;

    TestLive *openLive(TestPage &page)
    {
        shell->page = &page;
        page.show();
        page.mmLoadExtraClick();
        return static_cast<TestLive *>(page.liveWindow());
    }
    static int startOf(const sim::Frame &f)
    {
        return (quint8(f.bytes[2]) << 8) | quint8(f.bytes[3]);
    }
    static bool isPoll(const sim::Frame &f) { return quint8(f.bytes[1]) == 3 && startOf(f) == 0; }
    int polls() const
    {
        int n = 0;
        for (const auto &f : server->frames())
            n += isPoll(f);
        return n;
    }
    static int shown(QLabel *label) { return label->text().toInt(); }

private slots:
    void init()
    {
        rig = std::make_unique<FrameworkRig>();
        QVERIFY(rig->start());
        dir = &rig->dir;
        shell = &rig->shell;
        prompts = &rig->prompts;
        device = rig->device.get();
        server = rig->server.get();
    }
    void cleanup() { rig.reset(); }

    void opensPollsAndRunsGetBetweenPolls()
    {
        TestPage page(false);
        page.move(100, 80);
        TestLive *live = openLive(page);
        QVERIFY(live);
        QVERIFY(page.menuItem("mmLoadExtra")->isChecked());
        QCOMPARE(page.panelText(2), QString("Spouštím načítání provozních dat"));
        QCOMPARE(live->windowTitle(), QString("Provozní data"));
        QCOMPARE(live->width(), 242);
        QCOMPARE(live->x(), page.x() + page.width() - 242 - 2);
        QCOMPARE(live->y(), page.y() + 28);
        QTRY_VERIFY(shown(live->counterLabel(1)) >= 3);
        QCOMPARE(live->memo->text(), QString("21,5"));
        device->setHolding(0x0000, quint16(-35));
        QTRY_COMPARE(live->memo->text(), QString("-3,5"));

        // Get: handed to the reader, run between two polls.
        device->setHolding(0x2020, 77);
        page.getButtonClick();
        QTRY_COMPARE(page.panelText(2), QString("Operace proběhla OK"));
        QCOMPARE(page.pa->position(), 77);
        const auto frames = server->frames();
        int first = -1, last = -1;
        for (int i = 0; i < frames.size(); ++i) {
            if (quint8(frames[i].bytes[1]) == 3 && startOf(frames[i]) == 0x2001 && first < 0)
                first = i - 1; // its identification read comes just before
            if (quint8(frames[i].bytes[1]) == 3 && startOf(frames[i]) == 0x2020)
                last = i;
        }
        QVERIFY(first >= 0 && last > first);
        QCOMPARE(quint8(frames[first].bytes[1]), quint8(4));
        for (int i = first; i <= last; ++i)
            QVERIFY2(!isPoll(frames[i]), "a poll ran inside the page's read");

        // Send and the page's extra command go the same way.
        page.text->setText("Live");
        page.sendButtonClick();
        QTRY_COMPARE(device->holding(0x2001), quint16(0x4C69));
        QTRY_COMPARE(page.panelText(2), QString("Operace proběhla OK"));
        live->reader()->handOver(3);
        QTRY_COMPARE(page.extraRuns, 1);
        QCOMPARE(prompts->count(), 0);

        // After the reader has ended, the read count is exactly the number of polls: the
        // page's own read and write did not count.
        QPointer<TExtraForm> guard(live);
        const QPoint livePos = live->pos();
        page.mmLoadExtraClick();
        QVERIFY(!page.liveWindow());
        // A loaded machine may let one reply miss its 60 ms time-out; such a poll counts
        // as an error, never as a read.
        const int reads = shown(live->counterLabel(1));
        const int errors = shown(live->counterLabel(3));
        QVERIFY2(errors <= 1, qPrintable(QString::number(errors)));
        QVERIFY2(reads <= polls() && reads >= polls() - errors,
                 qPrintable(QString("%1 reads, %2 polls").arg(reads).arg(polls())));
        QCOMPARE(page.panelText(2), QString("Ukončuji načítání provozních dat"));
        QVERIFY(!page.menuItem("mmLoadExtra")->isChecked());
        QTRY_VERIFY(guard.isNull());
        const Profile positions(dir->file("windowPosition.ini"));
        QCOMPARE(positions.readInteger("c20extraForm", "Left", -1), livePos.x());
        QCOMPARE(positions.readInteger("c20extraForm", "Top", -1), livePos.y());
    }

    void silenceCountsErrorsEvery550msWithoutBoxes()
    {
        sim::Faults f;
        f.silent = true;
        // How long one unanswered identification read takes on this line (measured before
        // the reader runs: exchanges must not overlap).
        server->setFaults(f);
        QElapsedTimer exchange;
        {
            TTransmit t(*shell);
            QString id;
            exchange.start();
            QCOMPARE(t.readIdentification(id).error, int(ErrNoReply));
        }
        const qint64 timeoutMs = exchange.elapsed();
        server->setFaults(sim::Faults());

        TestPage page(false);
        TestLive *live = openLive(page);
        QTRY_VERIFY(shown(live->counterLabel(1)) >= 2);
        // The cycle under way when the device falls silent may have sent its requests
        // already: measure only from its error on, while the reader waits its 550 ms.
        const int before = live->reader()->errorCount();
        server->setFaults(f);
        QTRY_VERIFY_WITH_TIMEOUT(live->reader()->errorCount() > before, 5000);
        server->clearLog();
        const int reads = live->reader()->readCount();
        const int errors = live->reader()->errorCount();
        QTRY_VERIFY_WITH_TIMEOUT(live->reader()->errorCount() >= errors + 3, 15000);
        // Requests of a silent device: each cycle's identification read, 550 ms after the
        // previous one failed.
        const auto frames = server->frames();
        QList<qint64> starts;
        for (const auto &fr : frames)
            if (quint8(fr.bytes[1]) == 4)
                starts << fr.timeUs;
        QVERIFY(starts.size() >= 3);
        // A loaded machine only stretches a gap, and may have stretched the measured time-out
        // too: no gap may be shorter than the pause and the 21 waits of 60 ms, and the
        // shortest one must be close to the pause and the time-out as measured (a pause
        // taken twice would not be).
        const qint64 shortest = 550 + qMin<qint64>(timeoutMs, 21 * 60) - 50;
        QStringList gaps;
        qint64 smallest = std::numeric_limits<qint64>::max();
        for (int i = 1; i < starts.size(); ++i) {
            const qint64 gapMs = (starts[i] - starts[i - 1]) / 1000;
            gaps << QString::number(gapMs);
            smallest = qMin(smallest, gapMs);
            QVERIFY2(gapMs >= shortest,
                     qPrintable(QString("gap %1 ms, time-out %2 ms").arg(gapMs).arg(timeoutMs)));
        }
        QVERIFY2(smallest <= 550 + timeoutMs + 500,
                 qPrintable(QString("gaps %1 ms, time-out %2 ms").arg(gaps.join(' ')).arg(timeoutMs)));
        qInfo("silent device: error cycle gaps %s ms (time-out of the exchange %lld ms)",
              qPrintable(gaps.join(' ')), timeoutMs);
        QCOMPARE(prompts->count(), 0);
        QCOMPARE(live->reader()->readCount(), reads);

        // Back online: the read count goes on.
        server->setFaults(sim::Faults());
        QTRY_VERIFY_WITH_TIMEOUT(live->reader()->readCount() > reads + 2, 10000);

        // The error counter label: hover text and reset by click; the read count stays.
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(live->counterLabel(2), &enter);
        QCOMPARE(live->counterLabel(2)->text(), QString("Nulovat chyby"));
        QCOMPARE(live->counterLabel(2)->cursor().shape(), Qt::PointingHandCursor);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(live->counterLabel(2), &leave);
        QCOMPARE(live->counterLabel(2)->text(), QString("Chybová čtení"));
        QTest::mouseClick(live->counterLabel(2), Qt::LeftButton);
        QCOMPARE(live->counterLabel(3)->text(), QString("0"));
        QCOMPARE(live->reader()->errorCount(), 0);
        QTRY_VERIFY(shown(live->counterLabel(1)) > reads + 2);
        QCOMPARE(live->counterLabel(3)->text(), QString("0"));
    }

    void minimiseHidesAndRestoreContinues()
    {
        TestPage page(false);
        TestLive *live = openLive(page);
        QTRY_VERIFY(shown(live->counterLabel(1)) >= 3);
        page.setWindowState(Qt::WindowMinimized);
        QVERIFY(page.isMinimisedFlag());
        QTRY_VERIFY(live->isHidden());
        QTRY_VERIFY(live->reader()->isPaused());
        const int stopped = live->reader()->readCount();
        QTest::qWait(300);
        QCOMPARE(live->reader()->readCount(), stopped);
        page.setWindowState(Qt::WindowNoState);
        QVERIFY(!page.isMinimisedFlag());
        QVERIFY(live->isVisible());
        QTRY_VERIFY(shown(live->counterLabel(1)) > stopped);
        QVERIFY(live->reader()->readCount() <= stopped + 50);

        // Restored before the reader saw the command: the window stays shown and the
        // reader goes on.
        page.setWindowState(Qt::WindowMinimized);
        page.setWindowState(Qt::WindowNoState);
        const int now = live->reader()->readCount();
        QTRY_VERIFY(live->reader()->readCount() > now + 3);
        QVERIFY(live->isVisible());

        // Closing the window while the page is minimised ends the reader cleanly.
        page.setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(live->reader()->isPaused());
        QPointer<TExtraForm> guard(live);
        QElapsedTimer t;
        t.start();
        page.closeLiveWindow();
        QVERIFY(t.elapsed() < 3000);
        QVERIFY(!page.liveWindow());
        QTRY_VERIFY(guard.isNull());
    }

    void closingThePageClosesTheLiveWindowFirst()
    {
        auto *page = new TestPage(false);
        QPointer<TestPage> pageGuard(page);
        TestLive *live = openLive(*page);
        QPointer<TExtraForm> liveGuard(live);
        QTRY_VERIFY(shown(live->counterLabel(1)) >= 2);
        page->close();
        QVERIFY(!page->liveWindow());
        QCOMPARE(page->panelText(2), QString("Ukončuji načítání provozních dat"));
        const Profile positions(dir->file("windowPosition.ini"));
        QVERIFY(positions.sectionExists("c20extraForm"));
        QVERIFY(positions.sectionExists("cForm20"));
        QCOMPARE(shell->closedPages, 1);
        QTRY_VERIFY(pageGuard.isNull());
        QTRY_VERIFY(liveGuard.isNull());
    }

    void afterStartOpensTheWindow()
    {
        {
            Profile positions(dir->file("windowPosition.ini"));
            positions.writeBool("c20extraForm", "AfterStart", true);
            positions.writeInteger("c20extraForm", "Left", 11);
            positions.writeInteger("c20extraForm", "Top", 22);
        }
        TestPage page(false);
        shell->page = &page;
        page.show();
        QVERIFY(page.menuItem("mmOpenAfterStart")->isChecked());
        QVERIFY(page.liveWindow());
        QCOMPARE(page.liveWindow()->pos(), QPoint(11, 22));
        QTRY_VERIFY(page.liveWindow()->reader()->readCount() >= 1);
        page.closeLiveWindow();
    }

    void pageOperationsAndWriteRequests()
    {
        TestPage page(false);
        TestLive *live = openLive(page);
        TestReader *reader = live->testReader();
        QTRY_VERIFY(reader->readCount() >= 2);

        // Commands 3 and 7: the page's operations, on the user-interface thread, 7 with
        // its argument; two in a row each with its own.
        reader->handOver(7, 0xA5);
        QTRY_COMPARE(page.arguments.size(), size_t(1));
        reader->handOver(3);
        QTRY_COMPARE(page.extraRuns, 1);
        reader->handOver(7, 0);
        QTRY_COMPARE(page.arguments.size(), size_t(2));
        QCOMPARE(page.arguments, (std::vector<int>{0xA5, 0}));
        QCOMPARE(page.extraOffUi, 0);

        // A write request goes to the device from the reader thread in the next cycle.
        reader->request = 66;
        QTRY_COMPARE(device->holding(0x2020), quint16(66));
        // The device stores the value before its reply reaches the reader.
        QTRY_COMPARE(reader->writes.load(), 1);
        QCOMPARE(reader->writesOnUi.load(), 0);

        // A failed write fails its cycle: one error, the pause, then polling goes on.
        const int reads = reader->readCount();
        const int errors = reader->errorCount();
        reader->failNextWrite = true;
        QTRY_VERIFY(reader->errorCount() >= errors + 1);
        QTRY_VERIFY(shown(live->counterLabel(3)) >= errors + 1);
        QTRY_VERIFY_WITH_TIMEOUT(reader->readCount() > reads + 3, 5000);
        QCOMPARE(prompts->count(), 0);
        page.closeLiveWindow();
    }

    // Commands handed over in a burst (a coil click during a write-all) are all carried
    // out, in order, none overwriting another.
    // A read or write handed to the reader behind a running poll tells its caller the final
    // outcome once it has run, once; one the reader never gets to is told Cancelled.
    void queuedCommandsTellTheirOutcome_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("error");
        const int done = int(Outcome::Kind::Done), failed = int(Outcome::Kind::Failed);
        QTest::newRow("send") << "send"
                              << "" << done << 0;
        QTest::newRow("send, refused register") << "send"
                                                << "exception" << failed << 3;
        QTest::newRow("get") << "get"
                             << "" << done << 0;
        QTest::newRow("get, another model") << "get"
                                            << "ZK" << failed << int(ErrWrongDevice);
        QTest::newRow("send, reader stopped first")
            << "send"
            << "stopped" << int(Outcome::Kind::Cancelled) << -1;
    }
    void queuedCommandsTellTheirOutcome()
    {
        QFETCH(QString, command);
        QFETCH(QString, fault);
        QFETCH(int, kind);
        QFETCH(int, error);
        TestPage page(false);
        TestLive *live = openLive(page);
        QVERIFY(live);
        QTRY_VERIFY(live->reader()->readCount() > 0);
        if (fault == "exception")
            server->setException(sim::Table::Holding, 0x2020, 0x2021, 2, true);
        if (fault == "stopped") {
            live->reader()->suspendAfterCommands();
            QTRY_VERIFY(live->reader()->isPaused());
        }
        std::vector<Outcome> heard;
        const OutcomeCallback hear = [&heard](const Outcome &o) { heard.push_back(o); };
        const Outcome now =
            command == "send" ? page.sendButtonClick(hear) : page.getButtonClick(hear);
        QCOMPARE(int(now.kind), int(Outcome::Kind::Queued));
        QVERIFY(heard.empty());
        if (fault == "ZK")
            device->setIdentification(sim::kClassicIdentification, "ZK");
        if (fault == "stopped") {
            live->reader()->requestStop();
            page.mmLoadExtraClick();
            QVERIFY(!page.liveWindow());
        }
        QTRY_COMPARE_WITH_TIMEOUT(heard.size(), size_t(1), 5000);
        const Outcome &o = heard.front();
        QCOMPARE(int(o.kind), kind);
        QCOMPARE(o.error, error);
        if (o.kind == Outcome::Kind::Failed)
            QCOMPARE(o.message, message(error));
        const std::vector<RegisterSpan> blocks = {{0x2001, 15}, {0x2020, 2}};
        QVERIFY(o.verified == (command == "send" && o.ok() ? blocks : std::vector<RegisterSpan>{}));
        if (fault == "stopped")
            QCOMPARE(device->holding(0x2020), quint16(40)); // nothing went out
        // Told once: further polls and commands add nothing.
        if (page.liveWindow()) {
            live->reader()->handOver(3);
            QTRY_COMPARE(page.extraRuns, 1);
        }
        QCOMPARE(heard.size(), size_t(1));
    }

    void commandsQueueInOrder()
    {
        struct LoggingPage : TestPage {
            QStringList log;
            Outcome writeAll() override
            {
                log << "write";
                return TestPage::writeAll();
            }
            void extraOperation() override { log << "extra"; }
            void extraOperationWithArgument(quint8 argument) override
            {
                log << QString("coil %1").arg(argument);
            }
        } page;
        TestLive *live = openLive(page);
        QTRY_VERIFY(live->testReader()->readCount() >= 2);
        TestReader *reader = live->testReader();
        reader->handOver(2);
        reader->handOver(7, 1);
        reader->handOver(7, 0);
        reader->handOver(3);
        QTRY_COMPARE(page.log, (QStringList{"write", "coil 1", "coil 0", "extra"}));
        // The reader takes a command off the queue only once its hand-over has returned.
        QTRY_COMPARE(reader->pendingCommands(), 0);
        QCOMPARE(page.panelText(2), QString("Operace proběhla OK"));
        // Closing with a command still queued carries it out before the reader ends.
        reader->handOver(7, 5);
        page.closeLiveWindow();
        QCOMPARE(page.log.last(), QString("coil 5"));
    }

    // Page code that throws inside a hand-over ends that operation with its error box; the
    // reader goes on polling and the window still closes.
    void throwInAHandOver_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("box");
        const QString internal = "Vnitřní chyba programu";
        QTest::newRow("extra operation") << "extra" << internal;
        QTest::newRow("page error") << "argument" << message(5);
        QTest::newRow("showValues") << "show" << internal;
        QTest::newRow("settle step of a Get") << "settle" << internal;
    }
    void throwInAHandOver()
    {
        QFETCH(QString, where);
        QFETCH(QString, box);
        struct ProbePage : TestPage {
            void extraOperation() override { throw std::runtime_error("probe"); }
            void extraOperationWithArgument(quint8 argument) override { throw PageError(argument); }
            void settleAfterRead(bool) override
            {
                if (throwOnSettle)
                    throw std::logic_error("probe");
            }
            bool throwOnSettle = false;
        } page;
        TestLive *live = openLive(page);
        TestReader *reader = live->testReader();
        QTRY_VERIFY(reader->readCount() >= 2);
        if (where == "extra")
            reader->handOver(3);
        else if (where == "argument")
            reader->handOver(7, 5);
        else if (where == "show")
            reader->throwOnShow = true;
        else {
            page.throwOnSettle = true;
            page.getButtonClick();
        }
        QTRY_COMPARE(prompts->count(Kind::Message), 1);
        QCOMPARE(prompts->lastText(), box);
        QCOMPARE(prompts->lastCaption(), QString("Chyba"));
        const int reads = reader->readCount();
        QTRY_VERIFY(reader->readCount() > reads + 2);
        QCOMPARE(reader->pendingCommands(), 0);
        QVERIFY(!shell->dialog.isVisible());
        QVERIFY(page.isEnabled());
        QVERIFY(!page.busy());
        QPointer<TExtraForm> guard(live);
        QElapsedTimer closing;
        closing.start();
        live->close();
        QVERIFY(!page.liveWindow());
        QVERIFY(closing.elapsed() < 5000);
        QTRY_VERIFY(guard.isNull());
    }

    // A Get or Send still queued for the reader when the page is asked to close runs first,
    // with the page still there; then the page closes (its question asking about the read).
    void queuedCommandRunsBeforeThePageCloses_data()
    {
        QTest::addColumn<bool>("send");
        QTest::newRow("Get") << false;
        QTest::newRow("Send") << true;
    }
    void queuedCommandRunsBeforeThePageCloses()
    {
        QFETCH(bool, send);
        // What the page saw when its operation ran (kept outside: the page goes).
        struct Seen {
            int closedPages = -1;
            bool shown = false;
        } seen;
        struct WatchedPage : TestPage {
            TestShell *shell = nullptr;
            Seen *seen = nullptr;
            void note()
            {
                seen->closedPages = shell->closedPages;
                seen->shown = isVisible();
            }
            Outcome readAll() override
            {
                note();
                return TestPage::readAll();
            }
            Outcome writeAll() override
            {
                note();
                return TestPage::writeAll();
            }
        };
        auto *page = new WatchedPage;
        page->shell = shell;
        page->seen = &seen;
        QPointer<WatchedPage> guard(page);
        TestLive *live = openLive(*page);
        QTRY_VERIFY(live->testReader()->readCount() >= 2);
        page->markChanged(false);
        device->setHolding(0x2020, 66);
        // A write the page refuses: its error box must come while the page is there.
        if (send)
            page->addr->setCurrentIndex(-1);
        page->markChanged(false);
        prompts->planAnswer(PromptAnswer::No);
        (send ? page->sendButton() : page->getButton())->click();
        page->close();
        QTRY_VERIFY(guard.isNull());
        QCOMPARE(seen.closedPages, 0);
        QVERIFY(seen.shown);
        QCOMPARE(shell->closedPages, 1);
        if (send) {
            QCOMPARE(prompts->texts(), QStringList{"Všechna pole musí být korektně vyplněna"});
            QCOMPARE(prompts->count(Kind::Question), 0);
        } else {
            QCOMPARE(prompts->count(Kind::Message), 0);
            QCOMPARE(prompts->count(Kind::Question), 1); // the read changed a field
        }
    }

    // The poller base on its own (the input tests use it): every hand-over is served while
    // joining, and a failure that comes once the stop was asked for shows nothing.
    void pollerBase()
    {
        struct Poll : TPoller {
            using TPoller::TPoller;
            std::atomic<int> cycles{0};
            int shown = 0, boxes = 0;
            void run() override
            {
                while (!stopping()) {
                    try {
                        checkIdentification({QStringLiteral("T4yJ")});
                        readRegisters(0x0000, 1);
                        ++cycles;
                        onUiThread([this] { ++shown; });
                    } catch (const PageError &) {
                        if (!stopping())
                            onUiThread([this] { ++boxes; });
                        return;
                    }
                }
            }
        };
        QWidget context;
        {
            Poll poll(context);
            poll.start();
            QTRY_VERIFY(poll.cycles >= 3);
            poll.stopAndJoin();
            QVERIFY(poll.isFinished());
            QCOMPARE(poll.shown, poll.cycles.load());
        }
        sim::Faults silent;
        silent.silent = true;
        server->setFaults(silent);
        {
            Poll failing(context);
            failing.start();
            QTRY_VERIFY_WITH_TIMEOUT(failing.isFinished(), 5000);
            QCOMPARE(failing.boxes, 1);
        }
        {
            Poll stopped(context);
            stopped.start();
            stopped.stopAndJoin();
            QCOMPARE(stopped.boxes, 0);
            QCOMPARE(stopped.shown, 0);
        }
    }

    // A join entered from a posted event (a close deferred with whenIdle, a close by a timer)
    // serves the hand-over the poller queued behind that event: the event dispatcher does not
    // hand such an event to a loop nested inside the delivery.
    void joinInsideAPostedEventServesTheHandOver()
    {
        struct Poll : TPoller {
            using TPoller::TPoller;
            std::atomic<bool> handing{false};
            int shown = 0;
            void run() override
            {
                handing = true;
                onUiThread([this] { ++shown; });
            }
        };
        QWidget context;
        Poll poll(context);
        bool joined = false;
        bool rescued = false;
        QTimer rescue; // ends a join that would otherwise wait for ever
        rescue.setSingleShot(true);
        connect(&rescue, &QTimer::timeout, this, [&] {
            rescued = true;
            QCoreApplication::sendPostedEvents();
        });
        QMetaObject::invokeMethod(
            &context,
            [&] {
                rescue.start(3000);
                poll.stopAndJoin();
                joined = true;
            },
            Qt::QueuedConnection);
        poll.start();
        while (!poll.handing)
            QThread::msleep(1);
        QThread::msleep(50); // its hand-over is now posted, behind the join's event
        QTRY_VERIFY_WITH_TIMEOUT(joined, 10000);
        QVERIFY(!rescued);
        QCOMPARE(poll.shown, 1);
        QVERIFY(poll.isFinished());
    }

    // Hints of the live window stay 12 s (longer than the toolkit's 10 s), also while the
    // page's own hints are switched off.
    void liveWindowHintsStayTwelveSeconds()
    {
        TestPage page(false);
        TestLive *live = openLive(page);
        page.mmShowHintClick();
        QVERIFY(!page.hintsOn());
        live->memo->setToolTip(QStringLiteral("Měřená teplota"));
        // After the window has taken the focus: an activation would hide the hint.
        QVERIFY(QTest::qWaitForWindowActive(live));
        QTest::qWait(100);
        const QPoint at = live->memo->mapToGlobal(QPoint(2, 2));
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), at);
        QApplication::sendEvent(live->memo, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QString("Měřená teplota"));
        QTest::qWait(10600);
        QVERIFY(QToolTip::isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), 3000);
        page.closeLiveWindow();
    }

    // The poll rate against a device that answers at 19200 Bd wire speed. The cycle time is
    // the median distance between two identification requests on the line, so a load spike
    // on the shared machine (a late byte, one failed cycle) does not decide the result.
    void pollRateOnAWireTimedLine()
    {
#ifdef __SANITIZE_THREAD__
        QSKIP("rates under ThreadSanitizer are not the line's");
#endif
        auto medianCycleUs = [this] {
            QList<qint64> starts, gaps;
            for (const auto &fr : server->frames())
                if (quint8(fr.bytes[1]) == 4)
                    starts << fr.timeUs;
            for (int i = 1; i < starts.size(); ++i)
                gaps << starts[i] - starts[i - 1];
            std::sort(gaps.begin(), gaps.end());
            return gaps.isEmpty() ? 0.0 : double(gaps[gaps.size() / 2]);
        };
        // One cycle: identification 8 + 21 bytes, poll 8 + 7 bytes.
        const double wireUs = 44 * sim::kCharMicros;
        sim::Faults f;
        f.wireTiming = true;
        server->setFaults(f);
        // A loaded machine delays the hand-overs to this thread now and then; a wait built
        // into the cycle shows in every try. So the best of three tries counts.
        QString verdict;
        for (int attempt = 1; attempt <= 3; ++attempt) {
            TestPage page(false);
            TestLive *live = openLive(page);
            QTRY_VERIFY(live->reader()->readCount() >= 2);
            server->clearLog();
            const int r0 = live->reader()->readCount();
            QElapsedTimer t;
            t.start();
            // A plain event loop: QTest::qWait sleeps 10 ms between its rounds of events,
            // which would delay every hand-over of the reader.
            QEventLoop loop;
            QTimer::singleShot(3000, &loop, &QEventLoop::quit);
            loop.exec();
            const double overall = (live->reader()->readCount() - r0) / (t.elapsed() / 1000.0);
            const double readerUs = medianCycleUs();
            const int failed = live->reader()->errorCount();
            QVERIFY(live->trend() && live->trend()->isVisible());
            // The same with the trend hidden: drawing it must not slow the polls.
            live->setTrendShown(false);
            server->clearLog();
            QTimer::singleShot(3000, &loop, &QEventLoop::quit);
            loop.exec();
            const double withoutTrendUs = medianCycleUs();
            page.closeLiveWindow();

            // The same exchanges without the reader: what the link itself reaches.
            server->clearLog();
            {
                TTransmit tr(*shell);
                QElapsedTimer d;
                d.start();
                while (d.elapsed() < 2000) {
                    QString id;
                    tr.readIdentification(id);
                    tr.clear();
                    tr.setFunction(3);
                    tr.setStart(0);
                    tr.setCount(1);
                    QVERIFY(tr.buildRequest());
                    tr.transact();
                }
            }
            const double linkUs = medianCycleUs();
            qInfo("try %d: median poll cycle with the trend shown %.3f ms, hidden %.3f ms "
                  "(%+.2f %%); wire allows %.1f cycles/s; reader ratio %.3f (%.1f cycles/s "
                  "overall, %d failed); link alone: median cycle %.1f ms, ratio %.3f",
                  attempt, readerUs / 1000, withoutTrendUs / 1000,
                  100.0 * (readerUs - withoutTrendUs) / withoutTrendUs, 1e6 / wireUs,
                  wireUs / readerUs, overall, failed, linkUs / 1000, wireUs / linkUs);
            QVERIFY(readerUs > 0 && linkUs > 0 && withoutTrendUs > 0);
            // Loose bounds: the figures above are the bench's; a loaded machine stretches the
            // cycles, but not by a whole extra wait in every cycle (15 ms makes a 23 ms cycle
            // 38).
            verdict.clear();
            if (readerUs >= withoutTrendUs * 1.35)
                verdict = QStringLiteral("the trend slows the polls");
            else if (wireUs / readerUs < 0.6)
                verdict = QStringLiteral("reader ratio %1").arg(wireUs / readerUs);
            else if (readerUs > linkUs * 1.5 + 2000)
                verdict = QStringLiteral("reader %1 us, link %2 us").arg(readerUs).arg(linkUs);
            if (verdict.isEmpty())
                break;
        }
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
    }
};

QTEST_MAIN(LiveTest)
#include "tst_live.moc"
