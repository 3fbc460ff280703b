// A full bus scan (addresses 1-254 at one rate) against the simulated bus of three devices
// with wire timing, next to its limit: 254 x (the request's wire time + the first-byte
// time-out). And what a connection to a network gateway costs, opened per exchange as the
// serial port is, against one kept open.
//
//   build/bench/bench_scan [rate] [first-byte time-out ms]
#include "link/PortOwner.h"
#include "link/TSerial.h"
#include "link/TTransmit.h"
#include "shell/BusScan.h"
#include "sim/Sim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <cstdio>

namespace {

class BenchPortOwner : public PortOwner
{
public:
    explicit BenchPortOwner(const QString &path) : m_path(path) {}
    std::optional<PortSettings> portSettings() const override
    {
        PortSettings s;
        s.portNumber = 1;
        s.devicePath = m_path;
        s.baudRate = target().baudRate;
        return s;
    }
    void openPort() override { openPortWith(*portSettings()); }
    void closePort() override
    {
        delete serial;
        serial = nullptr;
    }

private:
    QString m_path;
};

std::unique_ptr<sim::Server> startBus(bool tcp)
{
    std::vector<sim::BusMember> members;
    sim::parseBus(QStringLiteral("T4yJ@5,CWR1@17,E-HN2@31:9600"), &members);
    auto server = std::make_unique<sim::Server>(std::move(members));
    server->setTickInterval(0);
    sim::Faults f;
    f.wireTiming = true;
    server->setFaults(f);
    if (tcp)
        server->setTcpPort(0);
    QString error;
    if (!server->start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return nullptr;
    }
    return server;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const quint32 rate = argc > 1 ? quint32(atoi(argv[1])) : 19200;
    const int wait = argc > 2 ? atoi(argv[2]) : BusScanOptions::kDefaultFirstByteMs;

    auto bus = startBus(false);
    if (!bus)
        return 1;
    BenchPortOwner owner(bus->path());
    BusScanOptions options;
    options.baudRates = {rate};
    options.firstByteMs = wait;
    const BusScanResult r = BusScan(owner).run(options);
    const double wireMs = 8 * 10 * 1000.0 / rate;
    const double limitMs = 254 * (wireMs + wait);
    std::printf("scan 1-254 at %u Bd, first-byte time-out %d ms: %.2f s, %zu found\n",
                unsigned(rate), wait, r.elapsedMs / 1000.0, r.hits.size());
    for (const BusScanHit &h : r.hits)
        std::printf("  %3d %5u Bd %-6s %s\n", h.address, unsigned(h.baudRate), qPrintable(h.model),
                    qPrintable(h.kindText()));
    std::printf("limit 254 x (%.2f ms wire + %d ms) = %.2f s; per address %.1f ms\n", wireMs,
                wait, limitMs / 1000.0, double(r.elapsedMs) / r.tried);

    // The gateway: one exchange with a connection of its own, against a connection kept.
    auto gateway = startBus(true);
    if (!gateway)
        return 1;
    BenchPortOwner net(gateway->path());
    net.setTarget({5, 19200});
    constexpr int rounds = 50;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < rounds; ++i) {
        TTransmit x(net);
        QString ident;
        x.readIdentification(ident);
    }
    const double perExchange = double(t.nsecsElapsed()) / rounds / 1e6;
    t.restart();
    for (int i = 0; i < rounds; ++i) {
        QTcpSocket s;
        s.connectToHost(QStringLiteral("127.0.0.1"), gateway->tcpPort());
        s.waitForConnected(3000);
        s.abort();
    }
    const double connect = double(t.nsecsElapsed()) / rounds / 1e6;
    std::printf("gateway on loopback: identification read %.2f ms with its own connection, "
                "of which connecting %.3f ms\n",
                perExchange, connect);
    return r.elapsedMs <= 8000 || rate != 19200 ? 0 : 2;
}
