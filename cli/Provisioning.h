#pragma once

// One device set up from a configuration file, as `write` does it and `batch` does it for
// each device: the file checked before anything is sent, the device detected and read, a
// backup, the file loaded into the device's page, the changes listed, then written and
// verified (or, on a dry run, every check of the write up to its first request that would
// change the device).
//
//   const FilePlan plan = planFile(shell, "setup.ini", false);   // nothing sent yet
//   if (plan.status == StatusOk) {
//       const JobResult r = provision(shell, prompts, plan, false);
//       r.json  // model, identification, backup, changes, written, verified, address ...
//   }

#include "cli/CliSession.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class TComponentForm;

// Keys of the page's saved settings that the file's section lacks, and those whose value is
// not the number the page expects there.
struct KeyProblems {
    QStringList missing;
    QStringList notNumbers;
    bool empty() const { return missing.isEmpty() && notNumbers.isEmpty(); }
};
KeyProblems keyProblems(const TComponentForm &page, const QString &file);

struct FilePlan {
    CliStatus status = StatusOk;
    QString error;            // Czech, when the file is refused
    QString path;             // absolute
    std::vector<int> indices; // list indices of the pages whose sections the file holds
    QJsonObject problems;     // section -> {"missingKeys": [...], "notNumbers": [...]}
};
// A file that is missing, of no page, or (unless defaults are allowed) lacking keys or
// holding non-numbers in any of its pages' sections is refused.
FilePlan planFile(CliShell &shell, const QString &file, bool allowDefaults);

struct JobResult {
    CliStatus status = StatusOk;
    QString error;       // Czech; empty on success
    QString details;     // the diagnosis of the port or the line, where there is one
    QJsonObject json;    // model, identification, firmware, backup, changes, written, ...
    QStringList changes; // "name: old -> new" lines for the terminal
    int listIndex = -1;  // the device's model, once detected
    QString identification;
    // The device's customer text after the job, where it is known.
    std::optional<QString> customerText;
};
// With a protocol folder, a verified write leaves its protocol there ("protocol" in json).
JobResult provision(CliShell &shell, TerminalPrompts &prompts, const FilePlan &plan, bool dryRun,
                    const QString &protocolDir = QString());

// Whether backups/ can take a new file; else false with the message.
bool backupsWritable(QString *why);
// "<folder>/<model>-<identification>-<date>-<time>.pdf", -2, -3 ... when taken.
QString protocolPath(const QString &dir, const QString &model, const QString &identification,
                     const QDateTime &at);

// The diagnosis that goes with an error: why the port does not open (7), who else has the
// port open when the device is silent (6), what damages replies (29); empty otherwise.
QString diagnosisOf(int error, int portNumber);

// The customer text the device holds, read through the page of its model.
std::optional<QString> readCustomerText(CliShell &shell, TerminalPrompts &prompts, int listIndex);

