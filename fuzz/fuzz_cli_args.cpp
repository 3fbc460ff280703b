// Any command line of ovrin-cli (arguments separated by NUL bytes) and the values it parses:
// a refused line says why; an accepted one reads back the same from its own rendering; rates,
// addresses, a gateway path and a session are either refused or within their ranges.

#include "FuzzSupport.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "cli/Scan.h"
#include "link/GatewayDevice.h"
#include "shell/BusScan.h"

namespace {

QStringList rendered(const Options &o)
{
    QStringList a = {QStringLiteral("ovrin-cli")};
    if (!o.command.isEmpty())
        a << o.command;
    if (!o.file.isEmpty())
        a << o.file;
    auto pair = [&](const char *name, const QString &v) {
        if (!v.isNull())
            a << QLatin1String(name) << v;
    };
    pair("--port", o.port);
    pair("--model", o.model);
    pair("--output", o.output);
    pair("--log", o.log);
    pair("--port-timeout", QString::number(o.portTimeoutS));
    pair("--address", o.address);
    pair("--baud", o.baud);
    pair("--timeout", o.timeout);
    pair("--bauds", o.bauds);
    pair("--addresses", o.addresses);
    if (o.json)
        a << QStringLiteral("--json");
    if (o.dryRun)
        a << QStringLiteral("--dry-run");
    if (o.allowDefaults)
        a << QStringLiteral("--allow-defaults");
    return a;
}

bool same(const Options &x, const Options &y)
{
    return x.command == y.command && x.file == y.file && x.port == y.port &&
           x.model == y.model && x.output == y.output && x.log == y.log &&
           x.json == y.json && x.dryRun == y.dryRun && x.allowDefaults == y.allowDefaults &&
           x.portTimeoutS == y.portTimeoutS && x.address == y.address && x.baud == y.baud &&
           x.timeout == y.timeout && x.bauds == y.bauds && x.addresses == y.addresses;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static fuzz::World w;
    (void)w;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringList args = {QStringLiteral("ovrin-cli")};
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    for (const QByteArray &arg : bytes.split('\0'))
        args << QString::fromUtf8(arg);

    Options o;
    QString error;
    if (!parseOptions(args, o, error)) {
        if (error.isEmpty())
            fuzz::failed("a refused command line without a reason");
        return 0;
    }
    if (o.portTimeoutS < 1)
        fuzz::failed("a port time-out under a second accepted");
    // A command line read back from what was understood means the same.
    Options again;
    if (!parseOptions(rendered(o), again, error) || !same(o, again)) {
        // A command or file that looks like an option cannot come back as one; that is the
        // only line whose rendering is not its own meaning.
        if (!o.command.startsWith(QLatin1Char('-')) && !o.file.startsWith(QLatin1Char('-')))
            fuzz::failed("an accepted command line does not read back the same");
    }

    QList<quint32> rates;
    if (BusScan::parseRates(o.bauds, &rates)) {
        if (rates.isEmpty())
            fuzz::failed("no rate accepted as a list");
        for (quint32 r : rates)
            if (!BusScan::knownRates().contains(r) || rates.count(r) != 1)
                fuzz::failed("an unknown or repeated rate");
    }
    int first = 0, last = 0;
    if (BusScan::parseAddresses(o.addresses, &first, &last) &&
        (first < 1 || last > 254 || first > last))
        fuzz::failed("addresses out of 1..254 accepted");
    const GatewayAddress gateway = parseGatewayPath(o.port);
    if (gateway.valid() && !o.port.trimmed().startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive))
        fuzz::failed("a gateway from a path that is none");

    CliShell shell;
    QString why;
    if (applySession(o.address, o.baud, o.timeout, shell, why)) {
        const LineTarget t = shell.target();
        if (t.address < 1 || !BusScan::knownRates().contains(t.baudRate))
            fuzz::failed("a session outside its ranges");
        if (!o.timeout.isEmpty() && (shell.firstByteMs < 1 || shell.firstByteMs > 60000))
            fuzz::failed("a reply wait outside 1..60000 ms");
    } else if (why.isEmpty()) {
        fuzz::failed("a refused session without a reason");
    }
    return 0;
}
