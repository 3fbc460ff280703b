// E-7PZ: three-point valve controller.
//
// Holding registers 0x2000-0x2013 hold the settings (mode and rest-state flags, customer
// text, times, dead band, corrections, address and baud in 0x200E with the address in
// effect at once, set temperatures, K, Ti, Td). Live data in holding registers 0x0000-0x0003:
// the two temperatures (tenths of a degree, moving slowly), the action value and required
// valve position, the actual position (following the required one) and the relay states
// (UP while the valve opens, DOWN while it closes, MIN and MAX at the ends, RX above the
// comparison value).

#include "sim/Device.h"
#include "sim/models/Models.h"

#include <algorithm>
#include <cmath>

namespace sim::models {

namespace {

// Factory settings: manual mode, lower band "Na stávající"; text "E-7PZ"; failure after
// 2 s; 50 % on a failure, Pt 1000; travel 120 s; dead band 10..90 %; RX at 50 % with 2 %
// hysteresis; dead time 0,5 s; no corrections; address 1 at 19200 Bd; 21,5 °C, 60,0 and
// 30,0 °C equithermal; K 20, Ti 10 min, Td 5 min.
const quint16 kFactory[] = {0x0040, 0x452D, 0x3750, 0x5A00, 0,      0,      1000,
                            0x3202, 1200,   0x0A5A, 0x3202, 500,    0,      0,
                            0x0104, 215,    600,    300,    0x140A, 0x0500};

class E7pz : public Device
{
public:
    explicit E7pz(const QString &name) : Device(name)
    {
        for (int i = 0; i < int(std::size(kFactory)); ++i)
            put(Table::Holding, 0x2000 + i, kFactory[i]);
        setAddressRegister(0x200E);
        onTick(0);
    }

protected:
    void onWriteHolding(int address, quint16 value) override
    {
        put(Table::Holding, address, value);
        if (address == 0x200E)
            takeAddressFrom(value);
    }

    void onTick(int elapsedMs) override
    {
        m_ms += elapsedMs;
        const double wave = std::sin(2.0 * M_PI * double(m_ms % 60000) / 60000.0);
        put(Table::Holding, 0x0000, quint16(qint16(std::lround(215.0 + 30.0 * wave))));
        put(Table::Holding, 0x0001, quint16(qint16(std::lround(452.0 - 40.0 * wave))));
        const int action = int(std::lround(50.0 + 40.0 * wave));
        const int band = get(Table::Holding, 0x2009);
        const int min = band >> 8, max = band & 0xFF;
        const int required = action < min ? 0 : std::min(action, max);
        // The valve moves 1 % a second towards the required position.
        const int steps = int((m_ms / 1000) - m_lastStep);
        m_lastStep = m_ms / 1000;
        int outputs = 0;
        for (int s = 0; s < steps && m_position != required; ++s)
            m_position += m_position < required ? 1 : -1;
        if (m_position < required)
            outputs |= 1;
        if (m_position > required)
            outputs |= 2;
        if (m_position <= 0)
            outputs |= 4;
        if (m_position >= 100)
            outputs |= 8;
        if (action > (get(Table::Holding, 0x200A) >> 8))
            outputs |= 16;
        put(Table::Holding, 0x0002, quint16((action << 8) | required));
        put(Table::Holding, 0x0003, quint16((m_position << 8) | outputs));
    }

private:
    qint64 m_ms = 0;
    qint64 m_lastStep = 0;
    int m_position = 50;
};

} // namespace

std::unique_ptr<Device> makeE7pz(const QString &name)
{
    return std::make_unique<E7pz>(name);
}

} // namespace sim::models
