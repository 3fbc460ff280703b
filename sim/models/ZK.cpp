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

struct InputType {
    int code;
    int low; // plausible span of the live value
    int high;
};

// The non-thermometer types; codes 0 to 3 are the thermometers.
const InputType kTypes[] = {
    {0x10, 0, 10000}, {0x11, 0, 1000},   {0x30, 0, 1000},
    {0x31, 0, 500},   {0x40, 400, 2000}, {0x41, 0, 2000},
};

// Factory settings: customer text "ZK", Pt 1000, no correction, address 1 at 19200 Bd,
// 0,0..100,0 °C mapped to 0..10000 Hz, limits 0 and 10000 Hz, 0 Hz on a sensor fault.
const ConverterDevice::Settings kFactory = {0x5A4B, 0,    0, 0,     0, 0x02, 0,    0x0104,
                                            0,      1000, 0, 10000, 0, 0,    10000};

class Zk : public ConverterDevice
{
public:
    explicit Zk(const QString &name) : ConverterDevice(name, kFactory, 215) {}

protected:
    double measuredValue(double wave) const override
    {
        const int code = get(Table::Holding, 0x2006) & 0xFF;
        for (const InputType &t : kTypes) {
            if (t.code == code)
                return t.low + (t.high - t.low) * (0.5 + 0.1 * wave);
        }
        return ConverterDevice::measuredValue(wave); // thermometers and unknown codes
    }
};

} // namespace

std::unique_ptr<Device> makeZk(const QString &name)
{
    return std::make_unique<Zk>(name);
}

} // namespace sim::models
