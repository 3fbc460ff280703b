#include "tests/support/PtyPortOwner.h"

#include "link/TSerial.h"

void PtyPortOwner::openPort()
{
    ++opens;
    PortSettings settings;
    settings.portNumber = 1;
    settings.devicePath = m_path;
    openPortWith(settings);
}

void PtyPortOwner::closePort()
{
    delete serial;
    serial = nullptr;
}
