// Any reply bytes through a bus scan of a few addresses: the scan ends, tries every address
// once, leaves the port closed, and a device it names was read whole (its identification is
// one of the models and the model named is that one).

#include "FuzzSupport.h"
#include "shell/BusScan.h"
#include "shell/Identification.h"

namespace {

fuzz::World &world()
{
    static fuzz::World w;
    return w;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    world();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::World &w = world();
    fuzz::Line &line = fuzz::line();
    line.mode = fuzz::Line::Mode::Raw;
    line.feed(data + 1, size - 1);

    BusScanOptions options;
    options.firstAddress = 1 + data[0] % 250;
    options.lastAddress = options.firstAddress + (data[0] >> 6); // one to four addresses
    int found = 0;
    BusScan scan(w.shell);
    const BusScanResult r = scan.run(options, {}, [&](const BusScanHit &) { ++found; });

    if (r.tried != options.lastAddress - options.firstAddress + 1 || r.cancelled || r.error != 0)
        fuzz::failed("the scan did not try every address once");
    if (found != static_cast<int>(r.hits.size()))
        fuzz::failed("hits reported and hits returned differ");
    if (w.shell.serial)
        fuzz::failed("the port was left open");
    int last = 0;
    for (const BusScanHit &hit : r.hits) {
        if (hit.address < options.firstAddress || hit.address > options.lastAddress ||
            hit.address <= last || hit.baudRate != 19200)
            fuzz::failed("a hit at an address not scanned, or twice");
        last = hit.address;
        if (hit.customerText.size() > 10)
            fuzz::failed("a customer text over 10 characters");
        if (hit.kind == BusScanHit::Kind::Device) {
            if (hit.identification.size() != 16 ||
                modelIndexForIdentification(hit.identification) != hit.listIndex ||
                hit.model != componentNames().value(hit.listIndex))
                fuzz::failed("a device named by something else than its identification");
        } else if (hit.listIndex >= 0 || !hit.firmware.isEmpty() || !hit.customerText.isEmpty()) {
            fuzz::failed("an unknown or broken answer carries a model's details");
        }
    }
    return 0;
}
