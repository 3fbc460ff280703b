#pragma once

// The commands of ovrin-cli, their options and their usage text.

#include <QString>
#include <QStringList>
#include <atomic>

struct Options {
    QString command;
    QString file;
    QString port;
    QString model;
    QString output;
    QString log = QStringLiteral("batch.csv");
    QString protocols; // batch: a folder for one protocol per device
    bool json = false;
    bool dryRun = false;
    bool allowDefaults = false;
    int portTimeoutS = 30; // batch: a port that stays unopenable this long ends it
    // The session on a bus (empty: 255 at 19200 Bd, the port's own reply wait) and a scan's
    // rates and addresses.
    QString address, baud, timeout, bauds, addresses;
};

extern const char kUsage[];

// Reads the arguments (the program name first); false with a Czech reason on a mistake.
bool parseOptions(const QStringList &args, Options &o, QString &error);

// Runs the command; returns the exit status. `interrupted` is set by Ctrl+C.
int runCommand(const Options &o, const std::atomic<bool> &interrupted);
