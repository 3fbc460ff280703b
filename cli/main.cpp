// ovrin-cli: the device pages from a terminal. Reads, writes and verifies devices with the
// same files as the program, provisions one device after another, and keeps backups.
//
//   ovrin-cli ports
//   ovrin-cli detect --port COM1
//   ovrin-cli read --port COM1 [--model NAME] [-o FILE]
//   ovrin-cli write FILE --port COM1 [--dry-run]
//   ovrin-cli batch FILE --port COM1 [--log FILE.csv]
//
// --json prints one JSON object a result; the exit status is 0 only for a verified success.

#include "cli/CliSession.h"
#include "cli/Scan.h"
#include "link/Messages.h"
#include "link/PortDiagnosis.h"
#include "link/TSerial.h"
#include "pages/framework/Fields.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"
#include "pages/pages.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "shell/Identification.h"
#include "shell/PageRegistry.h"
#include "shell/Translations.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

const char kUsage[] =
    "usage: ovrin-cli COMMAND [options]\n"
    "\n"
    "commands:\n"
    "  ports                           the COM names, their devices and whether they open\n"
    "  detect --port COMn              model, identification and firmware of the device\n"
    "  read --port COMn [--model NAME] [-o FILE]\n"
    "                                  read every setting into a configuration file (as the\n"
    "                                  page's \"Uložit konfiguraci\"; without -o to stdout)\n"
    "  write FILE --port COMn [--dry-run]\n"
    "                                  load FILE into the model's page, back the device up to\n"
    "                                  backups/, list the changes, write and verify\n"
    "  scan --port COMn [--bauds 1200,...,19200] [--addresses 1-254]\n"
    "                                  find the devices on a bus: address, rate, model,\n"
    "                                  firmware, customer text (--timeout: the wait for a\n"
    "                                  reply, 20 ms by default)\n"
    "  batch FILE --port COMn [--log FILE.csv]\n"
    "                                  write FILE to one device after another: waits for a\n"
    "                                  device, writes, waits until it is gone; Ctrl+C ends\n"
    "                                  between devices; a CSV line per device (default\n"
    "                                  batch.csv)\n"
    "\n"
    "options:\n"
    "  --json                          machine-readable results\n"
    "  --address N --baud B            the device at its own address 1..254 and rate on a\n"
    "                                  bus (default 255, every device, at 19200 Bd)\n"
    "  --timeout MS                    the wait for a reply's first byte (a gateway on a\n"
    "                                  slow network needs more)\n"
    "  --help                          this text\n"
    "\n"
    "COM names resolve through serialPorts.ini in the working directory ([ports] COMn=path),\n"
    "as in the program. Exit status: 0 verified success, 1 usage, 2 port cannot be opened,\n"
    "3 no reply, 4 wrong or unknown device, 5 request refused by the device, 6 verification\n"
    "failed, 7 configuration file not for this device, 8 a value that cannot be written,\n"
    "9 internal error, 10 interrupted.\n";

std::atomic<bool> g_interrupted{false};

struct Options {
    QString command;
    QString file;
    QString port;
    QString model;
    QString output;
    QString log = QStringLiteral("batch.csv");
    bool json = false;
    bool dryRun = false;
    QString address, baud, timeout, bauds, addresses;
};

bool parse(const QStringList &args, Options &o, QString &error)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](QString &into) {
            if (i + 1 >= args.size()) {
                error = a + QStringLiteral(" needs a value");
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == QLatin1String("--json"))
            o.json = true;
        else if (a == QLatin1String("--dry-run"))
            o.dryRun = true;
        else if (a == QLatin1String("--port")) {
            if (!value(o.port))
                return false;
        } else if (a == QLatin1String("--model")) {
            if (!value(o.model))
                return false;
        } else if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
            if (!value(o.output))
                return false;
        } else if (a == QLatin1String("--log")) {
            if (!value(o.log))
                return false;
        } else if (a == QLatin1String("--address") || a == QLatin1String("--baud") ||
                   a == QLatin1String("--timeout") || a == QLatin1String("--bauds") ||
                   a == QLatin1String("--addresses")) {
            QString &into = a == QLatin1String("--address") ? o.address
                            : a == QLatin1String("--baud")  ? o.baud
                            : a == QLatin1String("--timeout") ? o.timeout
                            : a == QLatin1String("--bauds")   ? o.bauds
                                                              : o.addresses;
            if (!value(into))
                return false;
        } else if (a.startsWith(QLatin1Char('-'))) {
            error = QStringLiteral("unknown option ") + a;
            return false;
        } else if (o.command.isEmpty())
            o.command = a;
        else if (o.file.isEmpty())
            o.file = a;
        else {
            error = QStringLiteral("unexpected ") + a;
            return false;
        }
    }
    return true;
}

int portNumberOf(const QString &name)
{
    if (!name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int n = name.mid(3).toInt(&ok);
    return ok && n >= 1 && n <= 20 ? n : 0;
}

class Cli
{
public:
    explicit Cli(const Options &o) : m_o(o)
    {
        m_prompts.quiet = o.json;
        Prompts::install(&m_prompts);
        m_shell.port = portNumberOf(o.port);
        m_shell.progress.enabled = m_shell.progress.enabled && !o.json;
    }
    ~Cli() { Prompts::install(nullptr); }

    int run()
    {
        if (m_o.command == QLatin1String("ports"))
            return ports();
        if (m_shell.port == 0)
            return usage(QStringLiteral("--port COMn (1 to 20) is needed"));
        QString why;
        if (!applySession(m_o.address, m_o.baud, m_o.timeout, m_shell, why))
            return usage(why);
        if (m_o.command == QLatin1String("scan"))
            return runScan(m_shell, m_o.bauds, m_o.addresses, m_o.timeout, m_o.json);
        if (m_o.command == QLatin1String("detect"))
            return detect();
        if (m_o.command == QLatin1String("read"))
            return read();
        if ((m_o.command == QLatin1String("write") || m_o.command == QLatin1String("batch")) &&
            m_o.file.isEmpty())
            return usage(m_o.command + QStringLiteral(" needs a configuration FILE"));
        if (m_o.command == QLatin1String("write"))
            return write();
        if (m_o.command == QLatin1String("batch"))
            return batch();
        return usage(QStringLiteral("unknown command ") + m_o.command);
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

    // A failure: its text (the program's own message) and status.
    int failed(CliStatus status, const QString &text, QJsonObject json = {})
    {
        json.insert(QStringLiteral("ok"), false);
        json.insert(QStringLiteral("status"), int(status));
        json.insert(QStringLiteral("error"), text);
        if (!m_prompts.details.isEmpty())
            json.insert(QStringLiteral("details"), m_prompts.details);
        if (m_o.json)
            output(json, QString());
        else if (m_prompts.messages.isEmpty() || m_prompts.messages.last() != text)
            std::fprintf(stderr, "%s\n", qPrintable(text));
        return status;
    }

    int failedError(int error)
    {
        if (error == ErrPortClosed && m_prompts.details.isEmpty())
            m_prompts.details = diagnosePort(m_shell.port).details();
        if (error == ErrPortClosed && !m_o.json)
            std::fprintf(stderr, "%s\n", qPrintable(m_prompts.details));
        return failed(statusOfError(error), message(error));
    }

    int ports()
    {
        QJsonArray list;
        QString text;
        for (int n = 1; n <= 20; ++n) {
            const PortDiagnosis d = diagnosePort(n);
            QJsonObject o;
            o.insert(QStringLiteral("name"), d.name);
            o.insert(QStringLiteral("path"), d.path);
            o.insert(QStringLiteral("opens"), d.problem == PortDiagnosis::Problem::None);
            o.insert(QStringLiteral("state"), d.summary());
            if (d.problem != PortDiagnosis::Problem::None &&
                d.problem != PortDiagnosis::Problem::Missing)
                o.insert(QStringLiteral("details"), d.details());
            list.append(o);
            text +=
                QStringLiteral("%1  %2  %3\n").arg(d.name, -5).arg(d.path, -28).arg(d.summary());
            if (d.problem != PortDiagnosis::Problem::None &&
                d.problem != PortDiagnosis::Problem::Missing) {
                const QStringList why = d.details().split(QLatin1Char('\n')).mid(1);
                for (const QString &line : why)
                    text += QStringLiteral("       ") + line + QLatin1Char('\n');
            }
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

    QJsonObject deviceJson(const Detection &d) const
    {
        QJsonObject o;
        o.insert(QStringLiteral("model"), componentNames().value(d.listIndex));
        o.insert(QStringLiteral("identification"), d.identification.trimmed());
        o.insert(QStringLiteral("firmware"), d.firmware);
        return o;
    }

    int detect()
    {
        const Detection d = detectDevice(m_shell);
        if (d.collided)
            return reportCollision(m_shell, m_o.json);
        if (d.error != 0)
            return failedError(d.error);
        QJsonObject json = deviceJson(d);
        json.insert(QStringLiteral("ok"), true);
        output(json, QStringLiteral("model %1, identifikace \"%2\", firmware %3")
                         .arg(componentNames().value(d.listIndex), d.identification.trimmed(),
                              d.firmware));
        return StatusOk;
    }

    // The page of --model, or of the detected device.
    std::unique_ptr<TComponentForm> pageFor(const QString &model, int &status)
    {
        int index = -1;
        if (!model.isEmpty()) {
            index = listIndexOfModel(model);
            if (index < 0) {
                status = usage(QStringLiteral("unknown model ") + model);
                return nullptr;
            }
        } else {
            const Detection d = detectDevice(m_shell);
            if (d.error != 0) {
                status = failedError(d.error);
                return nullptr;
            }
            index = d.listIndex;
        }
        std::unique_ptr<TComponentForm> page = createPage(m_shell, index);
        if (!page)
            status = failed(StatusInternal, QStringLiteral("Pro model %1 zatím není stránka")
                                                .arg(componentNames().value(index)));
        return page;
    }

    Outcome readWithProgress(TComponentForm &page)
    {
        m_shell.progress.begin(QStringLiteral("Čtení ") + page.traits().caption);
        const Outcome o = readPage(page, m_prompts);
        m_shell.progress.end();
        return o;
    }

    int read()
    {
        int status = StatusOk;
        std::unique_ptr<TComponentForm> page = pageFor(m_o.model, status);
        if (!page)
            return status;
        const Outcome o = readWithProgress(*page);
        if (o.status != StatusOk)
            return failed(o.status, o.text);
        QTemporaryDir scratch;
        const QString file = m_o.output.isEmpty() ? scratch.filePath(QStringLiteral("read.ini"))
                                                  : QFileInfo(m_o.output).absoluteFilePath();
        const Outcome saved = savePage(*page, m_prompts, file);
        if (saved.status != StatusOk)
            return failed(saved.status, saved.text);
        QJsonObject json;
        json.insert(QStringLiteral("ok"), true);
        json.insert(QStringLiteral("model"), page->traits().caption);
        json.insert(QStringLiteral("device"), page->panelText(0).section(QLatin1Char(' '), 1));
        json.insert(QStringLiteral("firmware"), page->panelText(3).section(QLatin1Char(' '), 1));
        if (m_o.output.isEmpty()) {
            QFile f(file);
            f.open(QIODevice::ReadOnly);
            const QByteArray content = f.readAll();
            json.insert(QStringLiteral("file"), QString::fromLatin1(content.toBase64()));
            if (!m_o.json) {
                std::fwrite(content.constData(), 1, size_t(content.size()), stdout);
                return StatusOk;
            }
        } else {
            json.insert(QStringLiteral("file"), m_o.output);
        }
        output(json, QStringLiteral("%1 přečten, konfigurace uložena do %2")
                         .arg(page->traits().caption, m_o.output));
        return StatusOk;
    }

    // The device read, backed up, the file loaded, the changes listed, written and verified.
    int apply(const QString &file, QJsonObject &json, int expectedIndex = -1)
    {
        const QString absolute = QFileInfo(file).absoluteFilePath();
        int index = listIndexOfFile(m_shell, absolute);
        if (index < 0)
            return failed(StatusFile, message(21), json);
        const Detection d = detectDevice(m_shell);
        if (d.error != 0) {
            if (d.error == ErrPortClosed)
                m_prompts.details = diagnosePort(m_shell.port).details();
            return failed(statusOfError(d.error), message(d.error), json);
        }
        json.insert(QStringLiteral("identification"), d.identification.trimmed());
        json.insert(QStringLiteral("firmware"), d.firmware);
        // A file of the KQx family fits all five; the device says which one it is.
        std::unique_ptr<TComponentForm> probe = createPage(m_shell, d.listIndex);
        if (probe && Profile(absolute).sectionExists(probe->traits().configurationSection()))
            index = d.listIndex;
        probe.reset();
        if (expectedIndex >= 0 && index != expectedIndex)
            return failed(StatusWrongDevice, message(ErrWrongDevice), json);
        std::unique_ptr<TComponentForm> page = createPage(m_shell, index);
        if (!page)
            return failed(StatusInternal, QStringLiteral("Pro tento model zatím není stránka"),
                          json);
        json.insert(QStringLiteral("model"), page->traits().caption);
        const Outcome read = readWithProgress(*page);
        if (read.status != StatusOk)
            return failed(read.status, read.text, json);
        QDir().mkpath(QStringLiteral("backups"));
        QString model = page->traits().caption;
        model.replace(QLatin1Char('/'), QLatin1Char('-'));
        const QString stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString backup = QDir(QStringLiteral("backups"))
                             .absoluteFilePath(QStringLiteral("%1-%2.ini").arg(model, stamp));
        // Two devices in one second keep a backup each.
        for (int n = 2; QFile::exists(backup); ++n)
            backup = QDir(QStringLiteral("backups"))
                         .absoluteFilePath(QStringLiteral("%1-%2-%3.ini").arg(model, stamp).arg(n));
        const Outcome saved = savePage(*page, m_prompts, backup);
        if (saved.status != StatusOk)
            return failed(saved.status, saved.text, json);
        json.insert(QStringLiteral("backup"), QDir::current().relativeFilePath(backup));
        const auto before = shownValues(*page);
        const Outcome loaded = loadPage(*page, m_prompts, absolute);
        if (loaded.status != StatusOk)
            return failed(loaded.status, loaded.text, json);
        const auto after = shownValues(*page);
        QJsonArray changes;
        QString list;
        for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
            if (before[i].text == after[i].text)
                continue;
            QJsonObject c;
            c.insert(QStringLiteral("key"), after[i].key);
            c.insert(QStringLiteral("caption"), after[i].caption);
            c.insert(QStringLiteral("old"), before[i].text);
            c.insert(QStringLiteral("new"), after[i].text);
            changes.append(c);
            list += QStringLiteral("  %1: %2 -> %3\n")
                        .arg(after[i].caption, before[i].text, after[i].text);
        }
        json.insert(QStringLiteral("changes"), changes);
        if (!m_o.json && m_o.command == QLatin1String("write"))
            std::printf("%s: záloha v %s\n%s", qPrintable(page->traits().caption),
                        qPrintable(QDir::current().relativeFilePath(backup)),
                        changes.isEmpty() ? "  beze změn\n" : qPrintable(list));
        if (m_o.dryRun) {
            json.insert(QStringLiteral("written"), false);
            return StatusOk;
        }
        m_shell.progress.begin(QStringLiteral("Zápis ") + page->traits().caption);
        const Outcome written = writePage(*page, m_prompts);
        m_shell.progress.end();
        json.insert(QStringLiteral("written"), written.status == StatusOk);
        if (written.status != StatusOk)
            return failed(written.status, written.text, json);
        for (QComboBox *combo : page->findChildren<QComboBox *>())
            if (isAddressCombo(combo))
                json.insert(QStringLiteral("address"), combo->currentText());
        return StatusOk;
    }

    int write()
    {
        QJsonObject json;
        const int status = apply(m_o.file, json);
        if (status != StatusOk)
            return status;
        json.insert(QStringLiteral("ok"), true);
        output(json, m_o.dryRun ? QStringLiteral("nic nezapsáno (--dry-run)")
                                : message(14) + QStringLiteral(", ověřeno"));
        return StatusOk;
    }

    // Polls the identification until a device answers (true) or is gone (false answered).
    bool waitForDevice(bool present)
    {
        TTransmit t(m_shell);
        for (;;) {
            if (g_interrupted.load())
                return false;
            QString ident;
            const bool answers = t.readIdentification(ident).error == 0;
            if (answers == present)
                return true;
            Clock::instance().waitProcessingEvents(500);
        }
    }

    int batch()
    {
        const QString file = QFileInfo(m_o.file).absoluteFilePath();
        const int expected = listIndexOfFile(m_shell, file);
        if (expected < 0)
            return failed(StatusFile, message(21));
        QFile log(m_o.log);
        const bool fresh = !log.exists();
        if (!log.open(QIODevice::Append | QIODevice::Text))
            return failed(StatusInternal, QStringLiteral("Nelze zapisovat do ") + m_o.log);
        if (fresh)
            log.write("datum a čas;identifikace;firmware;adresa;výsledek\n");
        int worst = StatusOk;
        int devices = 0;
        if (!m_o.json)
            std::fprintf(stderr, "čekám na zařízení na %s (Ctrl+C ukončí)\n", qPrintable(m_o.port));
        while (waitForDevice(true)) {
            ++devices;
            QJsonObject json;
            m_prompts.messages.clear();
            m_prompts.details.clear();
            const bool quiet = m_prompts.quiet;
            m_prompts.quiet = true;
            // The page of the file's model; another model on the line is refused.
            const int status = apply(file, json, expected);
            m_prompts.quiet = quiet;
            const QString result =
                status == StatusOk ? message(14) : json.value(QStringLiteral("error")).toString();
            log.write(QStringLiteral("%1;%2;%3;%4;%5\n")
                          .arg(QDateTime::currentDateTime().toString(Qt::ISODate),
                               json.value(QStringLiteral("identification")).toString(),
                               json.value(QStringLiteral("firmware")).toString(),
                               json.value(QStringLiteral("address")).toString(), result)
                          .toUtf8());
            log.flush();
            json.insert(QStringLiteral("device"), devices);
            json.insert(QStringLiteral("ok"), status == StatusOk);
            json.insert(QStringLiteral("status"), status);
            output(json, QStringLiteral("zařízení %1: %2").arg(devices).arg(result));
            if (status != StatusOk)
                worst = status;
            if (!waitForDevice(false))
                break;
        }
        if (!m_o.json)
            std::fprintf(stderr, "konec: %d zařízení\n", devices);
        if (worst != StatusOk)
            return worst;
        return g_interrupted.load() ? (devices > 0 ? StatusOk : StatusInterrupted) : StatusOk;
    }

    Options m_o;
    TerminalPrompts m_prompts;
    CliShell m_shell;
};

} // namespace

// The toolkit's own notes (an offscreen window cannot be raised, no runtime directory) are
// no results: only its errors reach the terminal.
void quietToolkit(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

int main(int argc, char **argv)
{
    qInstallMessageHandler(quietToolkit);
    // No window: the pages run offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options o;
    QString error;
    const QStringList args = QCoreApplication::arguments();
    if (args.contains(QStringLiteral("--help")) || args.size() < 2) {
        std::printf("%s", kUsage);
        return args.size() < 2 ? StatusUsage : StatusOk;
    }
    if (!parse(args, o, error)) {
        std::fprintf(stderr, "ovrin-cli: %s\n\n%s", qPrintable(error), kUsage);
        return StatusUsage;
    }
    installCzechTranslations(app);
    registerPages(PageRegistry::instance());
    std::signal(SIGINT, [](int) { g_interrupted.store(true); });
    std::signal(SIGTERM, [](int) { g_interrupted.store(true); });
    Cli cli(o);
    return cli.run();
}
