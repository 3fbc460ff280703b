// ZK: universal-input-to-frequency converter (resistance thermometers, resistance, voltage,
// current).
//
// Holding registers 0x2001-0x200F hold the settings, the low byte of 0x2006 the input type
// code; holding register 0x0000 the measured input: tenths of a degree for a thermometer,
// else in the type's own unit (the span of its default input range). It moves slowly.

#include "sim/models/Converter.h"
#include "sim/models/Models.h"

namespace sim::models {

namespace {

// Factory settings: customer text "ZK", Pt 1000, no correction, address 1 at 19200 Bd,
// 0,0..100,0 °C mapped to 0..10000 Hz, limits 0 and 10000 Hz, 0 Hz on a sensor fault.
const ConverterDevice::Settings kFactory = {0x5A4B, 0,    0, 0,     0, 0x02, 0,    0x0104,
                                            0,      1000, 0, 10000, 0, 0,    10000};

class Zk : public ConverterDevice
{
public:
    explicit Zk(const QString &name) : ConverterDevice(name, kFactory, 215) {}

protected:
    double measuredValue(double wave) const override { return universalValue(wave); }
};

} // namespace

std::unique_ptr<Device> makeZk(const QString &name)
{
    return std::make_unique<Zk>(name);
}

} // namespace sim::models
