#include "cli/Provisioning.h"

#include "link/Messages.h"
#include "link/PortDiagnosis.h"
#include "pages/framework/Backups.h"
#include "pages/framework/Fields.h"
#include "pages/framework/Protocol.h"
#include "pages/framework/SettingsView.h"
#include "pages/framework/TComponentForm.h"
#include "platform/Profile.h"
#include "shell/Identification.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryFile>
#include <climits>

namespace {

// Messages of the page are the job's result, not lines for the terminal.
class QuietPrompts
{
public:
    explicit QuietPrompts(TerminalPrompts &prompts) : m_prompts(prompts), m_was(prompts.quiet)
    {
        m_prompts.quiet = true;
    }
    ~QuietPrompts() { m_prompts.quiet = m_was; }

private:
    TerminalPrompts &m_prompts;
    bool m_was;
};

// The shell's page pointer goes with the page it points to.
struct ShellPage {
    CliShell &shell;
    ~ShellPage() { shell.page = nullptr; }
};

JobResult failure(JobResult r, CliStatus status, const QString &error,
                  const QString &details = QString())
{
    r.status = status;
    r.error = error;
    r.details = details;
    return r;
}

QJsonObject changeJson(const SettingChange &c)
{
    QJsonObject o;
    o.insert(QStringLiteral("key"), c.after.key);
    o.insert(QStringLiteral("name"), c.after.name());
    o.insert(QStringLiteral("group"), c.after.group);
    o.insert(QStringLiteral("caption"), c.after.caption);
    o.insert(QStringLiteral("old"), c.before.shown());
    o.insert(QStringLiteral("new"), c.after.shown());
    return o;
}

} // namespace

KeyProblems keyProblems(const TComponentForm &page, const QString &file)
{
    KeyProblems p;
    const Profile profile(file);
    const QString section = page.traits().configurationSection();
    for (const Setting &s : settingsOf(page)) {
        if (!profile.valueExists(section, s.key))
            p.missing << s.key;
        // A value that is no number reads as the default, whichever default is asked for.
        else if (s.numeric() && profile.readInteger(section, s.key, INT_MIN) == INT_MIN &&
                 profile.readInteger(section, s.key, INT_MAX) == INT_MAX)
            p.notNumbers << s.key;
    }
    return p;
}

FilePlan planFile(CliShell &shell, const QString &file, bool allowDefaults)
{
    FilePlan plan;
    plan.path = QFileInfo(file).absoluteFilePath();
    if (!QFileInfo(plan.path).isFile()) {
        plan.status = StatusFile;
        plan.error = QStringLiteral("Soubor %1 neexistuje").arg(file);
        return plan;
    }
    plan.indices = listIndicesOfFile(shell, plan.path);
    if (plan.indices.empty()) {
        plan.status = StatusFile;
        plan.error = message(21);
        return plan;
    }
    if (allowDefaults)
        return plan;
    QStringList lines;
    for (int index : plan.indices) {
        std::unique_ptr<TComponentForm> page = createPage(shell, index);
        const KeyProblems p = keyProblems(*page, plan.path);
        shell.page = nullptr;
        if (p.empty())
            continue;
        const QString section = page->traits().configurationSection();
        if (plan.problems.contains(section))
            continue; // the KQx family: one section, several models
        QJsonObject o;
        o.insert(QStringLiteral("missingKeys"), QJsonArray::fromStringList(p.missing));
        o.insert(QStringLiteral("notNumbers"), QJsonArray::fromStringList(p.notNumbers));
        plan.problems.insert(section, o);
        if (!p.missing.isEmpty())
            lines << QStringLiteral("V sekci [%1] chybí: %2.")
                         .arg(section, p.missing.join(QStringLiteral(", ")));
        if (!p.notNumbers.isEmpty())
            lines << QStringLiteral("V sekci [%1] nejsou čísla: %2.")
                         .arg(section, p.notNumbers.join(QStringLiteral(", ")));
    }
    if (!lines.isEmpty()) {
        plan.status = StatusFile;
        plan.error = QStringLiteral("Soubor s konfigurací je neúplný: zařízení by dostalo "
                                    "výchozí hodnoty místo chybějících. ") +
                     lines.join(QLatin1Char(' ')) +
                     QStringLiteral(" Doplňte je, nebo použijte --allow-defaults.");
    }
    return plan;
}

QString protocolPath(const QString &dir, const QString &model, const QString &identification,
                     const QDateTime &at)
{
    QDir().mkpath(dir);
    QString name = QStringLiteral("%1-%2-%3").arg(model, identification,
                                                  at.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    name.replace(QLatin1Char(' '), QLatin1Char('_'));
    const QDir d(dir);
    QString path = d.absoluteFilePath(name + QStringLiteral(".pdf"));
    for (int n = 2; QFile::exists(path); ++n)
        path = d.absoluteFilePath(QStringLiteral("%1-%2.pdf").arg(name).arg(n));
    return path;
}

QString diagnosisOf(int error, int portNumber)
{
    if (error == ErrPortClosed)
        return diagnosePort(portNumber).details();
    if (error == ErrNoReply)
        return silenceDiagnosis(portNumber);
    if (error == ErrCrc) {
        QStringList lines = {QStringLiteral(
            "Odpovědi přicházejí poškozené: zkontrolujte, zda zařízení komunikuje rychlostí "
            "19200 Bd, zda je na lince jen jedno zařízení s adresou, na kterou se program "
            "ptá, a zapojení a zakončení vedení.")};
        const QString others = silenceDiagnosis(portNumber);
        if (!others.isEmpty())
            lines << others;
        return lines.join(QLatin1Char('\n'));
    }
    return QString();
}



std::optional<QString> readCustomerText(CliShell &shell, TerminalPrompts &prompts, int listIndex)
{
    const ShellPage pageOfShell{shell};
    std::unique_ptr<TComponentForm> page = createPage(shell, listIndex);
    if (!page)
        return std::nullopt;
    const QuietPrompts quiet(prompts);
    const PageResult o = readPage(*page, prompts);
    if (o.status != StatusOk)
        return std::nullopt;
    return customerTextOf(*page);
}

bool backupsWritable(QString *why)
{
    const QString folder = backupFolder();
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("probe-XXXXXX")));
    if (probe.open())
        return true;
    if (why)
        *why = backupRefusal(QDir(folder).filePath(QStringLiteral("…")));
    return false;
}

JobResult provision(CliShell &shell, TerminalPrompts &prompts, const FilePlan &plan, bool dryRun,
                    const QString &protocolDir)
{
    JobResult r;
    const QuietPrompts quiet(prompts);
    prompts.messages.clear();
    prompts.details.clear();
    // No frame goes out for a write whose backup could not be kept.
    QString why;
    if (!backupsWritable(&why))
        return failure(r, StatusFile, why);
    const Detection d = detectDevice(shell);
    if (d.error != 0)
        return failure(r, statusOfError(d.error), message(d.error),
                       diagnosisOf(d.error, shell.port));
    r.listIndex = d.listIndex;
    r.identification = d.identification.trimmed();
    r.json.insert(QStringLiteral("model"), componentNames().value(d.listIndex));
    r.json.insert(QStringLiteral("identification"), r.identification);
    r.json.insert(QStringLiteral("firmware"), d.firmware);
    // The device's own section of the file (a file may hold several pages').
    if (std::find(plan.indices.begin(), plan.indices.end(), d.listIndex) == plan.indices.end())
        return failure(r, StatusWrongDevice, message(ErrWrongDevice));
    const ShellPage pageOfShell{shell};
    std::unique_ptr<TComponentForm> page = createPage(shell, d.listIndex);
    if (!page)
        return failure(r, StatusInternal, QStringLiteral("Pro tento model zatím není stránka"));
    const QString caption = page->traits().caption;
    r.json.insert(QStringLiteral("model"), caption);

    shell.progress.begin(QStringLiteral("Čtení ") + caption);
    const PageResult read = readPage(*page, prompts);
    shell.progress.end();
    if (read.status != StatusOk)
        return failure(r, read.status, read.text, diagnosisOf(read.error, shell.port));
    r.customerText = customerTextOf(*page);

    // The read just made is the write's backup: the write does not read again.
    const QString backup = newBackupPath(caption);
    if (!writeBackup(*page, backup, QDateTime::currentDateTime()))
        return failure(r, StatusFile, backupRefusal(backup));
    keepNewestBackups(caption);
    backupTakenBeforeWrite(*page, backup);
    r.json.insert(QStringLiteral("backup"), QDir::current().relativeFilePath(backup));

    const std::vector<Setting> before = settingsOf(*page);
    const PageResult loaded = loadPage(*page, prompts, plan.path);
    if (loaded.status != StatusOk)
        return failure(r, loaded.status, loaded.text);
    QJsonArray changes;
    for (const SettingChange &c : changedSettings(before, settingsOf(*page))) {
        changes.append(changeJson(c));
        r.changes << QStringLiteral("%1: %2 -> %3")
                         .arg(c.after.name(), c.before.shown(), c.after.shown());
    }
    r.json.insert(QStringLiteral("changes"), changes);

    if (dryRun) {
        // The write itself, on a line that lets nothing through that would change the device.
        const DryRunLine line;
        const PageResult checked = writePage(*page, prompts);
        r.json.insert(QStringLiteral("written"), false);
        r.json.insert(QStringLiteral("verified"), false);
        if (!line.stopped() && checked.status != StatusOk)
            return failure(r, checked.status, checked.text,
                           diagnosisOf(checked.error, shell.port));
        r.json.insert(QStringLiteral("checked"), true);
        return r;
    }

    const WriteTally tally;
    shell.progress.begin(QStringLiteral("Zápis ") + caption);
    const PageResult written = writePage(*page, prompts);
    shell.progress.end();
    // The write and its verification apart: a device may acknowledge every request and
    // vanish before the read-back.
    const bool acknowledged = tally.sent() > 0 && tally.acknowledged() == tally.sent();
    r.json.insert(QStringLiteral("written"), acknowledged);
    r.json.insert(QStringLiteral("sentWrites"), tally.sent());
    r.json.insert(QStringLiteral("acknowledgedWrites"), tally.acknowledged());
    r.json.insert(QStringLiteral("verified"), written.status == StatusOk);
    if (written.status != StatusOk) {
        if (tally.sent() > 0)
            r.customerText.reset(); // the device may hold part of the new settings
        return failure(r, written.status, written.text, diagnosisOf(written.error, shell.port));
    }
    r.customerText = customerTextOf(*page);
    for (QComboBox *combo : page->findChildren<QComboBox *>())
        if (isAddressCombo(combo))
            r.json.insert(QStringLiteral("address"), combo->currentText());
    if (!protocolDir.isEmpty()) {
        QDateTime at;
        bool written = false;
        page->confirmedByDevice(&at, &written);
        const QString file = protocolPath(protocolDir, caption, r.identification, at);
        QString error;
        if (!writeProtocol(file, protocolFacts(*page, at, true), settingsOf(*page), &error))
            return failure(r, StatusFile, error);
        r.json.insert(QStringLiteral("protocol"), file);
    }
    return r;
}
