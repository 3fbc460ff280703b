#pragma once

// One page test's world (header only, like TestShell.h): a private working directory, the
// stand-in main window, scripted prompts, and a simulated device served on a pty.
//
//   DeviceRig rig;
//   QVERIFY(rig.start("ZK"));            // or rig.start(device)
//   TcForm4 page; rig.shell.page = &page;
//   page.getButton()->click();
//   QCOMPARE(rig.frames(16), 0);

#include "sim/Sim.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/TestShell.h"
#include "tests/support/WorkingDir.h"

#include <functional>
#include <memory>

struct DeviceRig {
    WorkingDir dir;
    TestShell shell;
    ScriptedPrompts prompts;
    std::shared_ptr<sim::Device> device;
    std::unique_ptr<sim::Server> server;
    // Sees every frame on the server's thread (set before start()).
    std::function<void(const sim::Frame &)> observer;

    // Serves `d` (a previous device stops); live values stay where a test puts them.
    bool start(std::shared_ptr<sim::Device> d)
    {
        stop();
        device = std::move(d);
        server = std::make_unique<sim::Server>(device);
        server->setTickInterval(0);
        if (observer)
            server->setObserver(observer);
        QString error;
        if (!server->start(&error)) {
            qWarning("simulator: %s", qPrintable(error));
            return false;
        }
        shell.path = server->path();
        return true;
    }
    // The server's thread ends before the pointer to it changes: an observer may use it.
    void stop()
    {
        if (server)
            server->stop();
        server.reset();
    }
    bool start(const QString &model)
    {
        return start(std::shared_ptr<sim::Device>(sim::createModel(model)));
    }

    // Requests of a function the device received (at a start register, or any).
    int frames(int function, int start = -1) const
    {
        int n = 0;
        for (const auto &f : server->frames())
            n += quint8(f.bytes[1]) == function &&
                 (start < 0 || ((quint8(f.bytes[2]) << 8) | quint8(f.bytes[3])) == start);
        return n;
    }
};
