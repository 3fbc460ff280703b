#pragma once

// Wall-module pages (CWR1, GWR1) against their simulated modules: the requests in the order
// the device saw them, and the module's command register.

#include "ConverterFixture.h"
#include "link/Messages.h"
#include "sim/models/WallModule.h"

struct WallRig : ConverterRig {
    sim::models::WallModule *module = nullptr;

    bool startModule(const QString &model)
    {
        auto device = std::shared_ptr<sim::Device>(sim::createModel(model));
        module = static_cast<sim::models::WallModule *>(device.get());
        module->setCommandDelayMs(0);
        return start(device);
    }
    // Requests as "f:start:count" ("16:001C=C001" for a one-register write), from `from` on.
    QStringList requests(int from = 0) const
    {
        QStringList out;
        int i = 0;
        for (const auto &f : server->frames()) {
            if (f.reply)
                continue;
            if (i++ < from)
                continue;
            const auto b = [&](int k) { return int(quint8(f.bytes[k])); };
            const int fn = b(1);
            const int start = b(2) << 8 | b(3);
            const int count = b(4) << 8 | b(5);
            QString s = QStringLiteral("%1:%2:%3").arg(fn).arg(start, 4, 16, QLatin1Char('0')).arg(count);
            if (fn == 16 && count == 1)
                s = QStringLiteral("16:%1=%2")
                        .arg(start, 4, 16, QLatin1Char('0'))
                        .arg(b(7) << 8 | b(8), 4, 16, QLatin1Char('0'));
            out << s.toUpper().replace(QLatin1Char('X'), QLatin1Char('x'));
        }
        return out;
    }
    int requestCount() const
    {
        int n = 0;
        for (const auto &f : server->frames())
            n += !f.reply;
        return n;
    }
    quint16 reg(int address) const { return device->holding(address); }
};

// The device's answers to a handshake: write the command, read it back (as often as it
// takes).
inline QStringList handshake(const QString &command, int attempts = 1)
{
    QStringList s;
    for (int i = 0; i < attempts; ++i)
        s << QStringLiteral("16:001C=") + command << QStringLiteral("3:001C:1");
    return s;
}
