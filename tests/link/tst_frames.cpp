// Request frames, CRC and the small codecs of the Modbus master, checked against hand-made
// hex tables.
#include "link/Messages.h"
#include "link/TTransmit.h"
#include "platform/TextError.h"
#include "tests/support/PtyPortOwner.h"

#include <QtTest>

namespace {

QByteArray bytes(const std::vector<quint8> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), static_cast<int>(v.size()));
}

} // namespace

class FramesTest : public QObject
{
    Q_OBJECT

private slots:
    void requests_data();
    void requests();
    void refusals();
    void function16Limits();
    void clearDropsAddress();
    void crcKnownValues();
    void codecs();
    void replyCodes();
    void emptyQueueThrows();
    void messageTableEntries();
};

void FramesTest::requests_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<bool>("coil");
    QTest::addColumn<int>("address"); // -1: not set
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("read 15 from 0x2001") << 3 << 0x2001 << 15 << QList<int>{} << false << -1
                                         << QByteArray::fromHex("FF032001000F4A10");
    QTest::newRow("identification frame as function 4")
        << 4 << 0x0001 << 0 << QList<int>{8} << false << -1
        << QByteArray::fromHex("FF0400010008B5D2");
    QTest::newRow("firmware number frame") << 4 << 0x0000 << 0 << QList<int>{1} << false << -1
                                           << QByteArray::fromHex("FF04000000012414");
    QTest::newRow("write single") << 6 << 0x2006 << 0 << QList<int>{-2} << false << -1
                                  << QByteArray::fromHex("FF062006FFFE") + QByteArray(2, 0);
    QTest::newRow("coil on, own address") << 5 << 0x0003 << 0 << QList<int>{} << true << 7
                                          << QByteArray::fromHex("07050003FF00") + QByteArray(2, 0);
    QTest::newRow("coil off") << 5 << 0x0003 << 0 << QList<int>{} << false << -1
                              << QByteArray::fromHex("FF0500030000") + QByteArray(2, 0);
    QTest::newRow("write multiple")
        << 16 << 0x2001 << 0 << QList<int>{0x4142, 0} << false << -1
        << QByteArray::fromHex("FF10200100020441420000") + QByteArray(2, 0);
    QTest::newRow("start keeps its low 16 bits")
        << 3 << 0x12001 << 1 << QList<int>{} << false << -1
        << QByteArray::fromHex("FF0320010001") + QByteArray(2, 0);
}

void FramesTest::requests()
{
    QFETCH(int, function);
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(QList<int>, values);
    QFETCH(bool, coil);
    QFETCH(int, address);
    QFETCH(QByteArray, frame);

    PtyPortOwner owner;
    TTransmit t(owner);
    t.clear();
    if (address >= 0)
        t.setAddress(static_cast<quint8>(address));
    t.setFunction(static_cast<quint8>(function));
    t.setStart(start);
    t.setCount(static_cast<qint16>(count));
    t.setCoil(coil);
    for (int v : values)
        t.addValue(static_cast<qint16>(v));
    QVERIFY(t.buildRequest());

    // Rows that end in two zero bytes get their CRC from an independent computation here;
    // the others carry the documented CRC.
    QByteArray expected = frame;
    if (expected.endsWith(QByteArray(2, 0))) {
        expected.chop(2);
        quint16 crc = 0xFFFF;
        for (char c : expected) {
            crc ^= static_cast<quint8>(c);
            for (int i = 0; i < 8; ++i)
                crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0xA001) : crc >> 1;
        }
        expected.append(static_cast<char>(crc & 0xFF));
        expected.append(static_cast<char>(crc >> 8));
    }
    QCOMPARE(bytes(t.request()).toHex(' '), expected.toHex(' '));
    QCOMPARE(owner.opens, 0);
}

void FramesTest::refusals()
{
    PtyPortOwner owner;
    TTransmit t(owner);

    t.clear();
    t.setStart(0x2001);
    QVERIFY2(!t.buildRequest(), "no function");

    t.clear();
    t.setFunction(3);
    t.setCount(1);
    QVERIFY2(!t.buildRequest(), "no start");

    t.clear();
    t.setFunction(7);
    t.setStart(0);
    QVERIFY2(!t.buildRequest(), "unknown function");

    t.clear();
    t.setFunction(16);
    t.setStart(0x2001);
    QVERIFY2(!t.buildRequest(), "function 16 without values");
    QVERIFY(t.request().empty());

    // An empty request never touches the port and succeeds.
    t.clear();
    const TransmitResult r = t.transact(nullptr);
    QCOMPARE(r.error, 0);
    QCOMPARE(owner.opens, 0);
}

void FramesTest::function16Limits()
{
    PtyPortOwner owner;
    TTransmit t(owner);
    t.clear();
    t.setFunction(16);
    t.setStart(0x2000);
    for (int i = 0; i < 127; ++i)
        t.addValue(static_cast<qint16>(i));
    QVERIFY(t.buildRequest());
    QCOMPARE(int(t.request().size()), 263);
    QCOMPARE(int(t.request()[6]), 254);

    t.clear();
    t.setFunction(16);
    t.setStart(0x2000);
    for (int i = 0; i < 128; ++i)
        t.addValue(static_cast<qint16>(i));
    QVERIFY(!t.buildRequest());
}

void FramesTest::clearDropsAddress()
{
    PtyPortOwner owner;
    TTransmit t(owner);
    t.setAddress(9);
    t.clear();
    t.setFunction(3);
    t.setStart(0);
    t.setCount(1);
    QVERIFY(t.buildRequest());
    QCOMPARE(int(t.request()[0]), 0xFF);

    // A second build appends: callers start each request with clear().
    QVERIFY(t.buildRequest());
    QCOMPARE(int(t.request().size()), 16);
}

void FramesTest::crcKnownValues()
{
    const quint8 frame[] = {0xFF, 0x03, 0x20, 0x01, 0x00, 0x0F};
    quint8 high = 0, low = 0;
    TTransmit::crc16(frame, 6, high, low);
    QCOMPARE(int(high), 0x10);
    QCOMPARE(int(low), 0x4A);

    // The standard check value of CRC-16/MODBUS for "123456789".
    const QByteArray check("123456789");
    TTransmit::crc16(reinterpret_cast<const quint8 *>(check.constData()), 9, high, low);
    QCOMPARE(int(high << 8 | low), 0x4B37);

    TTransmit::crc16(frame, 0, high, low);
    QCOMPARE(int(high << 8 | low), 0xFFFF);
}

void FramesTest::codecs()
{
    quint8 high = 0, low = 0;
    TTransmit::splitWord(-2, high, low);
    QCOMPARE(int(high), 0xFF);
    QCOMPARE(int(low), 0xFE);
    QCOMPARE(int(TTransmit::joinBytes(0x41, 0x42)), 0x4142);
    QCOMPARE(int(TTransmit::joinBytes(0xFF, 0xFF)), 0xFFFF);
}

void FramesTest::replyCodes()
{
    for (int f = 0; f < 256; ++f) {
        const int expected = (f == 3 || f == 4 || f == 5 || f == 6 || f == 16)                 ? 0
                             : (f == 0x83 || f == 0x84 || f == 0x85 || f == 0x86 || f == 0x90) ? 1
                                                                                               : 6;
        QCOMPARE(TTransmit::checkReplyFunction(static_cast<quint8>(f)), expected);
    }
    const int mapped[] = {6, 2, 3, 4, 5, 6, 6, 6, 8, 6};
    for (int code = 0; code < 10; ++code)
        QCOMPARE(TTransmit::mapException(static_cast<quint8>(code)), mapped[code]);
    QCOMPARE(TTransmit::mapException(0xFF), 6);
}

void FramesTest::emptyQueueThrows()
{
    PtyPortOwner owner;
    TTransmit t(owner);
    try {
        t.nextValue();
        QFAIL("nextValue on an empty queue must throw");
    } catch (const TextError &e) {
        QCOMPARE(e.text(), QStringLiteral("Fronta je prázdná"));
    }
}

void FramesTest::messageTableEntries()
{
    QCOMPARE(message(0), QStringLiteral("OK"));
    QCOMPARE(message(3),
             QStringLiteral("Adresa registru, ke kterému chcete přistoupit je mimo rozsah"));
    QCOMPARE(message(29), QStringLiteral("Chyba kontrolního CRC"));
    QCOMPARE(message(31), QStringLiteral("Načíst data po startu komponenty"));
    QVERIFY(message(11).contains(QStringLiteral("změněno.\n") + QString(29, QLatin1Char(' ')) +
                                 QStringLiteral("Zřejmě")));
    QVERIFY(message(32).isEmpty());
    QVERIFY(message(-1).isEmpty());
    for (int i = 0; i < kMessageCount; ++i)
        QVERIFY2(!message(i).isEmpty(), qPrintable(QString::number(i)));
}

QTEST_GUILESS_MAIN(FramesTest)
#include "tst_frames.moc"
