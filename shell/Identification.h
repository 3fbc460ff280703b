#pragma once

#include <QString>
#include <QStringList>

// The 18 models of the device-selection list and how a device's 16-character identification
// string maps onto them.
constexpr int kModelCount = 18;

// "KQx", "KQLx", "CWR1", ... in list order.
const QStringList &componentNames();

// Variant number for the KQx family page at a list index, or -1 where the list gives none.
int componentTypeFor(int listIndex);

// List index of the model whose accepted string equals `identification` exactly (case,
// spaces and length count), tried in the fixed detection order; -1 without a match.
int modelIndexForIdentification(const QString &identification);

// The identification up to its first space, a space in the second position not counting:
// "E 7PZ           " gives "E 7PZ", "T4yJ            " gives "T4yJ".
QString identificationName(const QString &identification);
