// E-HB2: eight digital inputs with edge counters.
//
// Settings 0x2000-0x2009 (0x2000 high byte: the edge each input counts); input states in the
// high byte of 0x0000, counters at 0x0008-0x000F.

#include "sim/models/DigitalIo.h"
#include "sim/models/Models.h"

namespace sim::models {

namespace {

// Factory settings: DI.0-DI.3 count rising edges, customer text "E-HB2", 1 s to a
// communication failure, sampling every 1 ms, address 1 at 19200 Bd.
const std::vector<quint16> kFactory = {0x0F00, 0x452D, 0x4842, 0x3200, 0,
                                       0,      500,    0xFFFF, 40,     0x0104};

class Ehb2 : public DigitalIoDevice
{
public:
    explicit Ehb2(const QString &name) : DigitalIoDevice(name, {kFactory, 0x2009, 8, 0x2000, 0}) {}
};

} // namespace

std::unique_ptr<Device> makeEhb2(const QString &name)
{
    return std::make_unique<Ehb2>(name);
}

} // namespace sim::models
