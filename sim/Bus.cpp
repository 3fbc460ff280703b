#include "sim/Sim.h"

namespace sim {

bool parseBus(const QString &text, std::vector<BusMember> *members, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    std::vector<BusMember> parsed;
    for (const QString &item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        // MODEL@ADDRESS[:BAUD]; a model name may itself hold '/', never '@' or ':'.
        const int at = item.indexOf(QLatin1Char('@'));
        if (at <= 0)
            return fail(QStringLiteral("'%1': expected MODEL@ADDRESS[:BAUD]").arg(item));
        const QString model = item.left(at).trimmed();
        const QStringList place = item.mid(at + 1).split(QLatin1Char(':'));
        bool ok = false;
        const int address = place[0].trimmed().toInt(&ok);
        if (!ok || address < 1 || address > 254)
            return fail(QStringLiteral("'%1': the address must be 1..254").arg(item));
        quint32 baud = 19200;
        if (place.size() > 2)
            return fail(QStringLiteral("'%1': expected MODEL@ADDRESS[:BAUD]").arg(item));
        if (place.size() == 2) {
            baud = place[1].trimmed().toUInt(&ok);
            if (!ok || (baud != 1200 && baud != 2400 && baud != 4800 && baud != 9600 &&
                        baud != 19200))
                return fail(QStringLiteral("'%1': the rate must be 1200, 2400, 4800, 9600 or "
                                           "19200")
                                .arg(item));
        }
        for (const BusMember &m : parsed)
            if (m.device->address() == address && m.baudRate == baud)
                return fail(QStringLiteral("'%1': two devices at address %2 and %3 Bd")
                                .arg(item)
                                .arg(address)
                                .arg(baud));
        std::shared_ptr<Device> device = createModel(model);
        if (!device)
            return fail(QStringLiteral("'%1': unknown model %2").arg(item, model));
        device->placeOnBus(address, baud);
        parsed.push_back({std::move(device), baud});
    }
    if (parsed.empty())
        return fail(QStringLiteral("an empty bus"));
    *members = std::move(parsed);
    return true;
}

} // namespace sim
