// E-HB5/HN9: three digital inputs with edge counters and five two-state outputs.
//
// Settings 0x2000-0x200A (0x200A high byte: the edge each input counts); input states in the
// high byte of 0x0000, counters at 0x0008-0x000F (the first three count); outputs at 0x0100.

#include "sim/models/DigitalIo.h"
#include "sim/models/Models.h"

namespace sim::models {

namespace {

// Factory settings: no negation, customer text "E-HB5", 1 s to a communication failure, all
// outputs open on a failure, sampling every 10 ms, address 1 at 19200 Bd, DI.0 counts rising
// edges.
const std::vector<quint16> kFactory = {0,   0x452D, 0x4842, 0x3500, 0,     0,
                                       500, 0,      100,    0x0104, 0x0100};

class Ehb5Hn9 : public DigitalIoDevice
{
public:
    explicit Ehb5Hn9(const QString &name) : DigitalIoDevice(name, {kFactory, 0x2009, 3, 0x200A, 5})
    {
    }
};

} // namespace

std::unique_ptr<Device> makeEhb5Hn9(const QString &name)
{
    return std::make_unique<Ehb5Hn9>(name);
}

} // namespace sim::models
