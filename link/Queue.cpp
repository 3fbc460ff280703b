#include "link/Queue.h"

#include "platform/TextError.h"

qint16 Queue::pop()
{
    if (m_values.empty())
        throw TextError(QStringLiteral("Fronta je prázdná"));
    const qint16 value = m_values.front();
    m_values.pop_front();
    return value;
}
