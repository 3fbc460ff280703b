// T4yJ: temperature-to-frequency converter with a fitted resistance thermometer.
//
// Holding registers 0x2001-0x200F hold the settings; holding register 0x0000 the measured
// temperature in tenths of a degree, which drifts slowly around room temperature.

#include "sim/models/Converter.h"
#include "sim/models/Models.h"

namespace sim::models {

namespace {

// Factory settings: customer text "T4yJ", Pt 1000 probe, no correction, address 1 at
// 19200 Bd, 0,0..150,0 °C mapped to 1000..5000 Hz, limits 500 and 5500 Hz, 1 Hz on a probe
// fault.
const ConverterDevice::Settings kFactory = {0x5434, 0x794A, 0,    0,    0, 2,   0,   0x0104,
                                            0,      1500,   1000, 5000, 1, 500, 5500};

class T4yJ : public ConverterDevice
{
public:
    explicit T4yJ(const QString &name) : ConverterDevice(name, kFactory, 215) {}
};

} // namespace

std::unique_ptr<Device> makeT4yJ(const QString &name)
{
    return std::make_unique<T4yJ>(name);
}

} // namespace sim::models
