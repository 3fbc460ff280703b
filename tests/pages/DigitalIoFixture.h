#pragma once

// The digital I/O pages against their simulated modules: the device rig with a virtual clock,
// and the requests the module received in a short readable form, so a test can compare the
// exact sequence of a preparation, a run or a restore:
//
//   "255/4/0001x8"        function 4 (or 3) from 0x0001, 8 registers, to address 255
//   "1/6/0100=0003"       function 6 at 0x0100, value 0x0003, to address 1
//   "255/16/2006=fde8,0"  function 16 from 0x2006 with the values 0xfde8 and 0

#include "pages/digital_io/TcForm3.h"
#include "pages/digital_io/TcForm7.h"
#include "pages/digital_io/TcForm9.h"
#include "pages/framework/Fields.h"
#include "pages/framework/OutputTest.h"
#include "sim/Sim.h"
#include "sim/models/DigitalIo.h"
#include "tests/support/DeviceRig.h"
#include "tests/support/TestClock.h"

#include <QLineEdit>
#include <QStringList>
#include <QtTest>
#include <mutex>

inline QString describe(const QByteArray &f)
{
    auto u16 = [&f](int i) { return (quint8(f[i]) << 8) | quint8(f[i + 1]); };
    const int slave = quint8(f[0]);
    const int function = quint8(f[1]);
    const QString head =
        QStringLiteral("%1/%2/%3").arg(slave).arg(function).arg(u16(2), 4, 16, QLatin1Char('0'));
    switch (function) {
    case 3:
    case 4:
        return head + QStringLiteral("x%1").arg(u16(4));
    case 6:
        return head + QStringLiteral("=%1").arg(u16(4), 4, 16, QLatin1Char('0'));
    case 16: {
        QStringList values;
        for (int i = 0; i < u16(4); ++i)
            values << QString::number(u16(7 + 2 * i), 16);
        return head + "=" + values.join(',');
    }
    default:
        return head;
    }
}

struct DigitalIoRig : DeviceRig {
    TestClock clock;

    // The server's thread calls the observer, which uses this rig's members: it stops first.
    ~DigitalIoRig() { stop(); }
    DigitalIoRig()
    {
        observer = [this](const sim::Frame &f) {
            if (f.reply)
                return;
            std::lock_guard<std::mutex> lock(m_failMutex);
            if (m_failTimes > 0 && describe(f.bytes) == m_failRequest) {
                --m_failTimes;
                server->failNextRequests(1, m_failCode);
            }
        };
    }
    // The request described as `request` is answered with exception `code` the next `times`
    // times it comes.
    void failOn(const QString &request, int code, int times = 1)
    {
        std::lock_guard<std::mutex> lock(m_failMutex);
        m_failRequest = request;
        m_failCode = code;
        m_failTimes = times;
    }

    sim::models::DigitalIoDevice &io() const
    {
        return static_cast<sim::models::DigitalIoDevice &>(*device);
    }
    // The requests received, from the index `from` on.
    QStringList requests(int from = 0) const
    {
        QStringList out;
        const auto frames = server->frames();
        for (int i = from; i < frames.size(); ++i)
            out << describe(frames[i].bytes);
        return out;
    }
    // Only the writes (functions 5, 6 and 16).
    QStringList writes(int from = 0) const
    {
        QStringList out;
        for (const QString &r : requests(from))
            if (!r.contains(QLatin1String("/3/")) && !r.contains(QLatin1String("/4/")))
                out << r;
        return out;
    }
    int received() const { return int(server->frames().size()); }
    QVector<quint16> settings(int count) const
    {
        return device->values(sim::Table::Holding, 0x2000, count);
    }
    QString testIni() const { return QString::fromLatin1(dir.read("test.ini")); }

private:
    std::mutex m_failMutex;
    QString m_failRequest;
    int m_failCode = 0;
    int m_failTimes = 0;
};

// The page of a model's list name.
inline std::unique_ptr<TDigitalIoPage> makeDigitalPage(const QString &model)
{
    if (model == QLatin1String("E-HN2"))
        return std::make_unique<TcForm3>();
    if (model == QLatin1String("E-HB2"))
        return std::make_unique<TcForm7>();
    return std::make_unique<TcForm9>();
}

// Types into a numeric field and leaves it with Enter, as a user would.
inline void enterText(TNumericField *field, const QString &text)
{
    field->edit()->setText(text);
    QTest::keyClick(field->edit(), Qt::Key_Return);
}
