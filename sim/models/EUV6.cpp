// E-UV6: four analogue inputs AI.0 to AI.3, each a resistance thermometer, a resistance, a
// voltage or a current.
//
// Holding registers 0x2001-0x2014 hold the settings: customer text, address and baud in
// 0x2006, the four type codes in 0x2007-0x2008 (AI.0 and AI.2 in the high bytes), the
// corrections in 0x2009-0x200C, the range starts and ends in 0x200D-0x2014. Holding
// registers 0x0000-0x0003 hold the measured values: tenths of a degree for a thermometer,
// else in the type's unit. They move slowly, each input on its own phase.

#include "sim/Device.h"
#include "sim/models/Models.h"

#include <cmath>

namespace sim::models {

namespace {

// Factory settings: customer text "E-UV6", address 1 at 19200 Bd; AI.0 Pt 1000, AI.1
// 0-10 V scaled to 0..1000, AI.2 4-20 mA scaled to 400..2000, AI.3 Ni 1000; no
// corrections.
const quint16 kFactory[] = {0x452D, 0x5556, 0x3600, 0, 0,   0x0104, 0x0230, 0x4000, 0,    0,
                            0,      0,      0,      0, 400, 0,      0,      1000,   2000, 0};

class Euv6 : public Device
{
public:
    explicit Euv6(const QString &name) : Device(name)
    {
        for (int i = 0; i < int(std::size(kFactory)); ++i)
            put(Table::Holding, 0x2001 + i, kFactory[i]);
        for (int i = 0; i < 4; ++i)
            put(Table::Holding, i, 0);
        onTick(0);
    }

protected:
    void onTick(int elapsedMs) override
    {
        m_ms += elapsedMs;
        for (int i = 0; i < 4; ++i) {
            const double phase = 2.0 * M_PI * (double(m_ms % 60000) / 60000.0 + i / 4.0);
            const double wave = std::sin(phase);
            const quint16 types = get(Table::Holding, 0x2007 + i / 2);
            const int code = i % 2 == 0 ? types >> 8 : types & 0xFF;
            double v = 215.0 + 30.0 * wave; // a thermometer, tenths of a degree
            if (code >= 4) {
                // Between the input's own range start and end.
                const double lo = static_cast<qint16>(get(Table::Holding, 0x200D + i));
                const double hi = static_cast<qint16>(get(Table::Holding, 0x2011 + i));
                v = lo + (hi - lo) * (0.5 + 0.2 * wave);
            }
            put(Table::Holding, i, static_cast<quint16>(static_cast<qint16>(std::lround(v))));
        }
    }

private:
    qint64 m_ms = 0;
};

} // namespace

std::unique_ptr<Device> makeEuv6(const QString &name)
{
    return std::make_unique<Euv6>(name);
}

} // namespace sim::models
