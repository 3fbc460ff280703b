// Every page's read-all and write-all against its model on the wire-timed simulator: the
// measured time beside the wire time of the frames at 19200 Bd, the simulator's turnaround
// per exchange, and the pauses the page asked for; the ratio measured / (wire + turnaround +
// pauses) shows what the page itself costs (goal: 1.10 at most). Each write is measured once
// more with its backup made beforehand: a write with its backup should take at most 1.10 x
// the write alone plus the wire time of the read the backup adds. Then the time from program
// start to a page filled by detection at start, beside a bare start plus the wire time of
// its frames.
//
//   build/bench/bench_pages [rounds]
#include "link/Messages.h"
#include "link/TSerial.h"
#include "link/TTransmit.h"
#include "pages/framework/Backups.h"
#include "pages/framework/Exchanges.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"
#include "pages/pages.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "shell/PageRegistry.h"
#include "shell/Shell.h"
#include "shell/SystemDialog.h"
#include "sim/Sim.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <mutex>
#include <vector>

namespace {

class BenchShell : public Shell
{
public:
    BenchShell() { install(this); }
    void openPort() override
    {
        closePort();
        serial = new TSerial(1, path);
        serial->setBaudRate(19200);
        serial->setParity(0);
        serial->setByteSize(8);
        serial->setStopBits(0);
        serial->setBuffers(200, 200);
    }
    void closePort() override
    {
        delete serial;
        serial = nullptr;
    }
    QWidget *currentPage() const override { return page; }
    TSystemDialog &systemDialog() override { return dialog; }

    QString path;
    QWidget *page = nullptr;
    TSystemDialog dialog;
};

// The real clock, with the waits the pages ask for added up.
class CountingClock : public Clock
{
public:
    qint64 nowMs() override { return m_real.nowMs(); }
    void waitProcessingEvents(int ms) override
    {
        waitedMs += ms;
        m_real.waitProcessingEvents(ms);
    }
    qint64 waitedMs = 0;

private:
    SystemClock m_real;
};

class CountingPrompts : public Prompts
{
public:
    void message(const QString &text, const QString &, PromptIcon) override
    {
        ++messages;
        last = text;
    }
    PromptAnswer question(const QString &, const QString &, PromptButtons, PromptIcon) override
    {
        return PromptAnswer::No;
    }
    QString openFileName(const QString &, const QString &, const QString &) override
    {
        return QString();
    }
    QString saveFileName(const QString &, const QString &, const QString &) override
    {
        return QString();
    }
    void beep() override {}
    int messages = 0;
    QString last;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double wireMs(const QList<sim::Frame> &frames)
{
    qint64 bytes = 0;
    for (const auto &f : frames)
        bytes += f.bytes.size();
    return bytes * sim::kCharMicros / 1000.0;
}

std::unique_ptr<sim::Server> serve(std::shared_ptr<sim::Device> device)
{
    auto server = std::make_unique<sim::Server>(std::move(device));
    server->setTickInterval(0);
    QString error;
    if (!server->start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return nullptr;
    }
    sim::Faults wire;
    wire.wireTiming = true;
    server->setFaults(wire);
    return server;
}

// What an exchange costs beyond its wire time: the port's open and close and the
// simulator's answer. The median of identification reads, as every page sends them.
double turnaroundMs(BenchShell &shell, sim::Server &server)
{
    TTransmit t(shell);
    std::vector<double> extra;
    for (int i = 0; i < 23; ++i) {
        server.clearLog();
        QString ident;
        QElapsedTimer timer;
        timer.start();
        t.readIdentification(ident);
        const double ms = timer.nsecsElapsed() / 1e6;
        if (i >= 3)
            extra.push_back(ms - wireMs(server.frames()) - wireMs(server.replies()));
    }
    return median(extra);
}

struct Figure {
    double measured = 0, wire = 0, pauses = 0, ideal = 0;
    int exchanges = 0;
    bool ok = true;
};

template <typename Operation>
Figure measure(int rounds, sim::Server &server, CountingClock &clock, CountingPrompts &prompts,
               double turnaround, Operation operation,
               const std::function<void()> &setUp = [] {})
{
    std::vector<Figure> runs;
    for (int i = 0; i < rounds + 1; ++i) {
        setUp(); // not timed
        server.clearLog();
        clock.waitedMs = 0;
        prompts.messages = 0;
        QElapsedTimer timer;
        timer.start();
        const bool ok = operation();
        Figure f;
        f.measured = timer.nsecsElapsed() / 1e6;
        // The reply is on the wire at least as long as it takes to arrive; the requests too.
        QThread::msleep(20);
        f.wire = wireMs(server.frames()) + wireMs(server.replies());
        f.exchanges = static_cast<int>(server.frames().size());
        f.pauses = static_cast<double>(clock.waitedMs);
        f.ideal = f.wire + f.exchanges * turnaround + f.pauses;
        f.ok = ok && prompts.messages == 0;
        if (i > 0) // the first round warms caches up
            runs.push_back(f);
    }
    std::sort(runs.begin(), runs.end(),
              [](const Figure &a, const Figure &b) { return a.measured < b.measured; });
    return runs[runs.size() / 2];
}

void print(const char *page, const char *operation, const Figure &f)
{
    std::printf("%-10s %-10s %9.1f %9.1f %7d %9.1f %9.1f %7.3f%s\n", page, operation, f.measured,
                f.wire, f.exchanges, f.pauses, f.ideal, f.ideal > 0 ? f.measured / f.ideal : 0.0,
                f.ok ? "" : "  FAILED");
}

// The program started as a user starts it, detecting and reading the device at once. The
// bare start is the time to its first request (it cannot send before it runs); the rest
// should be the frames' wire time and the turnaround of each exchange.
void startToFilledPage(const QString &program, const QString &model, double turnaround)
{
    std::vector<double> measured, bare, ideal;
    int exchanges = 0;
    double wire = 0;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer clock;
        clock.start();
        auto server = serve(std::shared_ptr<sim::Device>(sim::createModel(model)));
        if (!server)
            return;
        const double serverStartMs = clock.nsecsElapsed() / 1e6; // its frames count from here
        QTemporaryDir dir;
        auto writeFile = [&](const char *name, const QByteArray &content) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            if (f.open(QIODevice::WriteOnly))
                f.write(content);
        };
        writeFile("serialPorts.ini", "[ports]\nCOM1=" + server->path().toUtf8() + "\n");
        writeFile("mFormSave.ini", "[mForm]\nserialNameComboBox=0\nmmLoadLast=1\n"
                                   "mmAutoComponent=1\nmmLoadDataAfterStart=1\n");
        QProcess process;
        process.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        const double startMs = clock.nsecsElapsed() / 1e6;
        process.start(program, {});
        process.waitForStarted();
        // Done when the line has been quiet for a second after the first frames.
        qsizetype last = -1;
        QElapsedTimer quiet;
        quiet.start();
        while (clock.elapsed() < 20000) {
            QThread::msleep(10);
            const qsizetype n = server->frames().size();
            if (n != last) {
                last = n;
                quiet.restart();
            } else if (n > 0 && quiet.elapsed() > 1000) {
                break;
            }
        }
        const auto frames = server->frames();
        const auto replies = server->replies();
        process.kill();
        process.waitForFinished();
        if (frames.isEmpty() || replies.isEmpty())
            return;
        const double first = serverStartMs + frames.first().timeUs / 1000.0 - startMs;
        const double end = serverStartMs + replies.last().timeUs / 1000.0 +
                           replies.last().bytes.size() * sim::kCharMicros / 1000.0 - startMs;
        exchanges = static_cast<int>(frames.size());
        wire = wireMs(frames) + wireMs(replies);
        measured.push_back(end);
        bare.push_back(first);
        ideal.push_back(first + wire + exchanges * turnaround);
    }
    std::printf("\nprogram start to a %s page filled by detection at start (median of 3):\n",
                qPrintable(model));
    std::printf("  measured %.1f ms; bare start (to the first request) %.1f ms + wire %.1f ms "
                "+ %d exchanges x %.2f ms = %.1f ms; ratio %.3f\n",
                median(measured), median(bare), wire, exchanges, turnaround, median(ideal),
                median(measured) / median(ideal));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(3, atoi(argv[1])) : 5;
    QTemporaryDir work;
    QDir::setCurrent(work.path());

    BenchShell shell;
    CountingClock clock;
    Clock::install(&clock);
    CountingPrompts prompts;
    Prompts::install(&prompts);
    registerPages(PageRegistry::instance());

    std::printf("%-10s %-10s %9s %9s %7s %9s %9s %7s\n", "page", "operation", "measured", "wire",
                "frames", "pauses", "ideal", "ratio");
    std::printf("%-10s %-10s %9s %9s %7s %9s %9s %7s\n", "", "", "ms", "ms", "", "ms", "ms", "");
    double worst = 0;
    double worstBackup = 0;
    double lastTurnaround = 0;
    for (int index : PageRegistry::instance().indices()) {
        std::unique_ptr<TComponentForm> page(
            qobject_cast<TComponentForm *>(PageRegistry::instance().create(index)));
        if (!page)
            continue;
        const QString model = page->traits().models.value(0).trimmed();
        auto server = serve(std::shared_ptr<sim::Device>(sim::createModel(model)));
        if (!server)
            return 1;
        shell.path = server->path();
        shell.page = page.get();
        page->show();
        const double turnaround = turnaroundMs(shell, *server);
        lastTurnaround = turnaround;
        const QByteArray name = model.toLatin1();
        const Figure read = measure(rounds, *server, clock, prompts, turnaround, [&] {
            page->getButtonClick();
            return page->panelText(2) == message(14);
        });
        print(name.constData(), "read all", read);
        const Figure write = measure(rounds, *server, clock, prompts, turnaround, [&] {
            page->sendButtonClick();
            return page->panelText(2) == message(14);
        });
        print(name.constData(), "write all", write);
        worst = std::max({worst, read.measured / read.ideal, write.measured / write.ideal});
        // The same write with its backup made beforehand (as ovrin-cli's write does from its
        // own read): what the backup adds to the line and to the time.
        const Figure alone = measure(
            rounds, *server, clock, prompts, turnaround,
            [&] {
                page->sendButtonClick();
                return page->panelText(2) == message(14);
            },
            [&] {
                const QString file = newBackupPath(page->traits().caption);
                writeBackup(*page, file, QDateTime::currentDateTime());
                backupTakenBeforeWrite(*page, file);
            });
        print(name.constData(), "write only", alone);
        const double blockWire = write.wire - alone.wire;
        const double backupRatio = write.measured / (alone.measured + blockWire);
        std::printf("%-10s backup    %+8d frames %+8.1f ms wire %+8.1f ms; ratio %.3f\n",
                    name.constData(), write.exchanges - alone.exchanges, blockWire,
                    write.measured - alone.measured, backupRatio);
        worstBackup = std::max(worstBackup, backupRatio);
        page->markChanged(false);
        shell.page = nullptr;
    }
    std::printf("(turnaround: an identification read's time beyond its wire time, per exchange)\n");
    std::printf("worst ratio %.3f (goal: 1.10 at most)\n", worst);
    std::printf("backup: write with its backup / (the write alone + the wire time the backup "
                "adds), worst %.3f (goal: 1.10 at most)\n",
                worstBackup);

    const QString program = QCoreApplication::applicationDirPath() + "/../shell/ovrin";
    if (QFile::exists(program))
        startToFilledPage(program, QStringLiteral("T4yJ"), lastTurnaround);
    return 0;
}
