#pragma once

// A simulated Modbus RTU field device: sparse register tables, identification, firmware.
//
//   auto dev = sim::createModel("T4yJ");            // identification and firmware preset
//   dev->setHolding(0x2001, 0x4142);                // maps the register if it was not mapped
//   dev->mapRange(sim::Table::Holding, 0x2000, 16); // mapped, value 0
//   dev->setIdentification(sim::kNewIdentification, "GWR1"); // padded to 16 with spaces
//   dev->clearIdentification(sim::kClassicIdentification);   // place unmapped: exception 2
//   quint16 v = dev->holding(0x2001);
//
// Every public method locks the device, so tests may read and change registers while a
// sim::Server serves it from its own thread. Models override the protected hooks; the hooks
// run with the device locked and use the unlocked accessors get()/put()/isMappedLocked().

#include <QByteArray>
#include <QString>
#include <QVector>
#include <map>
#include <mutex>

namespace sim {

enum class Table { Holding, Input, Coil };

// First input register of each identification place (8 registers, 16 characters).
constexpr int kClassicIdentification = 0x0001;
constexpr int kNewIdentification = 0x0010;
constexpr int kFirmwareNumber = 0x0000;
constexpr int kFirmwareText = 0x0018; // 4 registers, 8 characters

class Device
{
public:
    explicit Device(const QString &name = QString());
    virtual ~Device();
    Device(const Device &) = delete;
    Device &operator=(const Device &) = delete;

    QString name() const;

    // Own slave address 1..254; 0 means the device answers address 255 only.
    int address() const;
    void setAddress(int address);
    // A written address register: its high byte is the address, in effect at once; one
    // outside 1..254 leaves the address as it was. Its low byte is the baud-rate index
    // (1200 ... 19200): takeNewLineRate() hands it to a bus that lets rates change.
    void takeAddressFrom(quint16 registerValue);
    // The rate written since the last call (in Bd), 0 when none was.
    quint32 takeNewLineRate();
    // Puts the device at this address and rate on a bus: its own address, and its address
    // register (where the model has one) as a device set up that way would read.
    void placeOnBus(int address, quint32 baudRate);

    // Generic access. value() of an unmapped address is 0; setValue() maps it.
    bool isMapped(Table table, int address) const;
    void map(Table table, int address, quint16 value = 0);
    void mapRange(Table table, int first, int count, quint16 value = 0);
    void unmap(Table table, int address);
    void unmapRange(Table table, int first, int count);
    quint16 value(Table table, int address) const;
    void setValue(Table table, int address, quint16 value);
    QVector<quint16> values(Table table, int first, int count) const;
    void setValues(Table table, int first, const QVector<quint16> &values);

    quint16 holding(int address) const { return value(Table::Holding, address); }
    void setHolding(int address, quint16 v) { setValue(Table::Holding, address, v); }
    quint16 input(int address) const { return value(Table::Input, address); }
    void setInput(int address, quint16 v) { setValue(Table::Input, address, v); }
    bool coil(int address) const { return value(Table::Coil, address) != 0; }
    void setCoil(int address, bool on) { setValue(Table::Coil, address, on ? 1 : 0); }

    // 16 bytes at the place (kClassicIdentification or kNewIdentification); shorter text is
    // padded with spaces, longer is cut. Any bytes are allowed (NUL, lower case, ...).
    void setIdentification(int place, const QByteArray &text);
    void clearIdentification(int place);        // the 8 registers become unmapped
    QByteArray identification(int place) const; // empty when the place is unmapped

    void setFirmwareNumber(quint16 number);
    void setFirmwareText(const QByteArray &text); // padded with spaces / cut to 8

    // Master-side operations, used by the server (and by tests that bypass the wire).
    // Each returns 0 or a Modbus exception code (2 when any address is unmapped); a write
    // changes nothing unless every address is mapped.
    int read(Table table, int first, int count, QVector<quint16> *out) const;
    int writeHoldings(int first, const QVector<quint16> &values);
    int writeCoil(int address, bool on);

    // Moves live values; the server calls it periodically with the time since the last call.
    void tick(int elapsedMs);

protected:
    // Hooks, called with the device locked. Defaults store the value as written.
    virtual void onWriteHolding(int address, quint16 value);
    virtual void onWriteCoil(int address, bool on);
    virtual void onTick(int elapsedMs);
    // Before a read's values are taken (a register that changes when it is polled).
    virtual void onRead(Table table, int first, int count);

    // The holding register with the address (high byte) and baud index (low byte).
    // `split`: the address alone there and the baud index in the next register.
    void setAddressRegister(int address, bool split = false);

    // Unlocked accessors for hooks and model constructors.
    bool isMappedLocked(Table table, int address) const;
    quint16 get(Table table, int address) const;
    void put(Table table, int address, quint16 value); // maps the address

    mutable std::recursive_mutex m_mutex;

private:
    std::map<int, quint16> &tableRef(Table table);
    const std::map<int, quint16> &tableRef(Table table) const;

    QString m_name;
    int m_address = 0;
    int m_addressRegister = -1;
    bool m_addressSplit = false;
    quint32 m_newLineRate = 0;
    std::map<int, quint16> m_holding;
    std::map<int, quint16> m_input;
    std::map<int, quint16> m_coils;
};

} // namespace sim
