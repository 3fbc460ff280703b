#include "sim/models/DigitalIo.h"

namespace sim::models {

DigitalIoDevice::DigitalIoDevice(const QString &name, const Layout &layout)
    : Device(name), m_layout(layout)
{
    for (int i = 0; i < int(layout.settings.size()); ++i)
        put(Table::Holding, kSettings + i, layout.settings[size_t(i)]);
    if (layout.inputs > 0) {
        put(Table::Holding, kInputStates, 0);
        for (int i = 0; i < 8; ++i)
            put(Table::Holding, kCounters + i, 0);
    }
    if (layout.outputs > 0)
        put(Table::Holding, kOutputStates, 0);
    const int a = get(Table::Holding, layout.addressRegister) >> 8;
    setAddress(a);
    setAddressRegister(layout.addressRegister);
}

void DigitalIoDevice::onWriteHolding(int address, quint16 value)
{
    put(Table::Holding, address, value);
    // The line speed changes only after a restart; the address at once.
    if (address == m_layout.addressRegister)
        takeAddressFrom(value);
}

void DigitalIoDevice::applyInputs(quint8 states)
{
    const quint8 old = quint8(get(Table::Holding, kInputStates) >> 8);
    const quint8 rising =
        m_layout.edgeRegister >= 0 ? quint8(get(Table::Holding, m_layout.edgeRegister) >> 8) : 0;
    for (int i = 0; i < m_layout.inputs; ++i) {
        const bool was = (old >> i) & 1;
        const bool is = (states >> i) & 1;
        if (was == is)
            continue;
        const bool reacts = ((rising >> i) & 1) ? is : !is;
        if (reacts)
            put(Table::Holding, kCounters + i, quint16(get(Table::Holding, kCounters + i) + 1));
    }
    const quint8 used = quint8((1u << m_layout.inputs) - 1);
    put(Table::Holding, kInputStates, quint16((states & used) << 8));
}

void DigitalIoDevice::setInputs(quint8 states)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    applyInputs(states);
}

quint8 DigitalIoDevice::inputs() const
{
    return quint8(holding(kInputStates) >> 8);
}

quint8 DigitalIoDevice::outputs() const
{
    return quint8(holding(kOutputStates) & 0xFF);
}

void DigitalIoDevice::onTick(int elapsedMs)
{
    m_ms += elapsedMs;
    if (m_layout.inputs == 0)
        return;
    quint8 states = 0;
    for (int i = 0; i < m_layout.inputs; ++i)
        if ((m_ms / (250 * (i + 1))) % 2)
            states = quint8(states | (1u << i));
    applyInputs(states);
}

} // namespace sim::models
