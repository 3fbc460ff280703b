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
    // Drawn for every size a frame, a list or a screen at 125 %, 150 % or 200 % asks for.
    for (int size : {16, 20, 24, 32, 36, 40, 48, 64, 72, 96, 128, 256})
        icon.addFile(QStringLiteral(":/icons/ovrin-%1.png").arg(size), QSize(size, size));
    return icon;
}
