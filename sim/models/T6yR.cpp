// T6yR: illuminance sensor.
//
// Holding registers 0x2001-0x2009 hold the settings: customer text, the measured values for
// 0 % and 100 % of the customer range (unsigned), sensitivity and response time in 0x2008,
// address and baud in 0x2009. Holding register 0x0004 holds the measured illuminance
// (unsigned) and 0x0005 its share of the customer range in tenths of a percent; both move
// slowly, across 32767 so the values show as unsigned.

#include "sim/Device.h"
#include "sim/models/Models.h"

#include <algorithm>
#include <cmath>

namespace sim::models {

namespace {

// Factory settings: customer text "T6yR", 0 % at 0 and 100 % at 40000, "HW zesílení 1x"
// with a response time of 1,0 s, address 1 at 19200 Bd.
const quint16 kFactory[] = {0x5436, 0x7952, 0, 0, 0, 0, 40000, 0x0205, 0x0104};

class T6yR : public Device
{
public:
    explicit T6yR(const QString &name) : Device(name)
    {
        for (int i = 0; i < int(std::size(kFactory)); ++i)
            put(Table::Holding, 0x2001 + i, kFactory[i]);
        onTick(0);
    }

protected:
    void onTick(int elapsedMs) override
    {
        m_ms += elapsedMs;
        const double wave = std::sin(2.0 * M_PI * double(m_ms % 60000) / 60000.0);
        const double lux = 30000.0 + 8000.0 * wave;
        put(Table::Holding, 0x0004, static_cast<quint16>(std::lround(lux)));
        const double zero = get(Table::Holding, 0x2006);
        const double full = get(Table::Holding, 0x2007);
        const double share = full > zero ? (lux - zero) / (full - zero) * 1000.0 : 0;
        put(Table::Holding, 0x0005,
            static_cast<quint16>(std::lround(std::clamp(share, 0.0, 1000.0))));
    }

private:
    qint64 m_ms = 0;
};

} // namespace

std::unique_ptr<Device> makeT6yR(const QString &name)
{
    return std::make_unique<T6yR>(name);
}

} // namespace sim::models
