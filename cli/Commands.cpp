#include "cli/Commands.h"

#include "cli/CliSession.h"
#include "cli/Presence.h"
#include "cli/Provisioning.h"
#include "cli/Scan.h"
#include "link/Messages.h"
#include "link/PortDiagnosis.h"
#include "pages/framework/Comparison.h"
#include "pages/framework/Protocol.h"
#include "pages/framework/TComponentForm.h"
#include "platform/Profile.h"
#include "platform/Clock.h"
#include "platform/CsvFile.h"
#include "shell/Identification.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdio>

const char kUsage[] =
    "použití: ovrin-cli PŘÍKAZ [volby]\n"
    "\n"
    "příkazy:\n"
    "  ports                       porty COM1 až COM20, jejich zařízení, zda je lze otevřít\n"
    "                              a kdo je má otevřené\n"
    "  detect --port COMn          model, identifikace a firmware připojeného zařízení\n"
    "  read --port COMn [--model MODEL] [-o SOUBOR]\n"
    "                              přečte všechna nastavení do konfiguračního souboru (jako\n"
    "                              \"Uložit konfiguraci\" stránky; existující SOUBOR nahradí;\n"
    "                              bez -o na standardní výstup)\n"
    "  write SOUBOR --port COMn [--dry-run] [--allow-defaults]\n"
    "                              načte SOUBOR do stránky modelu zařízení, zálohuje zařízení\n"
    "                              do backups/, vypíše změny, zapíše a ověří\n"
    "  diff SOUBOR --port COMn     přečte zařízení a vypíše každé nastavení, ve kterém se od\n"
    "                              něj SOUBOR liší (skupina, nastavení, soubor, zařízení,\n"
    "                              jednotka); nic nezapíše; kód 0 bez rozdílů, 11 s rozdíly\n"
    "  report --port COMn -o SOUBOR.pdf\n"
    "                              přečte zařízení a uloží protokol o nastavení (PDF)\n"
    "  scan --port COMn [--bauds 1200,...,19200] [--addresses 1-254]\n"
    "                              najde zařízení na sběrnici: adresa, rychlost, model,\n"
    "                              firmware, zákaznický text\n"
    "  batch SOUBOR --port COMn [--log SOUBOR.csv] [--port-timeout S] [--allow-defaults]\n"
    "        [--protocols ADRESÁŘ]\n"
    "                              zapisuje SOUBOR do jednoho zařízení za druhým: čeká na\n"
    "                              zařízení, zapíše je, čeká, až zmizí (aspoň 1 s ticha);\n"
    "                              Ctrl+C skončí mezi zařízeními; do CSV řádek za každé\n"
    "                              zařízení (výchozí batch.csv); s --protocols protokol\n"
    "                              o nastavení (PDF) za každé ověřené zařízení do ADRESÁŘe\n"
    "\n"
    "volby:\n"
    "  --json                      výsledky pro stroje: jeden objekt JSON na řádek\n"
    "  --dry-run                   provede všechny kontroly zápisu až po první požadavek,\n"
    "                              který by zařízení změnil; nic nezapíše\n"
    "  --allow-defaults            soubor smí postrádat nastavení: stránka za ně dosadí své\n"
    "                              výchozí hodnoty (bez této volby se takový soubor odmítne)\n"
    "  --port-timeout S            batch skončí, když port nelze otevřít S sekund (výchozí 30)\n"
    "  --address N --baud B        zařízení na sběrnici jeho vlastní adresou 1 až 254 a\n"
    "                              rychlostí (výchozí 255, všechna zařízení, 19200 Bd)\n"
    "  --timeout MS                čekání na první bajt odpovědi (síťová brána potřebuje víc;\n"
    "                              scan čeká 20 ms)\n"
    "  --help                      tento text\n"
    "\n"
    "Jména COMn se překládají přes serialPorts.ini v pracovním adresáři ([ports] COMn=cesta),\n"
    "stejně jako v programu. Návratový kód: 0 ověřený úspěch, 1 chybné použití, 2 port nelze\n"
    "otevřít, 3 zařízení neodpovídá nebo odpovídá vadně, 4 jiné nebo neznámé zařízení,\n"
    "5 zařízení požadavek odmítlo, 6 ověření selhalo, 7 soubor chybí, nepatří k zařízení nebo\n"
    "je neúplný, 8 hodnota, kterou nelze zapsat, 9 vnitřní chyba, 10 přerušeno, 11 diff našel\n"
    "rozdíly.\n";

bool parseOptions(const QStringList &args, Options &o, QString &error)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](QString &into) {
            if (i + 1 >= args.size()) {
                error = QStringLiteral("volba %1 potřebuje hodnotu").arg(a);
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == QLatin1String("--json")) {
            o.json = true;
        } else if (a == QLatin1String("--dry-run")) {
            o.dryRun = true;
        } else if (a == QLatin1String("--allow-defaults")) {
            o.allowDefaults = true;
        } else if (a == QLatin1String("--port")) {
            if (!value(o.port))
                return false;
        } else if (a == QLatin1String("--model")) {
            if (!value(o.model))
                return false;
        } else if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
            if (!value(o.output))
                return false;
        } else if (a == QLatin1String("--protocols")) {
            if (!value(o.protocols))
                return false;
        } else if (a == QLatin1String("--log")) {
            if (!value(o.log))
                return false;
        } else if (a == QLatin1String("--port-timeout")) {
            QString seconds;
            if (!value(seconds))
                return false;
            bool ok = false;
            o.portTimeoutS = seconds.toInt(&ok);
            if (!ok || o.portTimeoutS < 1) {
                error = QStringLiteral("--port-timeout potřebuje počet sekund (1 a více)");
                return false;
            }
        } else if (a == QLatin1String("--address") || a == QLatin1String("--baud") ||
                   a == QLatin1String("--timeout") || a == QLatin1String("--bauds") ||
                   a == QLatin1String("--addresses")) {
            QString &into = a == QLatin1String("--address")   ? o.address
                            : a == QLatin1String("--baud")    ? o.baud
                            : a == QLatin1String("--timeout") ? o.timeout
                            : a == QLatin1String("--bauds")   ? o.bauds
                                                              : o.addresses;
            if (!value(into))
                return false;
        } else if (a.startsWith(QLatin1Char('-'))) {
            error = QStringLiteral("neznámá volba %1").arg(a);
            return false;
        } else if (o.command.isEmpty()) {
            o.command = a;
        } else if (o.file.isEmpty()) {
            o.file = a;
        } else {
            error = QStringLiteral("nadbytečný argument %1").arg(a);
            return false;
        }
    }
    return true;
}

namespace {

int portNumberOf(const QString &name)
{
    if (!name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int n = name.mid(3).toInt(&ok);
    return ok && n >= 1 && n <= 20 ? n : 0;
}

const QStringList kLogHeader = {
    QStringLiteral("datum a čas"), QStringLiteral("model"),    QStringLiteral("identifikace"),
    QStringLiteral("firmware"),    QStringLiteral("adresa"),   QStringLiteral("zapsáno"),
    QStringLiteral("ověřeno"),     QStringLiteral("výsledek"), QStringLiteral("návratový kód")};

QString yesNo(bool on)
{
    return on ? QStringLiteral("ano") : QStringLiteral("ne");
}

class Cli
{
public:
    Cli(const Options &o, const std::atomic<bool> &interrupted)
        : m_o(o), m_interrupted(interrupted)
    {
        m_prompts.quiet = true; // the commands print the page's messages themselves
        Prompts::install(&m_prompts);
        m_shell.port = portNumberOf(o.port);
        m_shell.progress.enabled = m_shell.progress.enabled && !o.json;
    }
    ~Cli() { Prompts::install(nullptr); }

    int run()
    {
        const QString &c = m_o.command;
        if (c == QLatin1String("ports"))
            return ports();
        if (c != QLatin1String("detect") && c != QLatin1String("read") &&
            c != QLatin1String("write") && c != QLatin1String("batch") &&
            c != QLatin1String("scan") && c != QLatin1String("diff") &&
            c != QLatin1String("report"))
            return usage(QStringLiteral("neznámý příkaz %1").arg(c));
        if (m_shell.port == 0)
            return usage(QStringLiteral("chybí --port COMn (COM1 až COM20)"));
        QString why;
        if (!applySession(m_o.address, m_o.baud, m_o.timeout, m_shell, why))
            return usage(why);
        if (c == QLatin1String("scan"))
            return runScan(m_shell, m_o.bauds, m_o.addresses, m_o.timeout, m_o.json);
        if (c == QLatin1String("detect"))
            return detect();
        if (c == QLatin1String("read"))
            return read();
        if (c == QLatin1String("report"))
            return report();
        if (m_o.file.isEmpty())
            return usage(QStringLiteral("příkaz %1 potřebuje konfigurační SOUBOR").arg(c));
        if (c == QLatin1String("write"))
            return write();
        if (c == QLatin1String("diff"))
            return diff();
        return batch();
    }

private:
    int usage(const QString &why)
    {
        std::fprintf(stderr, "ovrin-cli: %s\n\n%s", qPrintable(why), kUsage);
        return StatusUsage;
    }

    void output(const QJsonObject &json, const QString &text)
    {
        if (m_o.json)
            std::printf("%s\n", QJsonDocument(json).toJson(QJsonDocument::Compact).constData());
        else if (!text.isEmpty())
            std::printf("%s\n", qPrintable(text));
        std::fflush(stdout);
    }

    // A line for the person at the terminal (also in JSON mode: stderr is theirs).
    static void notice(const QString &text)
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        std::fflush(stderr);
    }

    // A failure: the program's own text, the diagnosis where there is one, the status.
    int failed(CliStatus status, const QString &text, const QString &details = QString(),
               QJsonObject json = {})
    {
        json.insert(QStringLiteral("ok"), false);
        json.insert(QStringLiteral("status"), int(status));
        json.insert(QStringLiteral("error"), text);
        if (!details.isEmpty())
            json.insert(QStringLiteral("details"), details);
        if (m_o.json)
            output(json, QString());
        else
            notice(details.isEmpty() ? text : text + QLatin1Char('\n') + details);
        return status;
    }

    int failedError(int error)
    {
        return failed(statusOfError(error), message(error), diagnosisOf(error, m_shell.port));
    }

    int ports()
    {
        QJsonArray list;
        QString text;
        for (int n = 1; n <= 20; ++n) {
            const PortDiagnosis d = diagnosePort(n);
            const bool opens = d.problem == PortDiagnosis::Problem::None;
            QJsonObject o;
            o.insert(QStringLiteral("name"), d.name);
            o.insert(QStringLiteral("path"), d.path);
            o.insert(QStringLiteral("opens"), opens);
            o.insert(QStringLiteral("state"), d.summary());
            if (!d.holders.isEmpty())
                o.insert(QStringLiteral("holders"), QJsonArray::fromStringList(d.holders));
            const bool explain = (!opens && d.problem != PortDiagnosis::Problem::Missing) ||
                                 !d.holders.isEmpty();
            if (explain)
                o.insert(QStringLiteral("details"), d.details());
            list.append(o);
            text +=
                QStringLiteral("%1  %2  %3\n").arg(d.name, -5).arg(d.path, -28).arg(d.summary());
            if (explain)
                for (const QString &line : d.details().split(QLatin1Char('\n')).mid(1))
                    text += QStringLiteral("       ") + line + QLatin1Char('\n');
        }
        const QStringList found = availableSerialDevices();
        text += QStringLiteral("sériová zařízení: ") +
                (found.isEmpty() ? QStringLiteral("žádná") : found.join(QStringLiteral(", ")));
        QJsonObject json;
        json.insert(QStringLiteral("ok"), true);
        json.insert(QStringLiteral("ports"), list);
        json.insert(QStringLiteral("serialDevices"), QJsonArray::fromStringList(found));
        output(json, text);
        return StatusOk;
    }

    int detect()
    {
        const Detection d = detectDevice(m_shell);
        if (d.collided)
            return reportCollision(m_shell, m_o.json);
        if (d.error != 0)
            return failedError(d.error);
        QJsonObject json;
        json.insert(QStringLiteral("ok"), true);
        json.insert(QStringLiteral("model"), componentNames().value(d.listIndex));
        json.insert(QStringLiteral("identification"), d.identification.trimmed());
        json.insert(QStringLiteral("firmware"), d.firmware);
        output(json, QStringLiteral("model %1, identifikace \"%2\", firmware %3")
                         .arg(componentNames().value(d.listIndex), d.identification.trimmed(),
                              d.firmware));
        return StatusOk;
    }

    int read()
    {
        int index = -1;
        if (!m_o.model.isEmpty()) {
            index = listIndexOfModel(m_o.model);
            if (index < 0)
                return usage(QStringLiteral("neznámý model %1").arg(m_o.model));
        } else {
            const Detection d = detectDevice(m_shell);
            if (d.error != 0)
                return failedError(d.error);
            index = d.listIndex;
        }
        std::unique_ptr<TComponentForm> page = createPage(m_shell, index);
        if (!page)
            return failed(StatusInternal, QStringLiteral("Pro model %1 zatím není stránka")
                                              .arg(componentNames().value(index)));
        m_shell.progress.begin(QStringLiteral("Čtení ") + page->traits().caption);
        const PageResult o = readPage(*page, m_prompts);
        m_shell.progress.end();
        if (o.status != StatusOk)
            return failed(o.status, o.text, diagnosisOf(o.error, m_shell.port));
        // Into a file of its own, then over the target: the result is the page's file alone.
        QTemporaryDir scratch;
        const QString file = scratch.filePath(QStringLiteral("read.ini"));
        const PageResult saved = savePage(*page, m_prompts, file);
        if (saved.status != StatusOk)
            return failed(saved.status, saved.text);
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        const QByteArray content = f.readAll();
        QJsonObject json;
        json.insert(QStringLiteral("ok"), true);
        json.insert(QStringLiteral("model"), page->traits().caption);
        json.insert(QStringLiteral("device"), page->panelText(0).section(QLatin1Char(' '), 1));
        json.insert(QStringLiteral("firmware"), page->panelText(3).section(QLatin1Char(' '), 1));
        if (m_o.output.isEmpty()) {
            json.insert(QStringLiteral("file"), QString::fromLatin1(content.toBase64()));
            if (!m_o.json) {
                std::fwrite(content.constData(), 1, size_t(content.size()), stdout);
                return StatusOk;
            }
        } else {
            if (!replaceFile(m_o.output, content))
                return failed(StatusFile,
                              QStringLiteral("Konfiguraci nelze uložit do souboru ") + m_o.output);
            json.insert(QStringLiteral("file"), m_o.output);
        }
        output(json, QStringLiteral("%1 přečten, konfigurace uložena do %2")
                         .arg(page->traits().caption, m_o.output));
        return StatusOk;
    }

    // The attached device read into the page of its model.
    std::unique_ptr<TComponentForm> readDevice(int &status)
    {
        const Detection d = detectDevice(m_shell);
        if (d.error != 0) {
            status = failedError(d.error);
            return nullptr;
        }
        std::unique_ptr<TComponentForm> page = createPage(m_shell, d.listIndex);
        if (!page) {
            status = failed(StatusInternal, QStringLiteral("Pro model %1 zatím není stránka")
                                                .arg(componentNames().value(d.listIndex)));
            return nullptr;
        }
        m_shell.progress.begin(QStringLiteral("Čtení ") + page->traits().caption);
        const PageResult o = readPage(*page, m_prompts);
        m_shell.progress.end();
        if (o.status != StatusOk) {
            status = failed(o.status, o.text, diagnosisOf(o.error, m_shell.port));
            return nullptr;
        }
        return page;
    }

    int diff()
    {
        if (!QFileInfo(m_o.file).isFile())
            return failed(StatusFile, QStringLiteral("Soubor %1 neexistuje").arg(m_o.file));
        int status = StatusOk;
        std::unique_ptr<TComponentForm> page = readDevice(status);
        if (!page)
            return status;
        if (!Profile(m_o.file).sectionExists(page->traits().configurationSection()))
            return failed(StatusFile, message(21));
        const std::vector<SettingChange> differences =
            fileDifferences(*page, settingsOf(*page), m_o.file);
        QJsonObject json;
        json.insert(QStringLiteral("ok"), true);
        json.insert(QStringLiteral("model"), page->traits().caption);
        json.insert(QStringLiteral("identification"), page->deviceIdentification().trimmed());
        json.insert(QStringLiteral("differences"), differenceJson(differences));
        output(json, differences.empty()
                         ? QStringLiteral("%1: soubor se od zařízení neliší")
                               .arg(page->traits().caption)
                         : differenceText(differences));
        // A script tells "the device holds the file" from "it does not" without parsing.
        return differences.empty() ? StatusOk : StatusDifferences;
    }

    int report()
    {
        if (m_o.output.isEmpty())
            return usage(QStringLiteral("příkaz report potřebuje -o SOUBOR.pdf"));
        int status = StatusOk;
        std::unique_ptr<TComponentForm> page = readDevice(status);
        if (!page)
            return status;
        QDateTime at;
        page->confirmedByDevice(&at);
        QString error;
        if (!writeProtocol(m_o.output, protocolFacts(*page, at, false), settingsOf(*page), &error))
            return failed(StatusFile, error);
        QJsonObject json;
        json.insert(QStringLiteral("ok"), true);
        json.insert(QStringLiteral("model"), page->traits().caption);
        json.insert(QStringLiteral("identification"), page->deviceIdentification().trimmed());
        json.insert(QStringLiteral("file"), m_o.output);
        output(json, QStringLiteral("%1 přečten, protokol uložen do %2")
                         .arg(page->traits().caption, m_o.output));
        return StatusOk;
    }

    static bool replaceFile(const QString &path, const QByteArray &content)
    {
        const QString temporary = path + QStringLiteral(".new");
        QFile out(temporary);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(content) != content.size() || !out.flush()) {
            out.remove();
            return false;
        }
        out.close();
        QFile::remove(path);
        return QFile::rename(temporary, path);
    }

    int failedPlan(const FilePlan &plan)
    {
        QJsonObject json;
        if (!plan.problems.isEmpty())
            json.insert(QStringLiteral("problems"), plan.problems);
        return failed(plan.status, plan.error, QString(), json);
    }

    int write()
    {
        const FilePlan plan = planFile(m_shell, m_o.file, m_o.allowDefaults);
        if (plan.status != StatusOk)
            return failedPlan(plan);
        const JobResult r = provision(m_shell, m_prompts, plan, m_o.dryRun);
        const QJsonObject &j = r.json;
        if (!m_o.json && j.contains(QStringLiteral("backup"))) {
            QString text = QStringLiteral("%1: záloha v %2\n")
                               .arg(j.value(QStringLiteral("model")).toString(),
                                    j.value(QStringLiteral("backup")).toString());
            if (j.contains(QStringLiteral("changes")))
                text += r.changes.isEmpty()
                            ? QStringLiteral("  beze změn\n")
                            : QStringLiteral("  ") + r.changes.join(QStringLiteral("\n  ")) +
                                  QLatin1Char('\n');
            std::printf("%s", qPrintable(text));
            std::fflush(stdout);
        }
        if (r.status != StatusOk) {
            if (!m_o.json && j.value(QStringLiteral("written")).toBool())
                notice(QStringLiteral("Zařízení zápis potvrdilo, ověření se ale nezdařilo."));
            else if (!m_o.json && j.value(QStringLiteral("sentWrites")).toInt() > 0)
                notice(QStringLiteral("Zařízení mohlo přijmout část nového nastavení; původní "
                                      "je v záloze."));
            return failed(r.status, r.error, r.details, j);
        }
        QJsonObject json = j;
        json.insert(QStringLiteral("ok"), true);
        output(json, m_o.dryRun ? QStringLiteral("nic nezapsáno (--dry-run), kontroly zápisu "
                                                 "prošly")
                                : message(14) + QStringLiteral(", ověřeno"));
        return StatusOk;
    }

    // --- batch ---

    // Polls until a device answers (0), Ctrl+C (-1) or the port gave up (its status).
    int waitForDevice(WaitingLine &line, Detection &seen)
    {
        Clock &clock = Clock::instance();
        for (;;) {
            if (m_interrupted.load())
                return -1;
            seen = identifyDevice(m_shell);
            const bool answered = seen.error == 0 || seen.error == ErrUnknownDevice;
            const WaitingLine::Step step = line.seen(clock.nowMs(), answered ? 0 : seen.error);
            switch (step.say) {
            case WaitingLine::Say::PortClosed:
                notice(QStringLiteral("%1: %2. Čekám dál (nejvýše %3 s).\n%4")
                           .arg(m_o.port, message(ErrPortClosed))
                           .arg(m_o.portTimeoutS)
                           .arg(diagnosisOf(int(ErrPortClosed), m_shell.port)));
                break;
            case WaitingLine::Say::BadReplies: {
                QString text = QStringLiteral("%1: zařízení odpovídá, ale nepoužitelně: %2. "
                                              "Čekám dál.")
                                   .arg(m_o.port, message(seen.error));
                const QString why = diagnosisOf(seen.error, m_shell.port);
                notice(why.isEmpty() ? text : text + QLatin1Char('\n') + why);
                break;
            }
            case WaitingLine::Say::Silent: {
                const QString why = diagnosisOf(int(ErrNoReply), m_shell.port);
                if (!why.isEmpty())
                    notice(why);
                break;
            }
            case WaitingLine::Say::Nothing:
                break;
            }
            if (answered)
                return 0;
            if (step.giveUp)
                return StatusPort;
            clock.waitProcessingEvents(500);
        }
    }

    void logDevice(const JobResult &r)
    {
        const QJsonObject &j = r.json;
        const QString result =
            r.status == StatusOk ? (m_o.dryRun ? QStringLiteral("zkontrolováno (--dry-run)")
                                               : message(14))
                                 : r.error;
        const bool logged = csv::append(
            m_o.log, kLogHeader,
            {{QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                      j.value(QStringLiteral("model")).toString(), r.identification,
                      j.value(QStringLiteral("firmware")).toString(),
                      j.value(QStringLiteral("address")).toString(),
                      yesNo(j.value(QStringLiteral("written")).toBool()),
                      yesNo(j.value(QStringLiteral("verified")).toBool()), result,
              QString::number(int(r.status))}});
        if (!logged)
            notice(QStringLiteral("Do souboru %1 nelze zapisovat").arg(m_o.log));
    }

    void reportDevice(int number, const JobResult &r)
    {
        logDevice(r);
        QJsonObject json = r.json;
        json.insert(QStringLiteral("device"), number);
        json.insert(QStringLiteral("ok"), r.status == StatusOk);
        json.insert(QStringLiteral("status"), int(r.status));
        if (r.status != StatusOk)
            json.insert(QStringLiteral("error"), r.error);
        if (!r.details.isEmpty())
            json.insert(QStringLiteral("details"), r.details);
        QString text = QStringLiteral("zařízení %1").arg(number);
        if (json.contains(QStringLiteral("model")))
            text += QStringLiteral(" (%1)").arg(json.value(QStringLiteral("model")).toString());
        text += QStringLiteral(": ");
        if (r.status == StatusOk)
            text += m_o.dryRun ? QStringLiteral("kontroly zápisu prošly, nic nezapsáno")
                               : message(14) + QStringLiteral(", ověřeno");
        else
            text += r.error + QStringLiteral(" (kód %1)").arg(int(r.status));
        if (r.status != StatusOk && json.value(QStringLiteral("written")).toBool())
            text += QStringLiteral("; zařízení zápis potvrdilo, ověření se nezdařilo");
        if (json.contains(QStringLiteral("backup")))
            text += QStringLiteral("; záloha %1").arg(json.value(QStringLiteral("backup")).toString());
        if (json.contains(QStringLiteral("protocol")))
            text += QStringLiteral("; protokol %1")
                        .arg(json.value(QStringLiteral("protocol")).toString());
        if (!r.details.isEmpty())
            text += QLatin1Char('\n') + r.details;
        output(json, text);
    }

    // After a device: polls until it is gone (true), another device is there (true, `next`
    // holds it) or Ctrl+C (false).
    bool watchDevice(const JobResult &r, const Detection &handled, Detection &next, bool &another)
    {
        Clock &clock = Clock::instance();
        // What the device holds now, where the job could not tell.
        std::optional<QString> text = r.customerText;
        const int index = r.listIndex >= 0 ? r.listIndex : handled.listIndex;
        if (!text && index >= 0 && r.status != StatusPort)
            text = readCustomerText(m_shell, m_prompts, index);
        DeviceWatch watch;
        watch.handled(handled.identification, clock.nowMs());
        another = false;
        for (;;) {
            if (m_interrupted.load())
                return false;
            clock.waitProcessingEvents(250);
            next = identifyDevice(m_shell);
            switch (watch.seen(clock.nowMs(), next.error, next.identification)) {
            case DeviceWatch::Verdict::Gone:
                return true;
            case DeviceWatch::Verdict::Another:
                another = true;
                return true;
            case DeviceWatch::Verdict::Recheck: {
                // Back after a short silence: the same device, unless its text says otherwise.
                if (!text)
                    break;
                const std::optional<QString> now =
                    readCustomerText(m_shell, m_prompts, next.listIndex);
                if (now && *now != *text) {
                    another = true;
                    return true;
                }
                break;
            }
            case DeviceWatch::Verdict::Same:
            case DeviceWatch::Verdict::Silent:
                break;
            }
        }
    }

    int batch()
    {
        const FilePlan plan = planFile(m_shell, m_o.file, m_o.allowDefaults);
        if (plan.status != StatusOk)
            return failedPlan(plan);
        if (!csv::append(m_o.log, kLogHeader, {}))
            return failed(StatusInternal,
                          QStringLiteral("Do souboru %1 nelze zapisovat").arg(m_o.log));
        notice(QStringLiteral("čekám na zařízení na %1 (Ctrl+C ukončí)").arg(m_o.port));
        WaitingLine line(qint64(m_o.portTimeoutS) * 1000);
        int devices = 0;
        int failures = 0;
        int worst = StatusOk;
        Detection device;
        bool waiting = true;
        for (;;) {
            if (waiting) {
                const int w = waitForDevice(line, device);
                if (w < 0)
                    break;
                if (w > 0) {
                    // The diagnosis went to the terminal when the waiting began.
                    worst = failed(CliStatus(w), message(ErrPortClosed),
                                   m_o.json ? diagnosisOf(int(ErrPortClosed), m_shell.port)
                                            : QString());
                    break;
                }
            }
            ++devices;
            const JobResult r =
                provision(m_shell, m_prompts, plan, m_o.dryRun, m_o.dryRun ? QString() : m_o.protocols);
            reportDevice(devices, r);
            if (r.status != StatusOk) {
                ++failures;
                worst = r.status;
            }
            Detection next;
            bool another = false;
            if (!watchDevice(r, device, next, another))
                break;
            if (another) {
                notice(QStringLiteral("na %1 je další zařízení").arg(m_o.port));
                device = next;
                waiting = false;
            } else {
                notice(QStringLiteral("zařízení %1 odpojeno, čekám na další").arg(devices));
                waiting = true;
            }
        }
        notice(QStringLiteral("konec: %1 zařízení, z toho %2 s chybou").arg(devices).arg(failures));
        if (worst != StatusOk)
            return worst;
        return m_interrupted.load() && devices == 0 ? StatusInterrupted : StatusOk;
    }

    Options m_o;
    const std::atomic<bool> &m_interrupted;
    TerminalPrompts m_prompts;
    CliShell m_shell;
};

} // namespace

int runCommand(const Options &o, const std::atomic<bool> &interrupted)
{
    Cli cli(o, interrupted);
    return cli.run();
}
