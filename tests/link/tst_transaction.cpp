// Every path of an exchange against the simulator over a real pseudo-terminal: reads and
// writes that land, exception replies, silence, bad CRC, short replies, a port that will not
// open, the function-5 pause, the fixed reads and the port-name table.
#include "link/Messages.h"
#include "link/SerialDevice.h"
#include "link/TSerial.h"
#include "link/TTransmit.h"
#include "platform/Clock.h"
#include "platform/TextError.h"
#include "sim/Sim.h"
#include "tests/support/PtyPortOwner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <thread>

namespace {

class RecordingBar : public TransmitProgress
{
public:
    void setMaximum(int maximum) override { log << QStringLiteral("max%1").arg(maximum); }
    void setPosition(int position) override
    {
        m_position = position;
        log << QStringLiteral("pos%1").arg(position);
    }
    int position() const override { return m_position; }
    void setBarVisible(bool visible) override { log << (visible ? "show" : "hide"); }

    QStringList log;

private:
    int m_position = 0;
};

} // namespace

class TransactionTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readLandsInQueue();
    void writesLand();
    void coilPauseKeepsEventsFlowing();
    void exchangesNeverOverlap();
    void exceptionReplies_data();
    void exceptionReplies();
    void replyFunctionCheck();
    void badCrcLeavesQueueEmpty();
    void shortReply();
    void replyFromAnotherDevice_data();
    void replyFromAnotherDevice();
    void silentDeviceEndsInError6();
    void replyTimeOutStartsOffTheWire_data();
    void replyTimeOutStartsOffTheWire();
    void lateReplyIsReadWhole_data();
    void lateReplyIsReadWhole();
    void portThatWillNotOpen();
    void busyPort();
    void fixedReads();
    void fixedReadFailures();
    void readByteTimesOut();
    void comPortPaths();

private:
    TTransmit &prepareRead(int start, int count);

    std::shared_ptr<sim::Device> m_device;
    std::unique_ptr<sim::Server> m_server;
    std::unique_ptr<PtyPortOwner> m_owner;
    std::unique_ptr<TTransmit> m_transmit;
};

void TransactionTest::init()
{
    m_device = std::shared_ptr<sim::Device>(sim::createModel(QStringLiteral("T4yJ")));
    QVERIFY(m_device);
    m_device->mapRange(sim::Table::Holding, 0x2000, 32);
    for (int i = 0; i < 32; ++i)
        m_device->setHolding(0x2000 + i, static_cast<quint16>(0x1000 + 3 * i));
    m_device->setHolding(0x2003, 0xFF38); // -200: values are signed
    m_device->mapRange(sim::Table::Coil, 0, 8);
    m_server = std::make_unique<sim::Server>(m_device);
    QString error;
    QVERIFY2(m_server->start(&error), qPrintable(error));
    m_owner = std::make_unique<PtyPortOwner>(m_server->path());
    m_transmit = std::make_unique<TTransmit>(*m_owner);
}

void TransactionTest::cleanup()
{
    m_transmit.reset();
    m_owner.reset();
    m_server.reset();
    m_device.reset();
}

TTransmit &TransactionTest::prepareRead(int start, int count)
{
    TTransmit &t = *m_transmit;
    t.clear();
    t.setFunction(3);
    t.setStart(start);
    t.setCount(static_cast<qint16>(count));
    t.buildRequest();
    return t;
}

void TransactionTest::readLandsInQueue()
{
    TTransmit &t = prepareRead(0x2001, 15);
    RecordingBar bar;
    const TransmitResult r = t.transact(&bar);
    QCOMPARE(r.error, 0);
    QCOMPARE(r.value, 30); // the byte count
    QCOMPARE(int(t.reply().size()), 35);
    QCOMPARE(bar.log, (QStringList{"max3", "pos1", "show", "pos2", "pos3", "hide"}));
    QCOMPARE(m_owner->opens, 1);
    QVERIFY(m_owner->serial == nullptr);

    QCOMPARE(int(t.nextValue()), 0x1003);
    QCOMPARE(int(t.nextValue()), 0x1006);
    QCOMPARE(int(t.nextValue()), -200);
    for (int i = 4; i <= 15; ++i)
        QCOMPARE(int(t.nextValue()), 0x1000 + 3 * i);
    QVERIFY_THROWS_EXCEPTION(TextError, t.nextValue());

    QVERIFY(m_server->waitForFrames(1, 1000));
    QCOMPARE(m_server->frames().first().bytes.toHex(' '), QByteArray("ff 03 20 01 00 0f 4a 10"));
}

void TransactionTest::writesLand()
{
    TTransmit &t = *m_transmit;
    t.clear();
    t.setFunction(16);
    t.setStart(0x2001);
    for (int v : {0x4142, 0x4300, 0, -1})
        t.addValue(static_cast<qint16>(v));
    QVERIFY(t.buildRequest());
    QCOMPARE(t.transact(nullptr).error, 0);
    QCOMPARE(m_device->values(sim::Table::Holding, 0x2001, 4),
             (QVector<quint16>{0x4142, 0x4300, 0, 0xFFFF}));

    t.clear();
    t.setFunction(6);
    t.setStart(0x2006);
    t.addValue(-5);
    QVERIFY(t.buildRequest());
    QCOMPARE(t.transact(nullptr).error, 0);
    QCOMPARE(int(m_device->holding(0x2006)), 0xFFFB);

    // A write the device refuses changes nothing and reports the mapped exception.
    t.clear();
    t.setFunction(16);
    t.setStart(0x201F);
    t.addValue(1);
    t.addValue(2); // 0x2020 is not mapped
    QVERIFY(t.buildRequest());
    QCOMPARE(t.transact(nullptr).error, 3);
    QCOMPARE(int(m_device->holding(0x201F)), 0x1000 + 3 * 31);
}

void TransactionTest::coilPauseKeepsEventsFlowing()
{
    TTransmit &t = *m_transmit;
    t.clear();
    t.setFunction(5);
    t.setStart(3);
    t.setCoil(true);
    QVERIFY(t.buildRequest());

    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(10);
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(t.transact(nullptr).error, 0);
    const qint64 ms = elapsed.elapsed();
    QVERIFY2(ms >= 100, qPrintable(QString::number(ms)));
    QVERIFY2(ticks >= 5, "events must be processed during the pause");
    QVERIFY(m_device->coil(3));

    // The pause comes before the reply is read: the request is already on the wire.
    QVERIFY(m_server->waitForFrames(1, 2000));
}

// An exchange started from an event during the coil pause (a timer of a test window) is
// refused with the internal error instead of reopening the port under the running one; an
// exchange of another thread waits for it. Either way the first one completes intact.
void TransactionTest::exchangesNeverOverlap()
{
    TTransmit &t = *m_transmit;
    t.clear();
    t.setFunction(5);
    t.setStart(3);
    t.setCoil(true);
    QVERIFY(t.buildRequest());

    TTransmit nested(*m_owner);
    TransmitResult inner{0, -1};
    QString innerIdent;
    TransmitResult innerFixed{0, -1};
    QTimer::singleShot(20, [&] {
        nested.clear();
        nested.setFunction(3);
        nested.setStart(0x2000);
        nested.setCount(2);
        QVERIFY(nested.buildRequest());
        inner = nested.transact(nullptr);
        innerFixed = nested.readIdentification(innerIdent);
    });
    const int opensBefore = m_owner->opens;
    QCOMPARE(t.transact(nullptr).error, 0);
    QCOMPARE(inner.error, int(ErrInternal));
    QCOMPARE(innerFixed.error, int(ErrInternal));
    QCOMPARE(m_owner->opens, opensBefore + 1);
    QVERIFY(m_device->coil(3));
    QCOMPARE(m_server->frames().size(), 1);

    // Another thread's read starts during the pause and runs after the coil write.
    m_server->clearLog();
    t.clear();
    t.setFunction(5);
    t.setStart(4);
    t.setCoil(true);
    QVERIFY(t.buildRequest());
    TransmitResult threaded{0, -1};
    std::atomic<bool> started{false};
    // A plain thread, joined by the standard library, so a race detector sees the join.
    std::thread reader;
    QTimer::singleShot(20, [&] {
        reader = std::thread([&] {
            TTransmit other(*m_owner);
            started = true;
            other.clear();
            other.setFunction(3);
            other.setStart(0x2000);
            other.setCount(2);
            other.buildRequest();
            threaded = other.transact(nullptr);
        });
    });
    QCOMPARE(t.transact(nullptr).error, 0);
    QVERIFY(reader.joinable());
    reader.join();
    QVERIFY(started);
    QCOMPARE(threaded.error, 0);
    const auto frames = m_server->frames();
    QCOMPARE(frames.size(), 2);
    QCOMPARE(quint8(frames[0].bytes[1]), quint8(5));
    QCOMPARE(quint8(frames[1].bytes[1]), quint8(3));
}

void TransactionTest::exceptionReplies_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("error");
    QTest::newRow("illegal function") << 1 << 2;
    QTest::newRow("illegal address") << 2 << 3;
    QTest::newRow("illegal value") << 3 << 4;
    QTest::newRow("device failure") << 4 << 5;
    QTest::newRow("memory parity") << 8 << 8;
    QTest::newRow("other code") << 6 << 6;
}

void TransactionTest::exceptionReplies()
{
    QFETCH(int, code);
    QFETCH(int, error);
    m_server->setException(sim::Table::Holding, 0x2002, 0x2002, code);
    // One register: the exception reply is 5 bytes of the 7 expected.
    const TransmitResult r = prepareRead(0x2002, 1).transact(nullptr);
    QCOMPARE(r.error, error);
    QCOMPARE(r.value, code);
    QCOMPARE(int(m_transmit->reply()[1]), 0x83);
    QCOMPARE(m_transmit->queuedValues(), 0);
    QVERIFY(m_owner->serial == nullptr);
}

void TransactionTest::replyFunctionCheck()
{
    sim::Faults faults;
    faults.wrongFunction = 4; // any known function passes the check
    m_server->setFaults(faults);
    TransmitResult r = prepareRead(0x2001, 2).transact(nullptr);
    QCOMPARE(r.error, 0);
    QCOMPARE(m_transmit->queuedValues(), 2);

    faults.wrongFunction = 0x41; // neither a function nor an exception: byte count 4 -> 5
    m_server->setFaults(faults);
    r = prepareRead(0x2001, 2).transact(nullptr);
    QCOMPARE(r.error, TTransmit::mapException(4));
    faults.wrongFunction = 0x41; // byte count 30 maps to nothing known
    r = prepareRead(0x2001, 15).transact(nullptr);
    QCOMPARE(r.error, 6);
}

void TransactionTest::badCrcLeavesQueueEmpty()
{
    sim::Faults faults;
    faults.badCrc = true;
    m_server->setFaults(faults);
    TTransmit &t = prepareRead(0x2001, 15);
    const TransmitResult r = t.transact(nullptr);
    QCOMPARE(r.error, int(ErrCrc));
    QCOMPARE(message(r.error), QStringLiteral("Chyba kontrolního CRC"));
    QCOMPARE(t.queuedValues(), 0);
    QVERIFY_THROWS_EXCEPTION(TextError, t.nextValue());

    t.clear();
    t.setFunction(6);
    t.setStart(0x2006);
    t.addValue(1);
    t.buildRequest();
    QCOMPARE(t.transact(nullptr).error, int(ErrCrc));
}

void TransactionTest::shortReply()
{
    sim::Faults faults;
    faults.dropLastBytes = 1; // the missing CRC byte repeats the one before it
    m_server->setFaults(faults);
    const TransmitResult r = prepareRead(0x2001, 3).transact(nullptr);
    QCOMPARE(r.error, int(ErrCrc));
    QCOMPARE(m_transmit->queuedValues(), 0);
}

void TransactionTest::replyFromAnotherDevice_data()
{
    QTest::addColumn<int>("target");       // the address the tool talks to
    QTest::addColumn<int>("replyAddress"); // the address the whole, well-formed reply names
    QTest::addColumn<int>("function");     // 3, 6 or 4 (the identification's fixed read)
    QTest::addColumn<int>("error");

    QTest::newRow("read, own address") << 17 << 17 << 3 << 0;
    QTest::newRow("read, another device") << 17 << 18 << 3 << int(ErrNoReply);
    QTest::newRow("write, another device") << 17 << 5 << 6 << int(ErrNoReply);
    QTest::newRow("identification, another device") << 17 << 254 << 4 << int(ErrNoReply);
    QTest::newRow("identification, own address") << 17 << 17 << 4 << 0;
    // At 255 every device answers, under whatever address it has.
    QTest::newRow("read at 255, any address") << 255 << 18 << 3 << 0;
    QTest::newRow("identification at 255, any address") << 255 << 31 << 4 << 0;
}

void TransactionTest::replyFromAnotherDevice()
{
    QFETCH(int, target);
    QFETCH(int, replyAddress);
    QFETCH(int, function);
    QFETCH(int, error);
    m_device->setAddress(target == 255 ? 0 : target);
    m_owner->setTarget({quint8(target), 19200});
    sim::Faults faults;
    faults.replyAddress = replyAddress;
    m_server->setFaults(faults);

    TTransmit &t = *m_transmit;
    TransmitResult r;
    if (function == 4) {
        QString identification;
        r = t.readIdentification(identification);
    } else if (function == 3) {
        r = prepareRead(0x2001, 15).transact(nullptr);
        QCOMPARE(t.queuedValues(), error == 0 ? 15 : 0);
    } else {
        t.clear();
        t.setFunction(6);
        t.setStart(0x2006);
        t.addValue(7);
        QVERIFY(t.buildRequest());
        r = t.transact(nullptr);
    }
    QCOMPARE(r.error, error);
}

void TransactionTest::silentDeviceEndsInError6()
{
    sim::Faults faults;
    faults.silent = true;
    m_server->setFaults(faults);
    QElapsedTimer elapsed;
    elapsed.start();
    const TransmitResult r = prepareRead(0x2001, 15).transact(nullptr);
    const qint64 ms = elapsed.elapsed();
    QCOMPARE(r.error, int(ErrNoReply));
    QCOMPARE(
        message(r.error),
        QStringLiteral("Prvek na sériové lince neodpovídá. Zkontrolujte jeho správné nastavení"));
    // 35 bytes of at most 60 ms each.
    QVERIFY2(ms >= 35 * 55 && ms < 35 * 60 + 1500, qPrintable(QString::number(ms)));
    QVERIFY(m_owner->serial == nullptr);
}

// On a wire-timed line a long request takes most of the first reply byte's 60 ms to send;
// a device that answers well within 60 ms of receiving it must not look silent. One that
// answers later still is.
void TransactionTest::replyTimeOutStartsOffTheWire_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("error");
    // 73 bytes: 38 ms at 19200 Bd; 255 bytes: 133 ms.
    QTest::newRow("32 registers, answer after 40 ms") << 32 << 40 << 0;
    QTest::newRow("123 registers, answer after 30 ms") << 123 << 30 << 0;
    // The reply may start as late as its 8 bytes' waits allow (8 x 60 ms), no later.
    QTest::newRow("32 registers, answer after 700 ms") << 32 << 700 << int(ErrNoReply);
}

void TransactionTest::replyTimeOutStartsOffTheWire()
{
    QFETCH(int, count);
    QFETCH(int, delayMs);
    QFETCH(int, error);
    m_device->mapRange(sim::Table::Holding, 0x3000, count);
    sim::Faults faults;
    faults.wireTiming = true;
    faults.replyDelayMs = delayMs;
    m_server->setFaults(faults);

    TTransmit &t = *m_transmit;
    t.clear();
    t.setFunction(16);
    t.setStart(0x3000);
    for (int i = 0; i < count; ++i)
        t.addValue(static_cast<qint16>(0x0100 + i));
    QVERIFY(t.buildRequest());
    QCOMPARE(int(t.request().size()), 9 + 2 * count);
    QCOMPARE(t.transact(nullptr).error, error);
    // Without a reply nothing orders the device's write before the master's time-out.
    QTRY_COMPARE(int(m_device->holding(0x3000 + count - 1)), 0x0100 + count - 1);
}

// A reply whose first byte comes after the first byte's wait (a loaded machine, a slow
// device) is still the reply: read whole, not one place off with its function byte taken for
// an exception code, and nothing of it is left for the exchange after it.
void TransactionTest::lateReplyIsReadWhole_data()
{
    QTest::addColumn<QString>("exchange");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("error");
    QTest::newRow("read, 100 ms late") << "read" << 100 << 0;
    QTest::newRow("read, 400 ms late") << "read" << 400 << 0;
    QTest::newRow("write, 150 ms late") << "write" << 150 << 0;
    QTest::newRow("identification, 150 ms late") << "identification" << 150 << 0;
    QTest::newRow("firmware number, 100 ms late") << "firmware" << 100 << 0;
    // 8 bytes of 60 ms each: a reply that starts after them all is no reply.
    QTest::newRow("write, later than the whole reply") << "write" << 900 << int(ErrNoReply);
}

void TransactionTest::lateReplyIsReadWhole()
{
    QFETCH(QString, exchange);
    QFETCH(int, delayMs);
    QFETCH(int, error);
    m_device->setFirmwareNumber(0x0207);
    sim::Faults faults;
    faults.wireTiming = true;
    faults.replyDelayMs = delayMs;
    m_server->setFaults(faults);

    TTransmit &t = *m_transmit;
    TransmitResult r;
    if (exchange == QLatin1String("read")) {
        r = prepareRead(0x2001, 15).transact(nullptr);
        if (error == 0) {
            QCOMPARE(t.queuedValues(), 15);
            QCOMPARE(int(t.nextValue()), 0x1003);
        }
    } else if (exchange == QLatin1String("write")) {
        t.clear();
        t.setFunction(16);
        t.setStart(0x2004);
        t.addValue(0x0444);
        QVERIFY(t.buildRequest());
        r = t.transact(nullptr);
    } else if (exchange == QLatin1String("identification")) {
        QString id;
        r = t.readIdentification(id);
        if (error == 0)
            QCOMPARE(id, QStringLiteral("T4yJ            "));
    } else {
        r = t.readFirmwareNumber();
        if (error == 0)
            QCOMPARE(r.value, 0x0207);
    }
    QCOMPARE(r.error, error);

    // The next exchange gets its own reply, once the late one is off the line.
    QVERIFY(m_server->waitForReplies(1, 5000));
    m_server->setFaults(sim::Faults());
    const TransmitResult next = prepareRead(0x2001, 15).transact(nullptr);
    QCOMPARE(next.error, 0);
    QCOMPARE(int(t.nextValue()), 0x1003);
    QCOMPARE(int(t.nextValue()), 0x1006);
    QCOMPARE(int(t.nextValue()), -200);
}

void TransactionTest::portThatWillNotOpen()
{
    PtyPortOwner nowhere(QStringLiteral("/nonexistent/ovrin-port"));
    TTransmit t(nowhere);
    t.clear();
    t.setFunction(3);
    t.setStart(0x2001);
    t.setCount(15);
    t.buildRequest();
    RecordingBar bar;
    const TransmitResult r = t.transact(&bar);
    QCOMPARE(r.error, int(ErrPortClosed));
    QCOMPARE(message(r.error),
             QStringLiteral("Sériová linka neodpovídá - zkontrolujte její připojení"));
    QCOMPARE(bar.log.last(), QStringLiteral("hide"));
    QString id;
    QCOMPARE(t.readIdentification(id).error, int(ErrPortClosed));
    QVERIFY(id.isEmpty());

    try {
        TSerial port(0);
        QFAIL("COM0 must not open");
    } catch (const TextError &e) {
        QCOMPARE(e.text(), QStringLiteral("Sériový port COM0 nelze otevřít"));
    }
    try {
        TSerial port(3, QStringLiteral("/nonexistent/tty"));
        QFAIL("a missing device must not open");
    } catch (const TextError &e) {
        QCOMPARE(e.text(), QStringLiteral("Sériový port COM3 nelze otevřít"));
    }
}

void TransactionTest::busyPort()
{
    TSerial first(1, m_server->path());
    try {
        TSerial second(1, m_server->path());
        QFAIL("a port in use must not open twice");
    } catch (const TextError &e) {
        QCOMPARE(e.text(), QStringLiteral("Sériový port COM1 nelze otevřít"));
    }
}

void TransactionTest::fixedReads()
{
    m_device->setIdentification(sim::kClassicIdentification, "T4yJN");
    m_device->setIdentification(sim::kNewIdentification, "GWR1");
    m_device->setFirmwareNumber(0x0123);
    m_device->setFirmwareText("v1.2 \x9A\xE8\xF8"); // bytes above 127: windows-1250

    QString id;
    TransmitResult r = m_transmit->readIdentification(id);
    QCOMPARE(r.error, 0);
    QCOMPARE(id, QStringLiteral("T4yJN           "));
    QString newId = QStringLiteral("x");
    QCOMPARE(m_transmit->readNewIdentification(newId).error, 0);
    QCOMPARE(newId, QStringLiteral("xGWR1            ")); // appended
    r = m_transmit->readFirmwareNumber();
    QCOMPARE(r.error, 0);
    QCOMPARE(r.value, 0x0123);
    QString text;
    QCOMPARE(m_transmit->readFirmwareText(text).error, 0);
    QCOMPARE(text, QString::fromUtf8("v1.2 ščř"));

    QVERIFY(m_server->waitForFrames(4, 1000));
    const QList<sim::Frame> frames = m_server->frames();
    QCOMPARE(frames[0].bytes.toHex(' '), QByteArray("ff 04 00 01 00 08 b5 d2"));
    QCOMPARE(frames[1].bytes.toHex(' ').left(17), QByteArray("ff 04 00 10 00 08"));
    QCOMPARE(frames[2].bytes.toHex(' '), QByteArray("ff 04 00 00 00 01 24 14"));
    QCOMPARE(frames[3].bytes.toHex(' ').left(17), QByteArray("ff 04 00 18 00 04"));
    QCOMPARE(m_owner->opens, 4);
}

void TransactionTest::fixedReadFailures()
{
    // An unmapped identification place answers with exception 2.
    m_device->clearIdentification(sim::kNewIdentification);
    QString id;
    QCOMPARE(m_transmit->readNewIdentification(id).error, 3);
    QCOMPARE(id.size(), 16); // the characters are appended even when the reply is bad

    sim::Faults faults;
    faults.badCrc = true;
    m_server->setFaults(faults);
    id.clear();
    QCOMPARE(m_transmit->readIdentification(id).error, int(ErrCrc));
    QCOMPARE(id, QStringLiteral("T4yJ            "));

    faults = sim::Faults();
    faults.silent = true;
    m_server->setFaults(faults);
    id.clear();
    const TransmitResult r = m_transmit->readIdentification(id);
    QCOMPARE(r.error, int(ErrNoReply));
    QCOMPARE(id, QString(16, QChar(0)));
}

void TransactionTest::readByteTimesOut()
{
    sim::Faults faults;
    faults.silent = true;
    m_server->setFaults(faults);
    m_owner->openPort();
    TSerial &port = *m_owner->serial;
    port.setReadTotalTimeoutMultiplier(10);
    port.setReadTotalTimeoutConstant(50);
    quint8 byte = 0xA5;
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(port.readByte(byte), 0);
    const qint64 ms = elapsed.elapsed();
    QCOMPARE(int(byte), 0xA5);
    QVERIFY2(ms >= 55 && ms < 400, qPrintable(QString::number(ms)));
    QCOMPARE(port.lineState().baudRate, 19200u);
    QCOMPARE(int(port.lineState().byteSize), 8);
    QCOMPARE(int(port.lineState().parity), 0);
    m_owner->closePort();
}

void TransactionTest::comPortPaths()
{
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    QCOMPARE(TSerial::comPortPath(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(TSerial::comPortPath(4), QStringLiteral("/dev/ttyS3"));
    QCOMPARE(TSerial::comPortPath(5), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(TSerial::comPortPath(12), QStringLiteral("/dev/ttyUSB7"));
    QCOMPARE(TSerial::comPortPath(13), QStringLiteral("/dev/ttyACM0"));
    QCOMPARE(TSerial::comPortPath(20), QStringLiteral("/dev/ttyACM7"));
    QVERIFY(TSerial::comPortPath(0).isEmpty());

    QFile ini(dir.filePath(QStringLiteral("serialPorts.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Ports]\r\ncom3=" + m_server->path().toLocal8Bit() + "\r\n");
    ini.close();
    QCOMPARE(TSerial::comPortPath(3), m_server->path());
    QCOMPARE(TSerial::comPortPath(2), QStringLiteral("/dev/ttyS1"));

    // COM3 now reaches the simulator through the file.
    TSerial port(3);
    QCOMPARE(port.portNumber(), 3);
    QVERIFY(QDir::setCurrent(before));
}

// The whole suite runs over both serial devices: the native one the program uses on this
// platform and Qt Serial Port, the portable one.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int failures = 0;
    for (auto backend : {SerialDevice::Backend::Native, SerialDevice::Backend::QtSerialPort}) {
        SerialDevice::setBackend(backend);
        TransactionTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures;
}
#include "tst_transaction.moc"
