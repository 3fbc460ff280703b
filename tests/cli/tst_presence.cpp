// What a batch makes of its identification polls, step by step on a clock of the test's:
// a device is gone only after a second of silence over three polls, one lost reply is no
// departure, another identification is another device at once, the same one after a
// silence is checked again; while waiting, each kind of trouble is said once and a port
// that stays closed ends the batch after its time.
#include "cli/Presence.h"
#include "link/Messages.h"

#include <QtTest>

namespace {

// "t:e:id" steps: time in ms, error, identification (empty: the model's own).
struct Poll {
    qint64 ms;
    int error;
    QString ident;
};

QList<Poll> polls(const QString &script)
{
    QList<Poll> out;
    for (const QString &step : script.split(' ', Qt::SkipEmptyParts)) {
        const QStringList p = step.split(':');
        out.append({p[0].toLongLong(), p[1].toInt(), p.value(2, "T4yJ")});
    }
    return out;
}

QString verdictName(DeviceWatch::Verdict v)
{
    switch (v) {
    case DeviceWatch::Verdict::Same:
        return "same";
    case DeviceWatch::Verdict::Recheck:
        return "recheck";
    case DeviceWatch::Verdict::Another:
        return "another";
    case DeviceWatch::Verdict::Silent:
        return "silent";
    case DeviceWatch::Verdict::Gone:
        return "gone";
    }
    return "?";
}

QString sayName(WaitingLine::Step s)
{
    QString name;
    switch (s.say) {
    case WaitingLine::Say::Nothing:
        name = "-";
        break;
    case WaitingLine::Say::PortClosed:
        name = "port";
        break;
    case WaitingLine::Say::BadReplies:
        name = "bad";
        break;
    case WaitingLine::Say::Silent:
        name = "silent";
        break;
    }
    return s.giveUp ? name + "!" : name;
}

} // namespace

class PresenceTest : public QObject
{
    Q_OBJECT

private slots:
    void deviceWatch_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("verdicts");
        // Handled at 0; polls about every 250 ms plus the read's own time.
        QTest::newRow("still there") << "300:0 600:0" << "same same";
        QTest::newRow("one lost reply") << "300:6 1700:0" << "silent recheck";
        QTest::newRow("two lost replies, then back")
            << "300:6 1600:6 2900:0 3200:0" << "silent silent recheck same";
        QTest::newRow("gone: three silent polls over a second")
            << "300:6 1600:6 2900:6" << "silent silent gone";
        QTest::newRow("three quick polls are not yet a second")
            << "100:6 300:6 500:6 1200:6" << "silent silent silent gone";
        QTest::newRow("port closed counts as silence (adapter pulled)")
            << "300:7 600:7 900:7 1400:7" << "silent silent silent gone";
        QTest::newRow("silence broken by a damaged reply starts again")
            << "300:6 1600:6 1900:29 2200:6 3500:6 4800:6"
            << "silent silent same silent silent gone";
        QTest::newRow("damaged reply after silence, then the device: recheck")
            << "300:6 600:29 900:0" << "silent same recheck";
        QTest::newRow("another model at once") << "300:0:ZK" << "another";
        QTest::newRow("another model after a lost reply") << "300:6 1600:0:ZK" << "silent another";
        QTest::newRow("unknown model keeps answering") << "300:10: 600:10:" << "same same";
    }
    void deviceWatch()
    {
        QFETCH(QString, script);
        QFETCH(QString, verdicts);
        DeviceWatch watch;
        watch.handled("T4yJ", 0);
        QStringList got;
        for (const Poll &p : polls(script))
            got << verdictName(watch.seen(p.ms, p.error, p.ident));
        QCOMPARE(got.join(' '), verdicts);
    }

    void waitingLine_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("says");
        QTest::newRow("nothing connected yet, then a device")
            << "0:6 1500:6 3000:0" << "silent - -";
        QTest::newRow("port closed: said once, given up after 30 s")
            << "0:7 500:7 29999:7 30000:7" << "port - - -!";
        QTest::newRow("port back before the time: no give-up")
            << "0:7 20000:6 40000:7 69999:7 70000:7" << "port silent port - -!";
        QTest::newRow("bad CRC: said once, waits on")
            << "0:29 500:29 40000:29" << "bad - -";
        QTest::newRow("refused request is a bad reply too") << "0:3 500:3" << "bad -";
        QTest::newRow("each new episode is said again")
            << "0:29 500:6 1000:29 1500:7" << "bad silent bad port";
    }
    void waitingLine()
    {
        QFETCH(QString, script);
        QFETCH(QString, says);
        WaitingLine line(30000);
        QStringList got;
        for (const Poll &p : polls(script))
            got << sayName(line.seen(p.ms, p.error));
        QCOMPARE(got.join(' '), says);
    }
};

QTEST_GUILESS_MAIN(PresenceTest)
#include "tst_presence.moc"
