// ZSL: universal-input transmitter with relay outputs OUT1, OUT2 and a DAC output.
//
// Holding registers 0x2000-0x2010 hold the settings: relay modes and DAC flag in the high
// byte of 0x2000, the input type code in the high byte of 0x2006, the address in the high
// byte of 0x2008 (in effect at once), comparison values and hystereses in 0x200D-0x2010.
// Holding register 0x0000 holds the measured input (tenths of a degree for a thermometer,
// else a plain number), moving slowly; the low byte of 0x0001 the relays, switched from
// the measured value by each output's comparison value, hysteresis and mode.

#include "sim/Device.h"
#include "sim/models/Models.h"

#include <cmath>

namespace sim::models {

namespace {

// Factory settings: OUT1 heating, OUT2 cooling, DAC off; customer text "ZSL"; Pt 1000 and
// a 0-10 V output; no correction; address 1 at 19200 Bd; DAC range -99,9..999,9 °C with
// 0 on a fault; decimal point "X X X , X"; OUT1 at 20,0 °C and OUT2 at 23,0 °C, both with
// a hysteresis of 1,0 °C.
const quint16 kFactory[] = {0x0100, 0x5A53, 0x4C00, 0, 0, 0,  0x0280, 0, 0x0104,
                            quint16(-999), 9999, 0, 0x00F9, 200, 230, 10, 10};

class Zsl : public Device
{
public:
    explicit Zsl(const QString &name) : Device(name)
    {
        for (int i = 0; i < int(std::size(kFactory)); ++i)
            put(Table::Holding, 0x2000 + i, kFactory[i]);
        setAddressRegister(0x2008);
        onTick(0);
    }

protected:
    void onWriteHolding(int address, quint16 value) override
    {
        put(Table::Holding, address, value);
        if (address == 0x2008)
            takeAddressFrom(value);
    }

    void onTick(int elapsedMs) override
    {
        m_ms += elapsedMs;
        const double wave = std::sin(2.0 * M_PI * double(m_ms % 60000) / 60000.0);
        const int code = get(Table::Holding, 0x2006) >> 8;
        // A thermometer about 21,5 °C, a linear input about the middle of a 0..1000 span.
        const double v = code < 4 ? 215.0 + 30.0 * wave : 500.0 + 100.0 * wave;
        const int measured = static_cast<int>(std::lround(v));
        put(Table::Holding, 0x0000, static_cast<quint16>(static_cast<qint16>(measured)));
        const int flags = get(Table::Holding, 0x2000) >> 8;
        for (int out = 0; out < 2; ++out) {
            const int limit = static_cast<qint16>(get(Table::Holding, 0x200D + out));
            const int hysteresis = static_cast<qint16>(get(Table::Holding, 0x200F + out));
            const bool heating = flags & (1 << out);
            // Heating: on below the comparison value; cooling: on above it.
            if (heating ? measured < limit - hysteresis : measured > limit + hysteresis)
                m_relays |= 1 << out;
            else if (heating ? measured > limit + hysteresis : measured < limit - hysteresis)
                m_relays &= ~(1 << out);
        }
        put(Table::Holding, 0x0001, static_cast<quint16>(m_relays));
    }

private:
    qint64 m_ms = 0;
    int m_relays = 0;
};

} // namespace

std::unique_ptr<Device> makeZsl(const QString &name)
{
    return std::make_unique<Zsl>(name);
}

} // namespace sim::models
