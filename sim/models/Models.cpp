#include "sim/models/Models.h"

#include "sim/Sim.h"

namespace sim {

namespace {

enum Places { Classic = 1, New = 2, Both = Classic | New };

struct Entry {
    const char *name;           // list item name, also the --model name
    const char *identification; // first accepted string, padded to 16 with spaces
    int places;
    quint16 firmwareNumber;
    const char *firmwareText;
    models::Factory make; // nullptr: identification and firmware only
};

// List order of the model chooser. The newer devices (CWR1, GWR1) are read at 0x0010 by
// their pages but must also answer the detection's first read at 0x0001.
const Entry kModels[] = {
    {"KQx", "KQx", Classic, 112, "KQx 1.12", models::makeKqxFamily},
    {"KQLx", "KQLx", Classic, 112, "KQL 1.12", models::makeKqxFamily},
    {"CWR1", "CWR1", Both, 203, "CWR 2.03", models::makeCwr1},
    {"E-7PZ", "E-7PZ", Classic, 131, "7PZ 1.31", models::makeE7pz},
    {"E-UV6", "E-UV6", Classic, 104, "UV6 1.04", models::makeEuv6},
    {"E-HN2", "E-HN2", Classic, 121, "HN2 1.21", models::makeEhn2},
    {"E-HB2", "E-HB2", Classic, 110, "HB2 1.10", models::makeEhb2},
    {"E-HB5/HN9", "E-HB5/HN9", Classic, 102, "HB5 1.02", models::makeEhb5Hn9},
    {"GWR1", "GWR1", Both, 201, "GWR 2.01", models::makeGwr1},
    {"T4yJ", "T4yJ", Classic, 115, "T4J 1.15", models::makeT4yJ},
    {"T4yR", "T4yR", Classic, 109, "T4R 1.09", models::makeKqxFamily},
    {"T4yG", "T4yG", Classic, 107, "T4G 1.07", models::makeT4yG},
    {"T6yR", "T6yR", Classic, 103, "T6R 1.03", models::makeT6yR},
    {"ZK", "ZK", Classic, 111, "ZK 1.11", models::makeZk},
    {"ZSL", "ZSL", Classic, 120, "ZSL 1.20", models::makeZsl},
    {"ZG", "ZG", Classic, 106, "ZG 1.06", models::makeZg},
    {"VTx", "VTx", Classic, 101, "VT 1.01", models::makeKqxFamily},
    {"VTLx", "VTLx", Classic, 101, "VTL 1.01", models::makeKqxFamily},
};

} // namespace

QStringList modelNames()
{
    QStringList names;
    for (const Entry &e : kModels)
        names << QString::fromLatin1(e.name);
    return names;
}

std::unique_ptr<Device> createModel(const QString &name)
{
    // "/" is awkward on a command line and in file names.
    QString wanted = name.trimmed();
    if (wanted.compare(QLatin1String("E-HB5-HN9"), Qt::CaseInsensitive) == 0)
        wanted = QStringLiteral("E-HB5/HN9");
    for (const Entry &e : kModels) {
        if (wanted.compare(QLatin1String(e.name), Qt::CaseInsensitive) != 0)
            continue;
        const QString canonical = QString::fromLatin1(e.name);
        std::unique_ptr<Device> device =
            e.make ? e.make(canonical) : std::make_unique<Device>(canonical);
        if (!device)
            return nullptr;
        if (e.places & Classic)
            device->setIdentification(kClassicIdentification, e.identification);
        if (e.places & New)
            device->setIdentification(kNewIdentification, e.identification);
        device->setFirmwareNumber(e.firmwareNumber);
        device->setFirmwareText(e.firmwareText);
        return device;
    }
    return nullptr;
}

} // namespace sim
