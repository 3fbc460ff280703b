#pragma once

// What the converters (T4yJ, ZK, T4yG, ZG) share: a settings block of holding registers
// (0x2001-0x200F, or from 0x2000 on the PWM converters), the measured value in holding
// register 0x0000, a network address in the high byte of 0x2008 that takes effect at once,
// and a slow one-minute wave that makes the live value move.

#include "sim/Device.h"

#include <cmath>
#include <vector>

namespace sim::models {

class ConverterDevice : public Device
{
public:
    using Settings = std::vector<quint16>;

protected:
    ConverterDevice(const QString &name, const Settings &factory, quint16 measured,
                    int start = 0x2001)
        : Device(name)
    {
        for (int i = 0; i < int(factory.size()); ++i)
            put(Table::Holding, start + i, factory[size_t(i)]);
        put(Table::Holding, kMeasured, measured);
        setAddressRegister(kAddressRegister);
    }

    void onWriteHolding(int address, quint16 value) override
    {
        put(Table::Holding, address, value);
        // The line speed changes only after a restart; the address at once.
        if (address == kAddressRegister)
            takeAddressFrom(value);
    }

    void onTick(int elapsedMs) override
    {
        m_ms += elapsedMs;
        const double wave = std::sin(2.0 * M_PI * double(m_ms % 60000) / 60000.0);
        const double v = measuredValue(wave);
        put(Table::Holding, kMeasured, static_cast<quint16>(static_cast<qint16>(std::lround(v))));
    }

    // The measured value for a wave between -1 and 1; by default 21,5 °C +- 3,0 in tenths.
    virtual double measuredValue(double wave) const { return 215.0 + 30.0 * wave; }

    // A universal input by its type code (low byte of 0x2006): a thermometer (and an
    // unknown code) in tenths of a degree, the other types in their unit, within the span
    // of the type's default range.
    double universalValue(double wave) const
    {
        struct Span {
            int code;
            int low;
            int high;
        };
        static const Span spans[] = {
            {0x10, 0, 10000}, {0x11, 0, 1000},   {0x30, 0, 1000},
            {0x31, 0, 500},   {0x40, 400, 2000}, {0x41, 0, 2000},
        };
        const int code = get(Table::Holding, 0x2006) & 0xFF;
        for (const Span &s : spans)
            if (s.code == code)
                return s.low + (s.high - s.low) * (0.5 + 0.1 * wave);
        return ConverterDevice::measuredValue(wave);
    }

    static constexpr int kAddressRegister = 0x2008;
    static constexpr int kMeasured = 0x0000;

private:
    qint64 m_ms = 0;
};

} // namespace sim::models
