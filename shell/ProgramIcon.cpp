#include "shell/ProgramIcon.h"

// The resources live in a static library: register them before the first use.
static void initIconResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(done);
}

QIcon programIcon()
{
    initIconResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/ovrin-%1.png").arg(size), QSize(size, size));
    return icon;
}
