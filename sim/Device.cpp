#include "sim/Device.h"

namespace sim {

namespace {

QByteArray fitted(const QByteArray &text, int size)
{
    QByteArray out = text.left(size);
    while (out.size() < size)
        out.append(' ');
    return out;
}

} // namespace

Device::Device(const QString &name) : m_name(name) {}

Device::~Device() = default;

QString Device::name() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_name;
}

int Device::address() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_address;
}

void Device::setAddress(int address)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_address = (address >= 1 && address <= 254) ? address : 0;
}

namespace {
constexpr quint32 kRates[] = {1200, 2400, 4800, 9600, 19200};
}

void Device::takeAddressFrom(quint16 registerValue)
{
    const int a = registerValue >> 8;
    if (a >= 1 && a <= 254)
        setAddress(a);
    const int rate = registerValue & 0xFF;
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (rate < 5)
        m_newLineRate = kRates[rate];
}

quint32 Device::takeNewLineRate()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const quint32 rate = m_newLineRate;
    m_newLineRate = 0;
    return rate;
}

void Device::setAddressRegister(int address, bool split)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_addressRegister = address;
    m_addressSplit = split;
}

void Device::placeOnBus(int address, quint32 baudRate)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    setAddress(address);
    if (m_addressRegister < 0)
        return;
    int index = -1;
    for (int i = 0; i < 5; ++i)
        if (kRates[i] == baudRate)
            index = i;
    const quint16 old = get(Table::Holding, m_addressRegister);
    if (m_addressSplit) {
        put(Table::Holding, m_addressRegister, quint16(address));
        if (index >= 0)
            put(Table::Holding, m_addressRegister + 1, quint16(index));
        return;
    }
    put(Table::Holding, m_addressRegister,
        quint16(quint8(address) << 8 | (index >= 0 ? index : (old & 0xFF))));
}

std::map<int, quint16> &Device::tableRef(Table table)
{
    switch (table) {
    case Table::Holding:
        return m_holding;
    case Table::Input:
        return m_input;
    case Table::Coil:
        break;
    }
    return m_coils;
}

const std::map<int, quint16> &Device::tableRef(Table table) const
{
    return const_cast<Device *>(this)->tableRef(table);
}

bool Device::isMappedLocked(Table table, int address) const
{
    return tableRef(table).count(address) != 0;
}

quint16 Device::get(Table table, int address) const
{
    const auto &t = tableRef(table);
    auto it = t.find(address);
    return it == t.end() ? 0 : it->second;
}

void Device::put(Table table, int address, quint16 value)
{
    tableRef(table)[address] = value;
}

bool Device::isMapped(Table table, int address) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return isMappedLocked(table, address);
}

void Device::map(Table table, int address, quint16 value)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    put(table, address, value);
}

void Device::mapRange(Table table, int first, int count, quint16 value)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (int i = 0; i < count; ++i)
        put(table, first + i, value);
}

void Device::unmap(Table table, int address)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    tableRef(table).erase(address);
}

void Device::unmapRange(Table table, int first, int count)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (int i = 0; i < count; ++i)
        tableRef(table).erase(first + i);
}

quint16 Device::value(Table table, int address) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return get(table, address);
}

void Device::setValue(Table table, int address, quint16 value)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    put(table, address, value);
}

QVector<quint16> Device::values(Table table, int first, int count) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    QVector<quint16> out;
    out.reserve(qMax(count, 0));
    for (int i = 0; i < count; ++i)
        out.append(get(table, first + i));
    return out;
}

void Device::setValues(Table table, int first, const QVector<quint16> &values)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (int i = 0; i < values.size(); ++i)
        put(table, first + i, values[i]);
}

void Device::setIdentification(int place, const QByteArray &text)
{
    const QByteArray id = fitted(text, 16);
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (int i = 0; i < 8; ++i)
        put(Table::Input, place + i, quint16((quint8(id[2 * i]) << 8) | quint8(id[2 * i + 1])));
}

void Device::clearIdentification(int place)
{
    unmapRange(Table::Input, place, 8);
}

QByteArray Device::identification(int place) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    QByteArray out;
    for (int i = 0; i < 8; ++i) {
        if (!isMappedLocked(Table::Input, place + i))
            return QByteArray();
        const quint16 v = get(Table::Input, place + i);
        out.append(char(v >> 8));
        out.append(char(v & 0xFF));
    }
    return out;
}

void Device::setFirmwareNumber(quint16 number)
{
    setInput(kFirmwareNumber, number);
}

void Device::setFirmwareText(const QByteArray &text)
{
    const QByteArray fw = fitted(text, 8);
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (int i = 0; i < 4; ++i)
        put(Table::Input, kFirmwareText + i,
            quint16((quint8(fw[2 * i]) << 8) | quint8(fw[2 * i + 1])));
}

int Device::read(Table table, int first, int count, QVector<quint16> *out) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (int i = 0; i < count; ++i) {
        if (!isMappedLocked(table, first + i))
            return 2;
    }
    // A read may move the device's state: the hook runs on the device the master owns.
    const_cast<Device *>(this)->onRead(table, first, count);
    if (out) {
        out->clear();
        for (int i = 0; i < count; ++i)
            out->append(get(table, first + i));
    }
    return 0;
}

void Device::onRead(Table, int, int) {}

int Device::writeHoldings(int first, const QVector<quint16> &values)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (int i = 0; i < values.size(); ++i) {
        if (!isMappedLocked(Table::Holding, first + i))
            return 2;
    }
    for (int i = 0; i < values.size(); ++i)
        onWriteHolding(first + i, values[i]);
    return 0;
}

int Device::writeCoil(int address, bool on)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!isMappedLocked(Table::Coil, address))
        return 2;
    onWriteCoil(address, on);
    return 0;
}

void Device::tick(int elapsedMs)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    onTick(elapsedMs);
}

void Device::onWriteHolding(int address, quint16 value)
{
    put(Table::Holding, address, value);
}

void Device::onWriteCoil(int address, bool on)
{
    put(Table::Coil, address, on ? 1 : 0);
}

void Device::onTick(int) {}

} // namespace sim
