#include "pages/framework/Exchanges.h"

#include "link/Messages.h"

namespace exchange {

void check(const TransmitResult &result)
{
    if (result.error != 0)
        throw PageError(result.error);
}

void fail(int error)
{
    throw PageError(error);
}

QString padded(const QString &model)
{
    return model.leftJustified(16, QLatin1Char(' '), true);
}

QString identification(TTransmit &t, const QStringList &models, bool newer)
{
    QString ident;
    check(newer ? t.readNewIdentification(ident) : t.readIdentification(ident));
    for (const QString &m : models)
        if (ident == padded(m))
            return ident;
    fail(ErrWrongDevice);
}

namespace {

void prepare(TTransmit &t, int function, int start, int slave)
{
    t.clear();
    t.setFunction(static_cast<quint8>(function));
    t.setStart(start);
    if (slave >= 0)
        t.setAddress(static_cast<quint8>(slave));
}

void send(TTransmit &t, TransmitProgress *bar)
{
    if (!t.buildRequest())
        fail(ErrInternal);
    check(t.transact(bar));
}

} // namespace

std::vector<quint16> readHolding(TTransmit &t, int start, int count, TransmitProgress *bar,
                                 int slave)
{
    prepare(t, 3, start, slave);
    t.setCount(static_cast<qint16>(count));
    send(t, bar);
    std::vector<quint16> values;
    values.reserve(static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i)
        values.push_back(static_cast<quint16>(t.nextValue()));
    return values;
}

void writeHolding(TTransmit &t, int start, const std::vector<quint16> &values,
                  TransmitProgress *bar, int slave)
{
    prepare(t, 16, start, slave);
    for (quint16 v : values)
        t.addValue(static_cast<qint16>(v));
    send(t, bar);
}

void writeSingle(TTransmit &t, int address, quint16 value, TransmitProgress *bar, int slave)
{
    prepare(t, 6, address, slave);
    t.addValue(static_cast<qint16>(value));
    send(t, bar);
}

void writeCoil(TTransmit &t, int address, bool on, TransmitProgress *bar, int slave)
{
    prepare(t, 5, address, slave);
    t.setCoil(on);
    send(t, bar);
}

void command(TTransmit &t, int address, quint16 value, const std::function<void(int)> &wait,
             TransmitProgress *bar, int attempts, int waitMs)
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        try {
            writeHolding(t, address, {value}, bar);
            wait(waitMs);
            if (readHolding(t, address, 1, bar).at(0) == 0)
                return;
        } catch (const PageError &) {
            // The next attempt writes the command again.
        }
    }
    fail(16);
}

} // namespace exchange
