// Register values of any kind read into a page from a device that answers as its model:
// the read decodes and settles every block without a crash, succeeds, and leaves every
// field within its limits.

#include "FuzzPages.h"
#include "link/Messages.h"
#include "pages/framework/Exchanges.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::pageTarget();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::PageTarget &t = fuzz::pageTarget();
    TComponentForm &page = t.pageFor(data[0]);
    fuzz::Line &line = fuzz::line();
    line.mode = fuzz::Line::Mode::Responder;
    line.identification = exchange::padded(page.traits().models.value(0)).toLatin1();
    line.feed(data + 1, size - 1);
    t.world.shell.page = &page;
    t.world.prompts.messages = 0;
    page.getButtonClick();
    if (t.world.prompts.messages != 0 || page.panelText(2) != message(14))
        fuzz::failed("a read from a well-behaved device failed");
    fuzz::checkPage(page);
    fuzz::settle();
    return 0;
}
