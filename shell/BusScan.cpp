#include "shell/BusScan.h"

#include "link/Messages.h"
#include "link/TTransmit.h"
#include "platform/CodePage.h"
#include "shell/Identification.h"

#include <QElapsedTimer>
#include <QStringList>

namespace {

// Once a device has answered, its further reads get the serial line's usual wait.
constexpr int kFollowUpFirstByteMs = 100;
// Where the customer text lives: five registers from 0x2001 on the classic modules, eight
// from 0x0028 on the newer ones (identified at 0x0010).
constexpr quint16 kClassicText = 0x2001;
constexpr quint8 kClassicTextRegisters = 5;
constexpr quint16 kNewerText = 0x0028;
constexpr quint8 kNewerTextRegisters = 8;

QByteArray bytesOf(const std::vector<quint16> &values)
{
    QByteArray bytes;
    for (quint16 v : values) {
        bytes.append(static_cast<char>(v >> 8));
        bytes.append(static_cast<char>(v & 0xFF));
    }
    return bytes;
}

QString textUpToNul(const std::vector<quint16> &values)
{
    QByteArray bytes = bytesOf(values);
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return fromWindows1250(bytes);
}

} // namespace

QString BusScanHit::kindText() const
{
    switch (kind) {
    case Kind::Device:
        return QStringLiteral("zařízení");
    case Kind::Unknown:
        return QStringLiteral("neznámé zařízení");
    case Kind::Crc:
        return QStringLiteral("chyba CRC");
    case Kind::Collision:
        return QStringLiteral("kolize");
    }
    return QString();
}

BusScan::BusScan(PortOwner &owner, std::optional<PortSettings> settings)
    : m_owner(owner), m_settings(std::move(settings))
{
}

const QList<quint32> &BusScan::knownRates()
{
    static const QList<quint32> rates{1200, 2400, 4800, 9600, 19200};
    return rates;
}

bool BusScan::parseRates(const QString &text, QList<quint32> *rates)
{
    QList<quint32> parsed;
    for (const QString &item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const quint32 rate = item.trimmed().toUInt(&ok);
        if (!ok || !knownRates().contains(rate))
            return false;
        if (!parsed.contains(rate))
            parsed << rate;
    }
    if (parsed.isEmpty())
        return false;
    *rates = parsed;
    return true;
}

bool BusScan::parseAddresses(const QString &text, int *first, int *last)
{
    const QStringList ends = text.trimmed().split(QLatin1Char('-'));
    if (ends.size() > 2)
        return false;
    bool ok1 = false, ok2 = false;
    const int a = ends[0].trimmed().toInt(&ok1);
    const int b = ends.size() == 2 ? ends[1].trimmed().toInt(&ok2) : (ok2 = ok1, a);
    if (!ok1 || !ok2 || a < 1 || b > 254 || a > b)
        return false;
    *first = a;
    *last = b;
    return true;
}

BusScanResult BusScan::run(const BusScanOptions &options, const Progress &progress,
                           const Found &found, const std::atomic<bool> *cancel)
{
    BusScanResult result;
    QElapsedTimer clock;
    clock.start();
    const int perRate = qMax(0, options.lastAddress - options.firstAddress + 1);
    const int total = perRate * static_cast<int>(options.baudRates.size());
    for (quint32 rate : options.baudRates) {
        for (int address = options.firstAddress; address <= options.lastAddress; ++address) {
            if (cancel && cancel->load()) {
                result.cancelled = true;
                result.elapsedMs = clock.elapsed();
                return result;
            }
            if (progress)
                progress(address, rate, result.tried, total);
            bool portClosed = false;
            std::optional<BusScanHit> hit =
                probeAddress(address, rate, options.firstByteMs, &portClosed);
            ++result.tried;
            if (portClosed) {
                // Nothing else would open either: say so once instead of 254 times.
                result.error = ErrPortClosed;
                result.elapsedMs = clock.elapsed();
                return result;
            }
            if (hit) {
                result.hits.push_back(*hit);
                if (found)
                    found(*hit);
            }
        }
    }
    if (progress)
        progress(options.lastAddress, options.baudRates.isEmpty() ? 0 : options.baudRates.last(),
                 result.tried, total);
    result.elapsedMs = clock.elapsed();
    return result;
}

std::optional<BusScanHit> BusScan::probeAddress(int address, quint32 baudRate, int firstByteMs,
                                                bool *portClosed)
{
    using Kind = TTransmit::Probe::Kind;
    TTransmit t(m_owner);
    if (m_settings)
        t.usePortSettings(*m_settings);
    t.pinTarget({static_cast<quint8>(address), baudRate});

    BusScanHit hit;
    hit.address = address;
    hit.baudRate = baudRate;
    auto failed = [&](Kind kind) -> std::optional<BusScanHit> {
        hit.kind = kind == Kind::Collision ? BusScanHit::Kind::Collision : BusScanHit::Kind::Crc;
        return hit;
    };

    const TTransmit::Probe classic = t.probe(4, 0x0001, 8, firstByteMs);
    switch (classic.kind) {
    case Kind::PortClosed:
        *portClosed = true;
        return std::nullopt;
    case Kind::Silent:
        return std::nullopt;
    case Kind::Crc:
    case Kind::Collision:
        return failed(classic.kind);
    case Kind::Ok:
    case Kind::Exception:
        break;
    }
    const int follow = qMax(firstByteMs, kFollowUpFirstByteMs);
    bool newer = false;
    if (classic.kind == Kind::Ok) {
        hit.identification = QString::fromLatin1(bytesOf(classic.values));
        hit.listIndex = modelIndexForIdentification(hit.identification);
    }
    if (hit.listIndex < 0) {
        const TTransmit::Probe second = t.probe(4, 0x0010, 8, follow);
        if (second.kind == Kind::Crc || second.kind == Kind::Collision)
            return failed(second.kind);
        if (second.kind == Kind::Ok) {
            const QString ident = QString::fromLatin1(bytesOf(second.values));
            const int index = modelIndexForIdentification(ident);
            if (index >= 0 || hit.identification.isEmpty()) {
                hit.identification = ident;
                hit.listIndex = index;
            }
        }
    }
    if (hit.listIndex < 0) {
        hit.kind = BusScanHit::Kind::Unknown;
        hit.model = identificationName(hit.identification);
        return hit;
    }
    hit.kind = BusScanHit::Kind::Device;
    hit.model = componentNames().value(hit.listIndex);
    // The wall modules are the newer generation wherever their identification was found.
    const QString &name = hit.model;
    newer = name == QLatin1String("CWR1") || name == QLatin1String("GWR1");

    // The firmware and the text as the model's page shows them; a read that fails leaves
    // them empty (the device is there all the same).
    if (newer) {
        const TTransmit::Probe fw = t.probe(4, 0x0018, 4, follow);
        if (fw.kind == Kind::Ok)
            hit.firmware = fromWindows1250(bytesOf(fw.values)).trimmed();
    } else {
        const TTransmit::Probe fw = t.probe(4, 0x0000, 1, follow);
        if (fw.kind == Kind::Ok && !fw.values.empty())
            hit.firmware = QString::number(static_cast<qint16>(fw.values.front()));
    }
    const TTransmit::Probe text =
        newer ? t.probe(3, kNewerText, kNewerTextRegisters, follow)
              : t.probe(3, kClassicText, kClassicTextRegisters, follow);
    if (text.kind == Kind::Ok)
        hit.customerText = textUpToNul(text.values);
    return hit;
}
