#include "tests/support/PtyPortOwner.h"

#include "link/TSerial.h"

void PtyPortOwner::openPort()
{
    ++opens;
    PortSettings settings;
    settings.portNumber = 1;
    settings.devicePath = m_path;
    settings.baudRate = target().baudRate;
    settings.firstByteTimeoutMs = firstByteTimeoutMs;
    openPortWith(settings);
}

std::optional<PortSettings> PtyPortOwner::portSettings() const
{
    PortSettings settings;
    settings.portNumber = 1;
    settings.devicePath = m_path;
    settings.baudRate = target().baudRate;
    settings.firstByteTimeoutMs = firstByteTimeoutMs;
    return settings;
}

void PtyPortOwner::closePort()
{
    delete serial;
    serial = nullptr;
}
