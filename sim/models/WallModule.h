#pragma once

// CWR1 and GWR1 wall modules: measured temperature (and humidity on the CWR1), one digital
// input and output, three LCD modes with their requested states and the symbols at the
// three top positions, and the command register 0x001C that returns to 0 once the module
// has carried out a command.

#include "sim/Device.h"

#include <chrono>

namespace sim::models {

class WallModule : public Device
{
public:
    WallModule(const QString &name, bool humidity);

    // A command reads back as written until this much time has passed (0: at once).
    void setCommandDelayMs(int ms);
    // The next n reads of the command register still show the command.
    void setCommandBusyReads(int n);
    // The command register keeps every command (a module that hangs).
    void setCommandStuck(bool stuck);
    // Commands received, in order.
    QVector<quint16> commands() const;

protected:
    void onWriteHolding(int address, quint16 value) override;
    void onRead(Table table, int first, int count) override;
    void onTick(int elapsedMs) override;

private:
    void finishCommand(bool polled);

    bool m_humidity;
    int m_delayMs = 50;
    int m_busyReads = 0;
    bool m_stuck = false;
    std::chrono::steady_clock::time_point m_commandAt;
    QVector<quint16> m_commands;
    qint64 m_ms = 0;
};

} // namespace sim::models
