// T4yJ: temperature-to-frequency converter with a fitted resistance thermometer.
//
// Holding registers 0x2001-0x200F hold the settings; holding register 0x0000 the measured
// temperature in tenths of a degree, which drifts slowly around room temperature.

#include "sim/models/Models.h"

#include <cmath>

namespace sim::models {

namespace {

class T4yJ : public Device
{
public:
    explicit T4yJ(const QString &name) : Device(name)
    {
        // Factory settings: customer text "T4yJ", Pt 1000 probe, no correction, address 1 at
        // 19200 Bd, 0,0..150,0 °C mapped to 1000..5000 Hz, limits 500 and 5500 Hz, 1 Hz on
        // a probe fault.
        const quint16 factory[15] = {0x5434, 0x794A, 0,    0,    0, 2,   0,   0x0104,
                                     0,      1500,   1000, 5000, 1, 500, 5500};
        for (int i = 0; i < 15; ++i)
            put(Table::Holding, 0x2001 + i, factory[i]);
        put(Table::Holding, 0x0000, 215);
    }

protected:
    void onWriteHolding(int address, quint16 value) override
    {
        put(Table::Holding, address, value);
        // A new network address takes effect at once; the line speed only after a restart.
        if (address == 0x2008) {
            const int a = value >> 8;
            if (a >= 1 && a <= 254)
                setAddress(a);
        }
    }

    void onTick(int elapsedMs) override
    {
        m_ms += elapsedMs;
        // 21,5 °C +- 3,0 °C over a minute: enough to see the live value move.
        const double t = 215.0 + 30.0 * std::sin(2.0 * M_PI * double(m_ms % 60000) / 60000.0);
        put(Table::Holding, 0x0000, static_cast<quint16>(static_cast<qint16>(std::lround(t))));
    }

private:
    qint64 m_ms = 0;
};

} // namespace

std::unique_ptr<Device> makeT4yJ(const QString &name)
{
    return std::make_unique<T4yJ>(name);
}

} // namespace sim::models
