#pragma once

// A search of an installed bus: for each chosen rate and address, the identification (input
// registers 0x0001, then 0x0010 for the newer modules), and for a known model its firmware
// and customer text. A silent address costs one request and a short first-byte time-out.
//
//   BusScanOptions options;                 // 1..254 at 19200 Bd, 20 ms
//   BusScan scan(owner, owner.portSettings());
//   const BusScanResult r = scan.run(options, onProgress, onFound, &cancelled);

#include "link/PortOwner.h"

#include <QList>
#include <QString>
#include <QtGlobal>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

struct BusScanHit {
    enum class Kind {
        Device,    // a known model
        Unknown,   // answered, but with no known identification
        Crc,       // a reply that failed its CRC (noise, a wrong rate)
        Collision, // several devices answered at once (two devices at one address)
    };
    Kind kind = Kind::Device;
    int address = 0;
    quint32 baudRate = 0;
    int listIndex = -1;     // the model in the device-selection list
    QString model;          // "CWR1"
    QString identification; // the 16 characters as read
    QString firmware;       // number or text, as the model's page shows it
    QString customerText;

    // "zařízení", "neznámé zařízení", "chyba CRC", "kolize".
    QString kindText() const;
};

struct BusScanOptions {
    QList<quint32> baudRates{19200};
    int firstAddress = 1;
    int lastAddress = 254;
    // The wait for a reply to start: a device's turnaround, not a page's 60 ms.
    int firstByteMs = kDefaultFirstByteMs;
    static constexpr int kDefaultFirstByteMs = 20;
};

struct BusScanResult {
    std::vector<BusScanHit> hits;
    int tried = 0;          // addresses tried (all rates)
    bool cancelled = false;
    int error = 0;          // 7: the port would not open
    qint64 elapsedMs = 0;
};

class BusScan
{
public:
    // `settings`: a copy taken on the user-interface thread when the scan runs on another.
    BusScan(PortOwner &owner, std::optional<PortSettings> settings = std::nullopt);

    using Progress = std::function<void(int address, quint32 baudRate, int done, int total)>;
    using Found = std::function<void(const BusScanHit &hit)>;
    BusScanResult run(const BusScanOptions &options, const Progress &progress = {},
                      const Found &found = {}, const std::atomic<bool> *cancel = nullptr);

    // "1200,9600,19200" and "1-254" (or one address "17"); false for anything else.
    static bool parseRates(const QString &text, QList<quint32> *rates);
    static bool parseAddresses(const QString &text, int *first, int *last);
    static const QList<quint32> &knownRates(); // 1200 ... 19200

private:
    // One address at one rate: a hit, or nothing when it was silent.
    std::optional<BusScanHit> probeAddress(int address, quint32 baudRate, int firstByteMs,
                                           bool *portClosed);

    PortOwner &m_owner;
    std::optional<PortSettings> m_settings;
};
