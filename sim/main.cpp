// ovrin-sim: one simulated device, or a bus of them, on a pseudo-terminal or a loopback TCP
// port, for manual tests and end-to-end runs.

#include "sim/Sim.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <pthread.h>

namespace {

const char kUsage[] =
    "usage: ovrin-sim --model NAME [options]\n"
    "       ovrin-sim --bus MODEL@ADDR[:BAUD],... [options]\n"
    "  --model NAME           one of: %s\n"
    "  --bus LIST             several devices on one line, each at its own address and rate\n"
    "                         (19200 unless given): T4yJ@5,CWR1@17,E-HN2@31:9600; a request\n"
    "                         at another rate is garbage to a device; address 255 reaches\n"
    "                         all of them at once and their replies collide\n"
    "  --tcp PORT             serve on 127.0.0.1:PORT as a transparent serial server (0: any\n"
    "                         free port) instead of a pty; prints tcp://127.0.0.1:PORT\n"
    "  --line-rate BAUD       the serial rate behind the TCP port (default 19200)\n"
    "  --link PATH            also create a symlink PATH to the pty (removed on exit)\n"
    "  --address N            own slave address 1..254 (address 255 is always answered)\n"
    "  --wire-timing          pace replies like a line at the request's rate\n"
    "  --delay MS             wait MS before the first reply byte\n"
    "  --silent               never reply\n"
    "  --bad-crc              reply with a wrong CRC\n"
    "  --wrong-function N     put N into the reply's function byte\n"
    "  --drop-last N          leave out the last N reply bytes\n"
    "  --fail-next K          give no reply to the next K requests\n"
    "  --random-faults RATE[:SEED]  give a request, with chance RATE (0..1), one fault of a\n"
    "                         kind a master can see: bad CRC, silence, a short reply, a reply\n"
    "                         for another address, line noise instead of the reply\n"
    "  --unplug EVERY:FOR     the device is unplugged (hears nothing) for the last FOR seconds\n"
    "                         of every EVERY seconds\n"
    "  --exception T:A[-B]:C  exception C for table T (holding, input, coil), addresses A..B\n"
    "  --id TEXT              identification at 0x0001 (padded to 16 characters)\n"
    "  --new-id TEXT          identification at 0x0010\n"
    "  --id-hex HEX, --new-id-hex HEX   the same as bytes in hex (NUL and any byte allowed)\n"
    "  --no-id                no identification at 0x0001 (registers unmapped)\n"
    "  --no-new-id            no identification at 0x0010\n"
    "  --log FILE             write every frame as a hex line: 'rx ...' or 'tx ...'\n"
    "The pty path (or the TCP address) is printed as the first line; SIGINT or SIGTERM ends\n"
    "the simulator. With --random-faults or --unplug, the faults injected so far are printed\n"
    "by kind on SIGUSR1 and at the end: 'faults bad-crc=N silence=N ...'. Device options (--address, --id, ...) apply to --model only.\n";

int usage(const char *problem)
{
    if (problem)
        std::fprintf(stderr, "ovrin-sim: %s\n", problem);
    std::fprintf(stderr, kUsage, qPrintable(sim::modelNames().join(QStringLiteral(", "))));
    return 2;
}

bool toInt(const QString &text, int min, int max, int *out)
{
    bool ok = false;
    const int v = text.toInt(&ok, 0); // 0x prefixes allowed
    if (!ok || v < min || v > max)
        return false;
    *out = v;
    return true;
}

struct ExceptionArg {
    sim::Table table;
    int first;
    int last;
    int code;
};

bool parseException(const QString &text, ExceptionArg *out)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return false;
    const QString t = parts[0].toLower();
    if (t == QLatin1String("holding"))
        out->table = sim::Table::Holding;
    else if (t == QLatin1String("input"))
        out->table = sim::Table::Input;
    else if (t == QLatin1String("coil"))
        out->table = sim::Table::Coil;
    else
        return false;
    const QStringList range = parts[1].split(QLatin1Char('-'));
    if (range.size() > 2 || !toInt(range[0], 0, 0xFFFF, &out->first))
        return false;
    out->last = out->first;
    if (range.size() == 2 && !toInt(range[1], 0, 0xFFFF, &out->last))
        return false;
    return toInt(parts[2], 1, 255, &out->code);
}

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    QString model, link, logPath, bus;
    int tcpPort = -1;
    int lineRate = 19200;
    int address = 0;
    sim::Faults faults;
    sim::RandomFaults random;
    QList<ExceptionArg> exceptions;
    QByteArray id, newId;
    bool setId = false, setNewId = false, noId = false, noNewId = false;

    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](QString *out) {
            if (i + 1 >= args.size())
                return false;
            *out = args[++i];
            return true;
        };
        QString v;
        if (a == QLatin1String("--wire-timing")) {
            faults.wireTiming = true;
        } else if (a == QLatin1String("--silent")) {
            faults.silent = true;
        } else if (a == QLatin1String("--bad-crc")) {
            faults.badCrc = true;
        } else if (a == QLatin1String("--no-id")) {
            noId = true;
        } else if (a == QLatin1String("--no-new-id")) {
            noNewId = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            usage(nullptr);
            return 0;
        } else if (!value(&v)) {
            return usage(qPrintable(QStringLiteral("unknown or incomplete option ") + a));
        } else if (a == QLatin1String("--model")) {
            model = v;
        } else if (a == QLatin1String("--bus")) {
            bus = v;
        } else if (a == QLatin1String("--tcp")) {
            if (!toInt(v, 0, 65535, &tcpPort))
                return usage("--tcp needs a port number 0..65535");
        } else if (a == QLatin1String("--line-rate")) {
            if (!toInt(v, 1200, 115200, &lineRate))
                return usage("--line-rate needs a rate in Bd");
        } else if (a == QLatin1String("--link")) {
            link = v;
        } else if (a == QLatin1String("--log")) {
            logPath = v;
        } else if (a == QLatin1String("--id")) {
            id = v.toLatin1();
            setId = true;
        } else if (a == QLatin1String("--new-id")) {
            newId = v.toLatin1();
            setNewId = true;
        } else if (a == QLatin1String("--id-hex") || a == QLatin1String("--new-id-hex")) {
            const QByteArray bytes = QByteArray::fromHex(v.toLatin1());
            if (bytes.isEmpty() || bytes.toHex() != v.toLatin1().toLower())
                return usage("--id-hex needs an even number of hex digits");
            (a == QLatin1String("--id-hex") ? id : newId) = bytes;
            (a == QLatin1String("--id-hex") ? setId : setNewId) = true;
        } else if (a == QLatin1String("--address")) {
            if (!toInt(v, 1, 254, &address))
                return usage("--address needs 1..254");
        } else if (a == QLatin1String("--delay")) {
            if (!toInt(v, 0, 600000, &faults.replyDelayMs))
                return usage("--delay needs milliseconds");
        } else if (a == QLatin1String("--wrong-function")) {
            if (!toInt(v, 0, 255, &faults.wrongFunction))
                return usage("--wrong-function needs 0..255");
        } else if (a == QLatin1String("--drop-last")) {
            if (!toInt(v, 0, 1000, &faults.dropLastBytes))
                return usage("--drop-last needs a byte count");
        } else if (a == QLatin1String("--fail-next")) {
            if (!toInt(v, 0, 1000000, &faults.failNextRequests))
                return usage("--fail-next needs a count");
        } else if (a == QLatin1String("--random-faults")) {
            const QStringList parts = v.split(QLatin1Char(':'));
            bool ok = parts.size() <= 2;
            random.rate = ok ? parts[0].toDouble(&ok) : 0;
            int seed = 1;
            if (ok && parts.size() == 2)
                ok = toInt(parts[1], 0, 0x7fffffff, &seed);
            if (!ok || random.rate < 0 || random.rate > 1)
                return usage("--random-faults needs RATE 0..1 and an optional :SEED");
            random.seed = quint32(seed);
        } else if (a == QLatin1String("--unplug")) {
            const QStringList parts = v.split(QLatin1Char(':'));
            int every = 0, length = 0;
            if (parts.size() != 2 || !toInt(parts[0], 1, 86400, &every) ||
                !toInt(parts[1], 1, every, &length))
                return usage("--unplug needs EVERY:FOR in seconds, FOR not above EVERY");
            random.unplugEveryMs = every * 1000;
            random.unplugForMs = length * 1000;
        } else if (a == QLatin1String("--exception")) {
            ExceptionArg e;
            if (!parseException(v, &e))
                return usage("--exception needs TABLE:FIRST[-LAST]:CODE");
            exceptions << e;
        } else {
            return usage(qPrintable(QStringLiteral("unknown option ") + a));
        }
    }
    if (model.isEmpty() == bus.isEmpty())
        return usage("one of --model and --bus is required");
    std::vector<sim::BusMember> members;
    if (!bus.isEmpty()) {
        QString why;
        if (!sim::parseBus(bus, &members, &why))
            return usage(qPrintable(QStringLiteral("--bus: ") + why));
    } else {
        std::shared_ptr<sim::Device> device = sim::createModel(model);
        if (!device)
            return usage(qPrintable(QStringLiteral("unknown model ") + model));
        members.push_back({device, 0});
    }
    const std::shared_ptr<sim::Device> device = members.front().device;

    if (bus.isEmpty())
        device->setAddress(address);
    if (setId)
        device->setIdentification(sim::kClassicIdentification, id);
    if (setNewId)
        device->setIdentification(sim::kNewIdentification, newId);
    if (noId)
        device->clearIdentification(sim::kClassicIdentification);
    if (noNewId)
        device->clearIdentification(sim::kNewIdentification);

    FILE *logFile = nullptr;
    if (!logPath.isEmpty()) {
        logFile = std::fopen(QFile::encodeName(logPath).constData(), "w");
        if (!logFile) {
            std::fprintf(stderr, "ovrin-sim: cannot write %s\n", qPrintable(logPath));
            return 1;
        }
    }

    // Block the stopSignals before the server thread exists, so only sigwait() sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    sim::Server server(members);
    if (tcpPort >= 0) {
        server.setTcpPort(quint16(tcpPort));
        server.setLineRate(quint32(lineRate));
    }
    server.setFaults(faults);
    const bool counting = random.rate > 0 || random.unplugEveryMs > 0;
    if (counting)
        server.setRandomFaults(random);
    for (const ExceptionArg &e : exceptions)
        server.setException(e.table, e.first, e.last, e.code);
    if (!link.isEmpty())
        server.setLinkPath(link);
    if (logFile) {
        server.setObserver([logFile](const sim::Frame &frame) {
            // The rate only where it is not the bench's 19200 Bd.
            const QByteArray rate = frame.baudRate != 0 && frame.baudRate != 19200
                                        ? " @" + QByteArray::number(frame.baudRate)
                                        : QByteArray();
            std::fprintf(logFile, "%s %s%s\n", frame.reply ? "tx" : "rx",
                         frame.bytes.toHex(' ').toUpper().constData(), rate.constData());
            std::fflush(logFile);
        });
    }
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "ovrin-sim: %s\n", qPrintable(error));
        if (logFile)
            std::fclose(logFile);
        return 1;
    }
    std::printf("%s\n", qPrintable(server.path()));
    std::fflush(stdout);

    auto printFaults = [&] {
        const auto counts = server.injectedFaults();
        std::printf("faults");
        for (int k = 0; k < sim::kFaultKinds; ++k)
            std::printf(" %s=%lld", sim::faultName(sim::FaultKind(k)), qlonglong(counts[size_t(k)]));
        std::printf("\n");
        std::fflush(stdout);
    };
    int received = 0;
    while (sigwait(&stopSignals, &received) == 0 && received == SIGUSR1) {
        if (counting)
            printFaults();
    }
    server.stop();
    if (counting)
        printFaults();
    if (logFile)
        std::fclose(logFile);
    return 0;
}
