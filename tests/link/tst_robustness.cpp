// Thousands of random and mutated replies through the transaction and the fixed reads: no
// crash, no sanitizer report, only documented error numbers, and a reply is accepted only
// when it is intact.
#include "link/TTransmit.h"
#include "platform/Clock.h"
#include "tests/support/PtyPortOwner.h"
#include "tests/support/RawPty.h"

#include <QRandomGenerator>
#include <QtTest>
#include <set>

namespace {

class InstantClock : public Clock
{
public:
    qint64 nowMs() override { return m_now; }
    void waitProcessingEvents(int ms) override { m_now += ms; }

private:
    qint64 m_now = 0;
};

QByteArray withCrc(QByteArray frame)
{
    quint8 high = 0, low = 0;
    TTransmit::crc16(reinterpret_cast<const quint8 *>(frame.constData()),
                     static_cast<int>(frame.size()), high, low);
    frame.append(static_cast<char>(low));
    frame.append(static_cast<char>(high));
    return frame;
}

const std::set<int> kLinkErrors = {0, 2, 3, 4, 5, 6, 8, 29};

} // namespace

class RobustnessTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Clock::install(&m_clock);
        QVERIFY(m_pty.isOpen());
        m_owner.setPath(m_pty.slavePath());
        // The replies come from a thread of this test, which a loaded machine may hold back
        // for longer than a device's wait; the replies' contents are under test, not that.
        m_owner.firstByteTimeoutMs = 10000;
    }
    void cleanupTestCase() { Clock::install(nullptr); }

    void mutatedReadReplies();
    void randomWriteReplies();
    void randomFixedReads();

private:
    InstantClock m_clock;
    RawPty m_pty;
    PtyPortOwner m_owner;
};

void RobustnessTest::mutatedReadReplies()
{
    QRandomGenerator rng(20261209);
    TTransmit t(m_owner);
    int accepted = 0, crcErrors = 0;
    for (int round = 0; round < 4000; ++round) {
        const int count = 1 + int(rng.bounded(20));
        t.clear();
        t.setFunction(3);
        t.setStart(0x2000 + int(rng.bounded(64)));
        t.setCount(static_cast<qint16>(count));
        QVERIFY(t.buildRequest());

        QByteArray body;
        body.append(char(0xFF)).append(char(3)).append(char(2 * count));
        QList<qint16> values;
        for (int i = 0; i < count; ++i) {
            const auto v = static_cast<qint16>(rng.bounded(65536));
            values << v;
            body.append(char((v >> 8) & 0xFF)).append(char(v & 0xFF));
        }
        QByteArray reply = withCrc(body);
        const int mutation = int(rng.bounded(4));
        if (mutation == 1) { // flip one bit anywhere
            const int at = int(rng.bounded(reply.size()));
            reply[at] = char(reply[at] ^ char(1 << rng.bounded(8)));
        } else if (mutation == 2) { // random bytes of the expected length
            for (auto &c : reply)
                c = char(rng.bounded(256));
        } else if (mutation == 3) { // a longer reply: the excess stays unread
            reply.append(QByteArray(int(rng.bounded(1, 8)), char(rng.bounded(256))));
        }
        const QByteArray intact = withCrc(body);

        m_pty.discardPending();
        m_pty.answerNextRequest(reply);
        const TransmitResult r = t.transact(nullptr);
        m_pty.waitAnswered();
        QVERIFY2(kLinkErrors.count(r.error), qPrintable(QString::number(r.error)));
        QVERIFY(m_owner.serial == nullptr);

        const bool sameAsIntact = reply.left(intact.size()) == intact;
        if (r.error == 0) {
            ++accepted;
            QCOMPARE(t.queuedValues(), count);
            // A corrupted reply that still passes would need a matching CRC by chance.
            if (sameAsIntact) {
                for (int i = 0; i < count; ++i)
                    QCOMPARE(t.nextValue(), values[i]);
            }
        } else {
            QCOMPARE(t.queuedValues(), 0);
            if (r.error == 29)
                ++crcErrors;
        }
        if (sameAsIntact)
            QCOMPARE(r.error, 0);
    }
    QVERIFY(accepted > 1500);
    QVERIFY(crcErrors > 200);
}

void RobustnessTest::randomWriteReplies()
{
    QRandomGenerator rng(7);
    TTransmit t(m_owner);
    for (int round = 0; round < 3000; ++round) {
        const int function = (round % 3 == 0) ? 5 : (round % 3 == 1) ? 6 : 16;
        t.clear();
        t.setFunction(static_cast<quint8>(function));
        t.setStart(int(rng.bounded(0x3000)));
        t.setCoil(rng.bounded(2) == 1);
        const int n = function == 16 ? 1 + int(rng.bounded(127)) : 1;
        if (function != 5)
            for (int i = 0; i < n; ++i)
                t.addValue(static_cast<qint16>(rng.bounded(65536)));
        QVERIFY(t.buildRequest());

        QByteArray reply(8, 0);
        for (auto &c : reply)
            c = char(rng.bounded(256));
        if (rng.bounded(2)) { // a plausible echo, sometimes broken afterwards
            reply = withCrc(QByteArray(reinterpret_cast<const char *>(t.request().data()), 6));
            if (rng.bounded(2))
                reply[int(rng.bounded(8))] ^= char(0x10);
        }
        m_pty.discardPending();
        m_pty.answerNextRequest(reply);
        const TransmitResult r = t.transact(nullptr);
        m_pty.waitAnswered();
        QVERIFY2(kLinkErrors.count(r.error), qPrintable(QString::number(r.error)));
        const int fn = quint8(reply[1]);
        if (r.error == 0)
            QVERIFY(fn == 3 || fn == 4 || fn == 5 || fn == 6 || fn == 16);
    }
}

void RobustnessTest::randomFixedReads()
{
    QRandomGenerator rng(99);
    TTransmit t(m_owner);
    for (int round = 0; round < 3000; ++round) {
        QByteArray reply(21, 0);
        for (auto &c : reply)
            c = char(rng.bounded(256));
        if (rng.bounded(2)) {
            reply = withCrc(QByteArray::fromHex("FF0410") + QByteArray("T4yJ            "));
            if (rng.bounded(2))
                reply[int(rng.bounded(21))] ^= char(0x01);
        }
        m_pty.discardPending();
        m_pty.answerNextRequest(reply);
        QString id;
        const TransmitResult r =
            (round % 2) ? t.readIdentification(id) : t.readNewIdentification(id);
        m_pty.waitAnswered();
        QVERIFY2(kLinkErrors.count(r.error), qPrintable(QString::number(r.error)));
        // The characters arrive even when the reply is refused.
        QCOMPARE(id.size(), 16);
        if (r.error == 0) {
            QCOMPARE(QByteArray(reply.mid(3, 16)), id.toLatin1());
        }
    }
}

QTEST_GUILESS_MAIN(RobustnessTest)
#include "tst_robustness.moc"
