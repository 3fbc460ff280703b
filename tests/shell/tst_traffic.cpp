// The traffic monitor: every request and reply of the exchanges as they happen, from the
// user-interface thread and a reader thread alike; errors marked with their message; pause,
// clear, copy, save; the last 10,000 frames only; nothing recorded while it is closed.

#include "ShellFixture.h"
#include "link/Messages.h"
#include "link/TTransmit.h"
#include "link/Traffic.h"
#include "shell/TrafficMonitor.h"
#include "tests/support/PtyPortOwner.h"

#include <QApplication>
#include <QClipboard>
#include <QTableWidget>
#include <thread>

class TrafficTest : public QObject
{
    Q_OBJECT

    static QString cell(TTrafficMonitor &m, int row, int column)
    {
        const QTableWidgetItem *item = m.table()->item(row, column);
        return item ? item->text() : QString();
    }
    static TransmitResult readBlock(TTransmit &t)
    {
        t.clear();
        t.setFunction(3);
        t.setStart(0x0001);
        t.setCount(2);
        t.buildRequest();
        return t.transact(nullptr);
    }

private slots:
    void showsEveryExchangeFromEveryThread()
    {
        WorkingDir dir;
        ScriptedPrompts prompts;
        auto server = startDevice("T4yJ");
        QVERIFY(server);
        server->device()->setValues(sim::Table::Holding, 0x0001, {0x5434, 0x794A});
        PtyPortOwner owner(server->path());
        TTransmit t(owner);
        QCOMPARE(readBlock(t).error, 0); // before the monitor: not recorded

        TTrafficMonitor monitor;
        monitor.show();
        QVERIFY(Traffic::recording());
        QCOMPARE(readBlock(t).error, 0);
        TransmitResult threaded;
        std::thread reader([&] {
            TTransmit other(owner);
            QString ident;
            threaded = other.readIdentification(ident);
        });
        reader.join();
        QCOMPARE(threaded.error, 0);
        sim::Faults silent;
        silent.silent = true;
        server->setFaults(silent);
        QCOMPARE(readBlock(t).error, int(ErrNoReply));
        monitor.refresh();

        QCOMPARE(monitor.table()->rowCount(), 6);
        QCOMPARE(cell(monitor, 0, 1), QString("požadavek"));
        QCOMPARE(cell(monitor, 0, 2), QString("255"));
        QCOMPARE(cell(monitor, 0, 3), QString("3 čtení registrů"));
        QCOMPARE(cell(monitor, 0, 5), QString("FF 03 00 01 00 02 80 15"));
        QCOMPARE(cell(monitor, 1, 1), QString("odpověď"));
        QCOMPARE(cell(monitor, 1, 4), QString("OK"));
        QVERIFY(cell(monitor, 1, 5).startsWith("FF 03 04 54 34 79 4A"));
        QCOMPARE(cell(monitor, 2, 3), QString("4 čtení vstupních registrů"));
        QCOMPARE(cell(monitor, 5, 5), QString("(nic nepřišlo)"));
        QCOMPARE(cell(monitor, 5, 4), "chyba 6: " + message(ErrNoReply));
        QCOMPARE(monitor.table()->item(5, 4)->foreground().color(), QColor(Qt::red));
        QCOMPARE(monitor.table()->item(1, 4)->foreground().color() == QColor(Qt::red), false);
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d$")
                    .match(cell(monitor, 0, 0))
                    .hasMatch());

        // Copy the selected lines, save them all.
        monitor.table()->selectRow(4);
        monitor.copySelection();
        QCOMPARE(QApplication::clipboard()->text().split('\t').value(5), cell(monitor, 4, 5));
        const QString file = dir.file("traffic.txt");
        QVERIFY(monitor.saveTo(file));
        QCOMPARE(QString::fromUtf8(dir.read("traffic.txt")).count('\n'), 6);

        // Paused: nothing new shows until it goes on; then it all shows.
        server->setFaults({});
        monitor.setPaused(true);
        QCOMPARE(readBlock(t).error, 0);
        monitor.refresh();
        QCOMPARE(monitor.table()->rowCount(), 6);
        monitor.setPaused(false);
        QCOMPARE(monitor.table()->rowCount(), 8);
        monitor.clearFrames();
        QCOMPARE(monitor.table()->rowCount(), 0);

        // Closed: nothing is recorded any more.
        monitor.close();
        QVERIFY(!Traffic::recording());
        QCOMPARE(readBlock(t).error, 0);
        quint64 last = 0;
        QVERIFY(Traffic::since(0, &last).empty());
    }

    // A port that does not open lets no request out: one row with the outcome, none that
    // claims a request went out.
    void portThatDoesNotOpen()
    {
        WorkingDir dir;
        Traffic::clear();
        TTrafficMonitor monitor;
        monitor.show();
        PtyPortOwner owner(dir.file("no-such-device"));
        TTransmit t(owner);
        QCOMPARE(readBlock(t).error, int(ErrPortClosed));
        QString ident;
        QCOMPARE(t.readIdentification(ident).error, int(ErrPortClosed));
        monitor.refresh();
        QCOMPARE(monitor.table()->rowCount(), 2);
        for (int row = 0; row < 2; ++row) {
            QCOMPARE(cell(monitor, row, 1), QString("—"));
            QCOMPARE(cell(monitor, row, 2), QString("255"));
            QCOMPARE(cell(monitor, row, 4), "chyba 7: " + message(ErrPortClosed));
            QCOMPARE(cell(monitor, row, 5), QString("(nic neodešlo)"));
        }
        QCOMPARE(cell(monitor, 0, 3), QString("3 čtení registrů"));
        QCOMPARE(cell(monitor, 1, 3), QString("4 čtení vstupních registrů"));
    }

    void keepsTheLastTenThousand()
    {
        Traffic::clear();
        TTrafficMonitor monitor;
        monitor.show();
        const qint64 now = Traffic::nowMs();
        for (int i = 0; i < 5100; ++i)
            Traffic::record(QByteArray(8, char(i)), QByteArray(8, char(i)), 0, now, now);
        monitor.refresh();
        QCOMPARE(monitor.table()->rowCount(), Traffic::kCapacity);
        QCOMPARE(Traffic::since(0).size(), size_t(Traffic::kCapacity));
        // The oldest went first: the first line is the 101st exchange's request.
        QCOMPARE(cell(monitor, 0, 5).left(2), QString("64"));
    }
};

QTEST_MAIN(TrafficTest)
#include "tst_traffic.moc"
