#include "shell/Identification.h"

namespace {

struct Accepted {
    const char *first;
    const char *second; // null when the model has one string
    int listIndex;
};

// Detection order matters: the first whole-string match wins.
constexpr Accepted kAccepted[kModelCount] = {
    {"T4yJ            ", "T4yJN           ", 9},
    {"E-7PZ           ", "E 7PZ           ", 3},
    {"E-HN2           ", "E HN2           ", 5},
    {"ZK              ", nullptr, 13},
    {"T6yR            ", nullptr, 12},
    {"T4yR            ", "T4yRs           ", 10},
    {"KQx             ", "KQ              ", 0},
    {"KQLx            ", "KQL             ", 1},
    {"VTx             ", "VT              ", 16},
    {"VTLx            ", "VTL             ", 17},
    {"E-HB2           ", "E HB2           ", 6},
    {"T4yG            ", nullptr, 11},
    {"E-HB5/HN9       ", "E HB5/HN9       ", 7},
    {"E-UV6           ", "E UV6           ", 4},
    {"ZG              ", nullptr, 15},
    {"ZSL             ", nullptr, 14},
    {"CWR1            ", nullptr, 2},
    {"GWR1            ", nullptr, 8},
};

} // namespace

const QStringList &componentNames()
{
    static const QStringList names = {
        QStringLiteral("KQx"),   QStringLiteral("KQLx"),      QStringLiteral("CWR1"),
        QStringLiteral("E-7PZ"), QStringLiteral("E-UV6"),     QStringLiteral("E-HN2"),
        QStringLiteral("E-HB2"), QStringLiteral("E-HB5/HN9"), QStringLiteral("GWR1"),
        QStringLiteral("T4yJ"),  QStringLiteral("T4yR"),      QStringLiteral("T4yG"),
        QStringLiteral("T6yR"),  QStringLiteral("ZK"),        QStringLiteral("ZSL"),
        QStringLiteral("ZG"),    QStringLiteral("VTx"),       QStringLiteral("VTLx"),
    };
    return names;
}

int componentTypeFor(int listIndex)
{
    switch (listIndex) {
    case 0:
        return 1; // KQx
    case 1:
        return 2; // KQLx
    case 10:
        return 0; // T4yR
    case 16:
        return 3; // VTx
    case 17:
        return 4; // VTLx
    default:
        return -1;
    }
}

int modelIndexForIdentification(const QString &identification)
{
    for (const Accepted &model : kAccepted) {
        if (identification == QLatin1String(model.first) ||
            (model.second && identification == QLatin1String(model.second)))
            return model.listIndex;
    }
    return -1;
}

QString identificationName(const QString &identification)
{
    int end = identification.indexOf(QLatin1Char(' '));
    if (end == 1)
        end = identification.indexOf(QLatin1Char(' '), 2);
    return end < 0 ? identification : identification.left(end);
}
