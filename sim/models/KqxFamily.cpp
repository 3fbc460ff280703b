// The KQx family: T4yR, KQx, KQLx, VTx and VTLx temperature devices.
//
// Holding registers 0x2001-0x2009 hold the settings: customer text, the sensor type in the
// low byte of 0x2006 (its high byte the device's own), the correction in 0x2007, address
// and baud in 0x2009 (the address in effect at once). Live data from 0x0004: the measured
// temperature (tenths of a degree, moving slowly), the correction of the set temperature
// from the room unit's wheel (-3..3), the setback state (KQx, VTx: 0 or 1; KQLx, VTLx: bit 0
// setback, bit 1 window contact, bit 2 output transistor) and the button pressed (KQLx,
// VTLx: 0 none, 1 up, 2 down). Coil 0 switches the setback, coil 2 the transistor.

#include "sim/Device.h"
#include "sim/models/Models.h"

#include <cmath>

namespace sim::models {

namespace {

class KqxFamily : public Device
{
public:
    explicit KqxFamily(const QString &name)
        : Device(name), m_bits(name.contains(QLatin1Char('L'))),
          m_correction(m_bits || name == QLatin1String("T4yR"))
    {
        // Factory settings: the model name as text, Pt 1000 (T4yR; the high byte is the
        // device's own), no correction, address 1 at 19200 Bd.
        const QByteArray text = name.toLatin1().left(10);
        for (int i = 0; i < 5; ++i) {
            const int a = 2 * i < text.size() ? quint8(text[2 * i]) : 0;
            const int b = 2 * i + 1 < text.size() ? quint8(text[2 * i + 1]) : 0;
            put(Table::Holding, 0x2001 + i, quint16((a << 8) | b));
        }
        put(Table::Holding, 0x2006, name == QLatin1String("T4yR") ? 0x1202 : 0xFFFF);
        put(Table::Holding, 0x2007, 0);
        put(Table::Holding, 0x2008, 0xFFFF);
        put(Table::Holding, 0x2009, 0x0104);
        setAddressRegister(0x2009);
        put(Table::Coil, 0, 0);
        if (m_bits)
            put(Table::Coil, 2, 0);
        onTick(0);
    }

protected:
    void onWriteHolding(int address, quint16 value) override
    {
        // Registers the model does not use keep their value.
        if (value == 0xFFFF && (address == 0x2006 || address == 0x2008 ||
                                (address == 0x2007 && !m_correction)))
            return;
        put(Table::Holding, address, value);
        if (address == 0x2009)
            takeAddressFrom(value);
    }

    void onWriteCoil(int address, bool on) override
    {
        put(Table::Coil, address, on ? 1 : 0);
        onTick(0);
    }

    void onTick(int elapsedMs) override
    {
        m_ms += elapsedMs;
        const double wave = std::sin(2.0 * M_PI * double(m_ms % 60000) / 60000.0);
        const int correction = static_cast<qint16>(get(Table::Holding, 0x2007));
        put(Table::Holding, 0x0004,
            static_cast<quint16>(qint16(std::lround(215.0 + 30.0 * wave) + correction)));
        put(Table::Holding, 0x0005, static_cast<quint16>(qint16(std::lround(3.0 * wave))));
        const bool setback = get(Table::Coil, 0) != 0;
        if (!m_bits) {
            put(Table::Holding, 0x0006, setback ? 1 : 0);
            return;
        }
        // The window opens for 10 s of every 40 s; a button is held for 2 s every 15 s.
        const bool window = (m_ms / 10000) % 4 == 3;
        const bool transistor = get(Table::Coil, 2) != 0;
        put(Table::Holding, 0x0006, quint16((setback ? 1 : 0) | (window ? 2 : 0) | (transistor ? 4 : 0)));
        const qint64 phase = m_ms % 15000;
        put(Table::Holding, 0x0007, phase < 2000 ? 1 : (phase >= 7500 && phase < 9500 ? 2 : 0));
    }

private:
    bool m_bits;
    bool m_correction;
    qint64 m_ms = 0;
};

} // namespace

std::unique_ptr<Device> makeKqxFamily(const QString &name)
{
    return std::make_unique<KqxFamily>(name);
}

} // namespace sim::models
