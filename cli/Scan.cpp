#include "cli/Scan.h"

#include "cli/CliSession.h"
#include "link/Messages.h"
#include "link/TSerial.h"
#include "shell/BusScan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

std::atomic<bool> g_stop{false};

void stopScan(int)
{
    g_stop = true;
}

bool toInt(const QString &text, int min, int max, int *out)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < min || v > max)
        return false;
    *out = v;
    return true;
}

} // namespace

bool applySession(const QString &address, const QString &baud, const QString &timeout,
                  CliShell &shell, QString &why)
{
    LineTarget target = shell.target();
    int value = 0;
    if (!address.isEmpty()) {
        if (!toInt(address, 1, 255, &value)) {
            why = QStringLiteral("--address potřebuje adresu 1 až 254 (255: všechna zařízení)");
            return false;
        }
        target.address = quint8(value);
    }
    if (!baud.isEmpty()) {
        QList<quint32> rates;
        if (!BusScan::parseRates(baud, &rates) || rates.size() != 1) {
            why = QStringLiteral("--baud potřebuje jednu z rychlostí 1200, 2400, 4800, 9600, 19200");
            return false;
        }
        target.baudRate = rates.front();
    }
    if (!timeout.isEmpty()) {
        if (!toInt(timeout, 1, 60000, &value)) {
            why = QStringLiteral("--timeout potřebuje počet milisekund (1 až 60000)");
            return false;
        }
        shell.firstByteMs = value;
    }
    shell.setTarget(target);
    return true;
}

int runScan(CliShell &shell, const QString &bauds, const QString &addresses,
            const QString &timeout, bool json)
{
    BusScanOptions options;
    if (!bauds.isEmpty() && !BusScan::parseRates(bauds, &options.baudRates)) {
        std::fprintf(stderr, "ovrin-cli: --bauds potřebuje rychlosti z 1200, 2400, 4800, 9600, 19200\n");
        return StatusUsage;
    }
    if (!addresses.isEmpty() &&
        !BusScan::parseAddresses(addresses, &options.firstAddress, &options.lastAddress)) {
        std::fprintf(stderr, "ovrin-cli: --addresses potřebuje rozsah OD-DO v mezích 1 až 254\n");
        return StatusUsage;
    }
    // A gateway's own wait unless --timeout says otherwise: the network is in every reply.
    const int portWait = TSerial::firstByteTimeoutFor(shell.port);
    options.firstByteMs = !timeout.isEmpty() ? shell.firstByteMs
                          : portWait > 0     ? portWait
                                             : BusScanOptions::kDefaultFirstByteMs;

    const bool tty = !json && ::isatty(STDERR_FILENO);
    g_stop = false;
    auto previous = std::signal(SIGINT, stopScan);
    BusScan scan(shell);
    const BusScanResult r = scan.run(
        options,
        [tty](int address, quint32 rate, int done, int total) {
            if (tty)
                std::fprintf(stderr, "\r\033[K%d/%d: adresa %d, %u Bd", done, total, address,
                             unsigned(rate));
        },
        [tty, json](const BusScanHit &h) {
            if (json)
                return;
            if (tty)
                std::fprintf(stderr, "\r\033[K");
            std::printf("%3d  %5u Bd  %-10s  %-9s  %-16s  %s\n", h.address, unsigned(h.baudRate),
                        qPrintable(h.model), qPrintable(h.firmware), qPrintable(h.customerText),
                        qPrintable(h.kindText()));
            std::fflush(stdout);
        },
        &g_stop);
    std::signal(SIGINT, previous);
    if (tty)
        std::fprintf(stderr, "\r\033[K");

    if (json) {
        QJsonArray devices;
        for (const BusScanHit &h : r.hits)
            devices.append(QJsonObject{{"address", h.address},
                                       {"baud", int(h.baudRate)},
                                       {"model", h.model},
                                       {"identification", h.identification},
                                       {"firmware", h.firmware},
                                       {"text", h.customerText},
                                       {"kind", h.kindText()}});
        QJsonObject o{{"ok", r.error == 0},
                      {"devices", devices},
                      {"tried", r.tried},
                      {"cancelled", r.cancelled},
                      {"ms", double(r.elapsedMs)}};
        if (r.error != 0)
            o.insert(QStringLiteral("error"), message(r.error));
        std::printf("%s\n", QJsonDocument(o).toJson(QJsonDocument::Compact).constData());
    } else if (r.error != 0) {
        std::fprintf(stderr, "ovrin-cli: %s\n", qPrintable(message(r.error)));
    } else {
        std::fprintf(stderr, "%s: %d adres, %zu nálezů, %.1f s\n",
                     r.cancelled ? "přerušeno" : "hotovo", r.tried, r.hits.size(),
                     r.elapsedMs / 1000.0);
    }
    if (r.error != 0)
        return statusOfError(r.error);
    return r.cancelled ? StatusInterrupted : StatusOk;
}

int reportCollision(CliShell &shell, bool json)
{
    const QString text =
        QStringLiteral("na adrese %1 odpovědělo najednou více zařízení (kolize na sběrnici); "
                       "zvolte --address nebo použijte scan")
            .arg(shell.target().address);
    if (json)
        std::printf("%s\n", QJsonDocument(QJsonObject{{"ok", false}, {"error", text},
                                                      {"collision", true}})
                                .toJson(QJsonDocument::Compact)
                                .constData());
    else
        std::fprintf(stderr, "ovrin-cli: %s\n", qPrintable(text));
    return StatusSilent;
}
