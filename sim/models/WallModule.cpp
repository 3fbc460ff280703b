#include "sim/models/WallModule.h"

#include "sim/models/Models.h"

#include <cmath>

namespace sim::models {

namespace {

constexpr int kCommand = 0x001C;

} // namespace

WallModule::WallModule(const QString &name, bool humidity) : Device(name), m_humidity(humidity)
{
    for (int a = 0; a <= 0x008B; ++a)
        put(Table::Holding, a, 0);
    // Factory settings: text of the model's name, address 1 at 9600 Bd, a two-state
    // output, correction -5,0..5,0 °C, humidity 20..80 %, contrast 100, no fast choices,
    // mode 1 of two states (moon, sun) bound to the top left position.
    const QByteArray text = name.toLatin1();
    for (int i = 0; i < 8; ++i) {
        const int hi = 2 * i < text.size() ? quint8(text[2 * i]) : 0;
        const int lo = 2 * i + 1 < text.size() ? quint8(text[2 * i + 1]) : 0;
        put(Table::Holding, 0x0028 + i, quint16(hi << 8 | lo));
    }
    put(Table::Holding, 0x0030, 1);
    put(Table::Holding, 0x0031, 3);
    put(Table::Holding, 0x0032, 1);
    put(Table::Holding, 0x0033, 0);
    put(Table::Holding, 0x0034, quint16(qint16(-50)));
    put(Table::Holding, 0x0035, 50);
    put(Table::Holding, 0x0036, humidity ? 20 : 0xFFFF);
    put(Table::Holding, 0x0037, humidity ? 80 : 0xFFFF);
    put(Table::Holding, 0x0009, humidity ? 50 : 0);
    put(Table::Holding, 0x001D, 10);
    put(Table::Holding, 0x001E, 10);
    put(Table::Holding, 0x001F, 0xFFFF);
    put(Table::Holding, 0x0020, humidity ? 0xFFFF : 0);
    put(Table::Holding, 0x0021, 100);
    put(Table::Holding, 0x0054, 1);
    put(Table::Holding, 0x0055, 2);
    put(Table::Holding, 0x005C, 1);
    put(Table::Holding, 0x005D, 2);
    put(Table::Holding, 0x0018, 1);
    // Address and rate as placed on a bus; written ones take effect only after a restart.
    setAddressRegister(0x0030, true);
    onTick(0);
}

void WallModule::setCommandDelayMs(int ms)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_delayMs = ms;
}

void WallModule::setCommandBusyReads(int n)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_busyReads = n;
}

void WallModule::setCommandStuck(bool stuck)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_stuck = stuck;
}

QVector<quint16> WallModule::commands() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_commands;
}

void WallModule::onWriteHolding(int address, quint16 value)
{
    put(Table::Holding, address, value);
    if (address == kCommand && value != 0) {
        m_commands.append(value);
        m_commandAt = std::chrono::steady_clock::now();
    }
}

void WallModule::finishCommand(bool polled)
{
    if (get(Table::Holding, kCommand) == 0 || m_stuck)
        return;
    if (polled && m_busyReads > 0) {
        --m_busyReads;
        return;
    }
    const auto since = std::chrono::steady_clock::now() - m_commandAt;
    if (since >= std::chrono::milliseconds(m_delayMs))
        put(Table::Holding, kCommand, 0);
}

void WallModule::onRead(Table table, int first, int count)
{
    if (table == Table::Holding && first <= kCommand && kCommand < first + count)
        finishCommand(true);
}

void WallModule::onTick(int elapsedMs)
{
    m_ms += elapsedMs;
    finishCommand(false);
    const double phase = 2.0 * M_PI * double(m_ms % 90000) / 90000.0;
    const int offset = qint16(get(Table::Holding, 0x004C));
    put(Table::Holding, 0x0000, quint16(qint16(std::lround(215 + 15 * std::sin(phase)) + offset)));
    if (m_humidity)
        put(Table::Holding, 0x0001, quint16(qint16(std::lround(455 + 60 * std::cos(phase)))));
    // The input closes for a while every half minute.
    put(Table::Holding, 0x0014, (m_ms / 30000) % 2 ? 1 : 0);
}

std::unique_ptr<Device> makeCwr1(const QString &name)
{
    return std::make_unique<WallModule>(name, true);
}

std::unique_ptr<Device> makeGwr1(const QString &name)
{
    return std::make_unique<WallModule>(name, false);
}

} // namespace sim::models
