#pragma once

// What the frequency converters (T4yJ, ZK and their relatives) share: the settings block
// 0x2001-0x200F, the measured value in holding register 0x0000, a network address in the
// high byte of 0x2008 that takes effect at once, and a slow one-minute wave that makes the
// live value move.

#include "sim/Device.h"

#include <array>
#include <cmath>

namespace sim::models {

class ConverterDevice : public Device
{
public:
    using Settings = std::array<quint16, 15>;

protected:
    ConverterDevice(const QString &name, const Settings &factory, quint16 measured) : Device(name)
    {
        for (int i = 0; i < int(factory.size()); ++i)
            put(Table::Holding, kSettingsStart + i, factory[size_t(i)]);
        put(Table::Holding, kMeasured, measured);
    }

    void onWriteHolding(int address, quint16 value) override
    {
        put(Table::Holding, address, value);
        // The line speed changes only after a restart; the address at once.
        if (address == kAddressRegister) {
            const int a = value >> 8;
            if (a >= 1 && a <= 254)
                setAddress(a);
        }
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

    static constexpr int kSettingsStart = 0x2001;
    static constexpr int kAddressRegister = 0x2008;
    static constexpr int kMeasured = 0x0000;

private:
    qint64 m_ms = 0;
};

} // namespace sim::models
