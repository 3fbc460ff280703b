// A configuration file of any bytes loaded into a page as the user would pick it
// ("Načíst konfiguraci"): never a crash, and the page's fields stay within their limits.

#include "FuzzPages.h"

#include <QFile>

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
    fuzz::settle();
    return 0;
}
