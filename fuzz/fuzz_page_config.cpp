// A configuration file of any bytes loaded into a page as the user would pick it
// ("Načíst konfiguraci"): never a crash, and the page's fields stay within their limits.

#include "FuzzPages.h"

#include <QFile>

namespace {

struct Target {
    fuzz::World world;
    fuzz::Pages pages;
};

Target &target()
{
    static Target t;
    return t;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    target();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    Target &t = target();
    TComponentForm &page = *t.pages.pages[data[0] % t.pages.pages.size()];
    const QString path = t.world.dir->filePath(QStringLiteral("configuration.ini"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            fuzz::failed("cannot write the input file");
        f.write(reinterpret_cast<const char *>(data + 1), static_cast<qint64>(size - 1));
    }
    t.world.shell.page = &page;
    page.resetToDefaults();
    t.world.prompts.file = path;
    page.mmLoadConfigurationClick();
    fuzz::checkPage(page);
    // What the event loop would do between two user actions: deferred deletes, posted
    // events, timers that are due.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    return 0;
}
