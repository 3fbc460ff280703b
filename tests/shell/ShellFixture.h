#pragma once

// Shared set-up of the shell tests: a private working directory (mFormSave.ini and
// serialPorts.ini live there), scripted prompts, and a simulated device on a pty that a
// COM name resolves to through serialPorts.ini, the same path the program takes.

#include "sim/Sim.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/WorkingDir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>
#include <memory>

// A device that answers address 255 with the given identifications (empty: that place is
// not mapped, so reading it gives exception 2).
inline std::unique_ptr<sim::Server> startDevice(const QByteArray &classic,
                                                const QByteArray &newer = QByteArray())
{
    auto device = std::make_shared<sim::Device>(QStringLiteral("test"));
    device->setFirmwareNumber(100);
    if (!classic.isNull())
        device->setIdentification(sim::kClassicIdentification, classic);
    if (!newer.isNull())
        device->setIdentification(sim::kNewIdentification, newer);
    auto server = std::make_unique<sim::Server>(device);
    QString error;
    if (!server->start(&error)) {
        qWarning("simulator: %s", qPrintable(error));
        return nullptr;
    }
    return server;
}

// Identification reads the device received, as their start registers.
inline QList<int> identificationReads(const sim::Server &server)
{
    QList<int> starts;
    for (const sim::Frame &f : server.frames()) {
        if (f.bytes.size() == 8 && quint8(f.bytes[1]) == 4 && quint8(f.bytes[5]) == 8)
            starts.append((quint8(f.bytes[2]) << 8) | quint8(f.bytes[3]));
    }
    return starts;
}
