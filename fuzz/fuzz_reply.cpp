// Any reply bytes through each exchange of the link: the transaction of every function the
// program sends and the four fixed reads. Only documented error numbers come out, a reply
// is taken only when it is intact, and the FIFO holds exactly what was asked for.

#include "FuzzSupport.h"
#include "platform/TextError.h"

#include <set>

namespace {

fuzz::World &world()
{
    static fuzz::World w;
    return w;
}

const std::set<int> kLinkErrors = {0, 2, 3, 4, 5, 6, 8, 29};


} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    world();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    fuzz::World &w = world();
    fuzz::Line &line = fuzz::line();
    line.mode = fuzz::Line::Mode::Raw;
    const int operation = data[0] % 8;
    const int parameter = data[1];
    line.feed(data + 2, size - 2);

    TTransmit t(w.shell);
    TransmitResult result;
    QString text;
    int count = 0;
    switch (operation) {
    case 0:
        count = parameter % 126;
        t.clear();
        t.setFunction(3);
        t.setStart(0x2001);
        t.setCount(static_cast<qint16>(count));
        if (!t.buildRequest())
            fuzz::failed("function 3 request not built");
        result = t.transact(nullptr);
        break;
    case 1:
    case 2:
    case 3:
        t.clear();
        t.setFunction(operation == 1 ? 5 : operation == 2 ? 6 : 16);
        t.setStart(parameter);
        if (operation == 1)
            t.setCoil(parameter & 1);
        for (int i = 0; i < (operation == 3 ? 1 + parameter % 8 : operation == 2 ? 1 : 0); ++i)
            t.addValue(static_cast<qint16>(i * 257));
        if (!t.buildRequest())
            fuzz::failed("write request not built");
        result = t.transact(nullptr);
        break;
    case 4:
        result = t.readIdentification(text);
        if (text.size() != 16)
            fuzz::failed("identification not 16 characters");
        break;
    case 5:
        result = t.readNewIdentification(text);
        if (text.size() != 16)
            fuzz::failed("new identification not 16 characters");
        break;
    case 6:
        result = t.readFirmwareText(text);
        if (text.size() != 8)
            fuzz::failed("firmware text not 8 characters");
        break;
    default:
        result = t.readFirmwareNumber();
        break;
    }
    if (!kLinkErrors.count(result.error))
        fuzz::failed("an undocumented error number");
    if (w.shell.serial)
        fuzz::failed("the port was left open");
    if (operation <= 3) {
        if (result.error == 0 && !fuzz::intact(t.reply()))
            fuzz::failed("a damaged reply was taken");
        const int queued = t.queuedValues();
        if (operation == 0 && result.error == 0 && queued != count)
            fuzz::failed("the FIFO does not hold the count asked for");
        if (result.error != 0 && queued != 0)
            fuzz::failed("a failed exchange left values");
        for (int i = 0; i < queued; ++i)
            t.nextValue();
        try {
            t.nextValue();
            fuzz::failed("an empty FIFO gave a value");
        } catch (const TextError &) {
        }
    }
    return 0;
}
