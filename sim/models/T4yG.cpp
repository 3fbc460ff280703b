// T4yG: temperature-to-PWM converter with a fitted resistance thermometer.
//
// Holding registers 0x2000-0x200D hold the settings: PWM flags in the high byte of 0x2000,
// the time base in the low byte of 0x200B; holding register 0x0000 the measured
// temperature in tenths of a degree, which drifts slowly around room temperature.

#include "sim/models/Converter.h"
#include "sim/models/Models.h"

namespace sim::models {

namespace {

// Factory settings: 8 bits, rising; customer text "T4yG", Pt 1000 probe, no correction,
// address 1 at 19200 Bd, 0,0..150,0 °C, time base 162 (a period of about 1 ms), 0x200C
// unused, 20,0 °C in place of a faulty probe.
const ConverterDevice::Settings kFactory = {0x0000, 0x5434, 0x7947, 0,    0,   0,      2,
                                            0,      0x0104, 0,      1500, 162, 0xFFFF, 200};

class T4yG : public ConverterDevice
{
public:
    explicit T4yG(const QString &name) : ConverterDevice(name, kFactory, 215, 0x2000) {}
};

} // namespace

std::unique_ptr<Device> makeT4yG(const QString &name)
{
    return std::make_unique<T4yG>(name);
}

} // namespace sim::models
