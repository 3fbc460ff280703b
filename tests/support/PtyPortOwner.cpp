#include "tests/support/PtyPortOwner.h"

#include "link/TSerial.h"

void PtyPortOwner::openPort()
{
    ++opens;
    serial = new TSerial(1, m_path);
    serial->setBaudRate(19200);
    serial->setParity(0);
    serial->setByteSize(8);
    serial->setStopBits(1);
    serial->setBuffers(200, 200);
}

void PtyPortOwner::closePort()
{
    delete serial;
    serial = nullptr;
}
