// One function-3 read of 15 registers against the simulator with wire timing on, compared
// with the pure wire time of request and reply at 19200 Bd plus the simulator's reply delay;
// and the cost of one open/close of the port. Prints both.
//
//   build/bench/bench_link [rounds] [reply delay ms] [monitor]
//
// With "monitor" the traffic monitor records every exchange, as it does while its window
// is open.
#include "link/PortOwner.h"
#include "link/TSerial.h"
#include "link/TTransmit.h"
#include "link/Traffic.h"
#include "sim/Sim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class BenchPortOwner : public PortOwner
{
public:
    explicit BenchPortOwner(const QString &path) : m_path(path) {}
    void openPort() override
    {
        serial = new TSerial(1, m_path);
        serial->setBaudRate(19200);
        serial->setParity(0);
        serial->setByteSize(8);
        serial->setStopBits(1);
        serial->setBuffers(200, 200);
    }
    void closePort() override
    {
        delete serial;
        serial = nullptr;
    }

private:
    QString m_path;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(5, atoi(argv[1])) : 100;
    const int delayMs = argc > 2 ? std::max(0, atoi(argv[2])) : 5;
    const bool monitor = argc > 3 && QByteArray(argv[3]) == "monitor";
    Traffic::setRecording(monitor);

    auto device = std::shared_ptr<sim::Device>(sim::createModel(QStringLiteral("T4yJ")));
    device->mapRange(sim::Table::Holding, 0x2001, 15, 0x1234);
    sim::Server server(device);
    server.setTickInterval(0);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }
    sim::Faults faults;
    faults.wireTiming = true;
    faults.replyDelayMs = delayMs;
    server.setFaults(faults);

    BenchPortOwner owner(server.path());
    TTransmit transmit(owner);
    std::vector<double> reads;
    for (int i = 0; i < rounds + 3; ++i) {
        transmit.clear();
        transmit.setFunction(3);
        transmit.setStart(0x2001);
        transmit.setCount(15);
        transmit.buildRequest();
        QElapsedTimer timer;
        timer.start();
        const TransmitResult r = transmit.transact(nullptr);
        const double ms = timer.nsecsElapsed() / 1e6;
        if (r.error != 0) {
            std::fprintf(stderr, "read failed with error %d\n", r.error);
            return 1;
        }
        if (i >= 3) // the first exchanges warm caches up
            reads.push_back(ms);
    }
    const double wireMs = (8 + 35) * sim::kCharMicros / 1000.0;
    const double idealMs = wireMs + delayMs;
    const double readMs = median(reads);

    std::vector<double> opens;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        owner.openPort();
        owner.closePort();
        opens.push_back(timer.nsecsElapsed() / 1e6);
    }

    std::printf("function-3 read of 15 registers, wire timing, reply delay %d ms, %d rounds%s\n",
                delayMs, rounds, monitor ? ", traffic monitor recording" : "");
    std::printf("  wire time of request and reply: %.3f ms, ideal exchange %.3f ms\n", wireMs,
                idealMs);
    std::printf("  measured median %.3f ms (min %.3f, max %.3f)\n", readMs,
                *std::min_element(reads.begin(), reads.end()),
                *std::max_element(reads.begin(), reads.end()));
    std::printf("  ratio measured / ideal: %.3f\n", readMs / idealMs);
    std::printf("open + configure + close of the port: median %.3f ms\n", median(opens));
    return 0;
}
