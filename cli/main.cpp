// ovrin-cli: the device pages from a terminal. Reads, writes and verifies devices with the
// same files as the program, provisions one device after another, and keeps backups.
//
//   ovrin-cli ports
//   ovrin-cli detect --port COM1
//   ovrin-cli read --port COM1 [--model NAME] [-o FILE]
//   ovrin-cli write FILE --port COM1 [--dry-run] [--allow-defaults]
//   ovrin-cli batch FILE --port COM1 [--log FILE.csv] [--port-timeout S] [--allow-defaults]
//
// --json prints one JSON object a result; the exit status is 0 only for a verified success.

#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "pages/pages.h"
#include "shell/PageRegistry.h"
#include "shell/Translations.h"

#include <QApplication>
#include <atomic>
#include <csignal>
#include <cstdio>

namespace {

std::atomic<bool> g_interrupted{false};

// The toolkit's own notes (an offscreen window cannot be raised, no runtime directory) are
// no results: only its errors reach the terminal.
void quietToolkit(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

} // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler(quietToolkit);
    // No window: the pages run offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.contains(QStringLiteral("--help")) || args.size() < 2) {
        std::fprintf(args.size() < 2 ? stderr : stdout, "%s", kUsage);
        return args.size() < 2 ? StatusUsage : StatusOk;
    }
    Options o;
    QString error;
    if (!parseOptions(args, o, error)) {
        std::fprintf(stderr, "ovrin-cli: %s\n\n%s", qPrintable(error), kUsage);
        return StatusUsage;
    }
    installCzechTranslations(app);
    registerPages(PageRegistry::instance());
    std::signal(SIGINT, [](int) { g_interrupted.store(true); });
    std::signal(SIGTERM, [](int) { g_interrupted.store(true); });
    return runCommand(o, g_interrupted);
}
