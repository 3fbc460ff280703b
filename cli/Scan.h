#pragma once

#include <QString>

class CliShell;

// --address, --baud and --timeout: where the exchanges go and how long a reply may take to
// start. False, with the reason, for a value out of range.
bool applySession(const QString &address, const QString &baud, const QString &timeout,
                  CliShell &shell, QString &why);

// `ovrin-cli scan`: one line (or JSON object) per device that answered; status 0 when the
// scan ran, 2 when the port would not open, 1 for bad options.
int runScan(CliShell &shell, const QString &bauds, const QString &addresses,
            const QString &timeout, bool json);

// Several devices answered at once: said as such, status 3.
int reportCollision(CliShell &shell, bool json);
