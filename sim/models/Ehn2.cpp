// E-HN2: eight outputs, each two-state or proportional.
//
// Settings 0x2000-0x2018. The two-state test switches outputs with 0x0100; the proportional
// test sets each output's on-time in steps at 0x0110 + i, and a proportional output is then on
// for that many of the T steps of its period (one step lasting K x 40 us).

#include "sim/models/DigitalIo.h"
#include "sim/models/Models.h"

namespace sim::models {

namespace {

// Factory settings: DO.6 and DO.7 proportional, no negation, customer text "E-HN2", 1 s to a
// communication failure, all outputs open on a failure, 10 steps of 1 ms per period, 5 steps
// on a failure, address 1 at 19200 Bd.
const std::vector<quint16> kFactory = {
    0xC000, 0x452D, 0x484E, 0x3200, 0,  0,  500, 0,      0x0A0A, 0x0A0A, 0x0A0A, 0x0A0A, 25,
    25,     25,     25,     25,     25, 25, 25,  0x0505, 0x0505, 0x0505, 0x0505, 0x0104};

constexpr int kOnTimes = 0x0110;

class Ehn2 : public DigitalIoDevice
{
public:
    explicit Ehn2(const QString &name) : DigitalIoDevice(name, {kFactory, 0x2018, 0, -1, 8})
    {
        for (int i = 0; i < 8; ++i)
            put(Table::Holding, kOnTimes + i, 0);
    }

    quint8 outputs() const override
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        const quint8 proportional = quint8(get(Table::Holding, kSettings) >> 8);
        quint8 states = quint8(get(Table::Holding, kOutputStates) & ~proportional);
        const qint64 us = elapsedMs() * 1000;
        for (int k = 0; k < 8; ++k) {
            if (!((proportional >> k) & 1))
                continue;
            const quint16 pair = get(Table::Holding, 0x200B - k / 2);
            const int steps = (k % 2 ? pair >> 8 : pair & 0xFF);
            const qint64 step = qint64(get(Table::Holding, 0x2013 - k)) * 40;
            const qint64 period = steps * step;
            const qint64 on = qint64(get(Table::Holding, kOnTimes + k)) * step;
            if (period > 0 && us % period < on)
                states = quint8(states | (1u << k));
        }
        return states;
    }
};

} // namespace

std::unique_ptr<Device> makeEhn2(const QString &name)
{
    return std::make_unique<Ehn2>(name);
}

} // namespace sim::models
