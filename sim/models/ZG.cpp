// ZG: universal-input-to-PWM converter (resistance thermometers, resistance, voltage,
// current).
//
// Holding registers 0x2000-0x200F hold the settings: PWM flags in the high byte of 0x2000,
// the input type code in the low byte of 0x2006, the time base in the low byte of 0x200B,
// the output range in 0x200E-0x200F; holding register 0x0000 the measured input, tenths of
// a degree for a thermometer, else in the type's own unit. It moves slowly.

#include "sim/models/Converter.h"
#include "sim/models/Models.h"

namespace sim::models {

namespace {

// Factory settings: 16 bits, rising; customer text "ZG", Pt 1000, no correction, address 1
// at 19200 Bd, 0,0..100,0 °C, time base 250 (about 16,4 ms, 61 Hz), 0x200C unused, 0,0 °C
// in place of a faulty sensor, output range 0..1000.
const ConverterDevice::Settings kFactory = {0x0100, 0x5A47, 0,    0,   0,      0, 0x0002, 0,
                                            0x0104, 0,      1000, 250, 0xFFFF, 0, 0,      1000};

class Zg : public ConverterDevice
{
public:
    explicit Zg(const QString &name) : ConverterDevice(name, kFactory, 215, 0x2000) {}

protected:
    double measuredValue(double wave) const override { return universalValue(wave); }
};

} // namespace

std::unique_ptr<Device> makeZg(const QString &name)
{
    return std::make_unique<Zg>(name);
}

} // namespace sim::models
