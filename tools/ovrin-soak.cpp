// A long run of the program against a simulated device on a bad line: the main window opens
// the model's page at a bus address, the page's live window polls, and every few seconds the
// page reads or writes; now and then the live window closes and opens again and a test window
// runs. The simulator (ovrin-sim, a process of its own) injects faults at random and unplugs
// the device now and then, and counts them by kind; the program's exchanges are counted by
// error number. At the end: the counts side by side, the outcome of every write, memory,
// descriptors and threads. Exit status 0 only when every figure holds.
//
//   ovrin-soak --model E-7PZ --minutes 15 --sim build/sim/ovrin-sim
#include "link/Messages.h"
#include "link/Traffic.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"
#include "pages/pages.h"
#include "platform/Prompts.h"
#include "shell/AboutBox.h"
#include "shell/MainForm.h"
#include "shell/PageRegistry.h"
#include "shell/SystemDialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <array>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <thread>
#include <unistd.h>

namespace {

struct Options {
    QString model = QStringLiteral("E-7PZ");
    double minutes = 15;
    int stepMs = 3000;
    int warmUpS = 60;
    double faultRate = 0.03;
    int seed = 1;
    QString unplug = QStringLiteral("180:15"); // every 3 minutes, unplugged for 15 s
    int address = 17;
    QString sim;
    QString simLog; // the simulator's frame log, for a look at what went wrong
    QString trafficLog; // the program's exchanges as it saw them, to set beside the sim's
};

// Faults by the error number the master must report for them.
int expectedError(int kind)
{
    switch (kind) {
    case 0: // bad CRC
    case 2: // short reply (what is missing breaks the CRC)
        return ErrCrc;
    default: // silence, another address, noise, unplugged: no answer from this device
        return ErrNoReply;
    }
}

// One exchange as the program saw it (the traffic log) or as the simulator did (its frame
// log: the request heard and the reply sent, empty when none went out).
struct Exchange {
    QByteArray request;
    QByteArray reply;
    int error = 0;
    qint64 timeMs = 0;
};

bool intactFrame(const QByteArray &f)
{
    if (f.size() < 4)
        return false;
    quint8 high = 0, low = 0;
    TTransmit::crc16(reinterpret_cast<const quint8 *>(f.constData()), int(f.size()) - 2, high, low);
    return quint8(f[f.size() - 2]) == low && quint8(f[f.size() - 1]) == high;
}

// What the program must report for what the simulator sent: -1 for a device's exception
// (any error will do).
int errorFor(const Exchange &sim)
{
    const QByteArray &f = sim.reply;
    if (f.isEmpty())
        return ErrNoReply;
    const bool header = f.size() >= 2 && TTransmit::checkReplyFunction(quint8(f[1])) != ErrNoReply;
    if (!intactFrame(f))
        return header ? ErrCrc : ErrNoReply; // cut or spoiled / noise
    if (f[0] != sim.request[0] && quint8(sim.request[0]) != 255)
        return ErrNoReply;
    return (quint8(f[1]) & 0x80) ? -1 : 0;
}

// The bytes of a log line written as hex from parts[first] on (a rate "@9600" left out).
QByteArray bytesFrom(const QList<QByteArray> &parts, int first)
{
    QByteArray hex;
    for (int i = first; i < parts.size(); ++i)
        if (!parts[i].startsWith('@'))
            hex += parts[i];
    return QByteArray::fromHex(hex);
}

// Each line of a log, split at its spaces (nothing when the file cannot be read).
void forEachLine(const QString &path, const std::function<void(const QList<QByteArray> &)> &f)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.atEnd())
        f(file.readLine().trimmed().split(' '));
}

std::vector<Exchange> readSimLog(const QString &path)
{
    std::vector<Exchange> out;
    forEachLine(path, [&out](const QList<QByteArray> &parts) {
        if (parts.size() < 2)
            return;
        const QByteArray bytes = bytesFrom(parts, 1);
        if (parts[0] == "rx")
            out.push_back({bytes, {}, 0, 0});
        else if (parts[0] == "tx" && !out.empty() && out.back().reply.isEmpty())
            out.back().reply = bytes;
    });
    return out;
}

// The program's side, as --traffic-log writes it: "TIME request|reply ERROR HEX...".
std::vector<Exchange> readTrafficLog(const QString &path)
{
    std::vector<Exchange> out;
    forEachLine(path, [&out](const QList<QByteArray> &parts) {
        if (parts.size() < 3)
            return;
        const QByteArray bytes = bytesFrom(parts, 3);
        if (parts[1] == "request") {
            out.push_back({bytes, {}, 0, parts[0].toLongLong()});
        } else if (!out.empty()) {
            out.back().reply = bytes;
            out.back().error = parts[2].toInt();
        }
    });
    return out;
}

// Every prompt is answered as a technician who keeps going would; error boxes are counted.
class SoakPrompts : public Prompts
{
public:
    void message(const QString &text, const QString &caption, PromptIcon) override
    {
        if (caption != QLatin1String("Chyba")) {
            ++others;
            lastOther = text;
            return;
        }
        int number = -1;
        for (int n = 0; n < kMessageCount && number < 0; ++n) {
            const QString m = ::message(n);
            if (text == m || text.startsWith(m + QLatin1String("\n\n")))
                number = n;
        }
        ++errorBoxes[number];
        ++boxesSinceMark;
        lastError = number;
    }
    PromptAnswer question(const QString &, const QString &caption, PromptButtons,
                          PromptIcon) override
    {
        ++questions;
        // Closing: nothing to save. Anything else (a left-over test file, a test start): go on.
        return caption == QLatin1String("Uložit") ? PromptAnswer::No : PromptAnswer::Yes;
    }
    QString openFileName(const QString &, const QString &, const QString &) override
    {
        return QString();
    }
    QString saveFileName(const QString &, const QString &, const QString &) override
    {
        return QString();
    }
    void beep() override { ++beeps; }

    std::map<int, int> errorBoxes;
    int boxesSinceMark = 0;
    int lastError = 0;
    int others = 0;
    QString lastOther;
    int questions = 0;
    int beeps = 0;
};

struct Resources {
    qint64 rssKiB = 0;
    int fds = 0;
    int threads = 0;
};

// Descriptors of the line itself are left out: the reader opens the port for each exchange,
// so whether one is open at the moment of counting is chance.
Resources resources(const QString &linePath)
{
    Resources r;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                r.rssKiB = line.mid(6).trimmed().split(' ').value(0).toLongLong();
            else if (line.startsWith("Threads:"))
                r.threads = line.mid(8).trimmed().toInt();
        }
    }
    const QString line = QFileInfo(linePath).canonicalFilePath();
    const QDir fdDir(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fdDir.entryList(QDir::NoDotAndDotDot | QDir::System)) {
        const QString target = QFile::symLinkTarget(fdDir.filePath(fd));
        if (line.isEmpty() || target != line)
            ++r.fds;
    }
    return r;
}

class Soak : public QObject
{
public:
    Soak(const Options &o, const QString &dir) : m_o(o), m_dir(dir) {}

    bool start();
    int finish();

private:
    void tick();
    bool step();
    bool beginOperation(bool write);
    void endOperation();
    void countTraffic();
    void takePollCounts();
    bool idle() const;
    bool liveOpen() const { return page() && page()->liveWindow(); }
    TComponentForm *page() const { return qobject_cast<TComponentForm *>(m_form->currentPage()); }
    QList<QPushButton *> testButtons() const;
    void measure(Resources &into, bool *taken);
    void fail(const QString &why);

    Options m_o;
    QString m_dir;
    QString m_link;
    QProcess m_sim;
    FILE *m_trafficLog = nullptr;
    SoakPrompts m_prompts;
    std::unique_ptr<TmForm> m_form;
    std::unique_ptr<TSystemDialog> m_dialog;
    std::unique_ptr<TAboutBox> m_about;
    QTimer m_ticker;
    QElapsedTimer m_clock;
    qint64 m_endMs = 0;
    qint64 m_nextStepMs = 0;
    int m_steps = 0;
    bool m_ended = false;
    QStringList m_failures;

    // The operation under way: a read or a write of the page, or a test window.
    enum class Op { None, Read, Write, Test, LiveToggle };
    Op m_op = Op::None;
    qint64 m_opStartMs = 0;
    bool m_sawOk = false;
    bool m_pageFilled = false;
    int m_testButton = 0;

    // Figures.
    quint64 m_lastFrame = 0;
    qint64 m_exchanges = 0;
    qint64 m_lostFrames = 0;
    std::map<int, qint64> m_errors; // by error number
    int m_reads = 0, m_readsOk = 0, m_readsFailed = 0, m_readsOther = 0;
    int m_writes = 0, m_writesVerified = 0, m_writesFailed = 0, m_writesOther = 0;
    int m_liveToggles = 0, m_testWindows = 0;
    int m_polls = 0, m_pollErrors = 0; // of the live windows closed so far
    Resources m_startRes, m_endRes;
    bool m_startTaken = false, m_endTaken = false;

public:
    std::atomic<qint64> heartbeat{0};
};

bool Soak::start()
{
    m_link = m_dir + QStringLiteral("/ttySOAK");
    const QString bus = QString(m_o.model).replace(QLatin1Char('/'), QLatin1Char('-')) +
                        QStringLiteral("@%1").arg(m_o.address);
    m_sim.setProgram(m_o.sim);
    m_sim.setArguments({QStringLiteral("--bus"), bus, QStringLiteral("--wire-timing"),
                        QStringLiteral("--random-faults"),
                        QStringLiteral("%1:%2").arg(m_o.faultRate).arg(m_o.seed),
                        QStringLiteral("--unplug"), m_o.unplug, QStringLiteral("--link"), m_link});
    // The simulator's frames are always kept: every error is set beside what it sent.
    if (m_o.simLog.isEmpty())
        m_o.simLog = m_dir + QStringLiteral("/sim.log");
    m_sim.setArguments(m_sim.arguments() << QStringLiteral("--log") << m_o.simLog);
    m_sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_sim.start();
    if (!m_sim.waitForStarted(10000) || !m_sim.waitForReadyRead(10000)) {
        std::fprintf(stderr, "ovrin-soak: the simulator did not start (%s)\n", qPrintable(m_o.sim));
        return false;
    }
    m_sim.readLine(); // the pty's path; the program goes through the link

    QFile ports(m_dir + QStringLiteral("/serialPorts.ini"));
    if (!ports.open(QIODevice::WriteOnly))
        return false;
    ports.write("[ports]\r\nCOM1=" + QFile::encodeName(m_link) + "\r\n");
    ports.close();

    Prompts::install(&m_prompts);
    registerPages(PageRegistry::instance());
    m_form = std::make_unique<TmForm>();
    m_dialog = std::make_unique<TSystemDialog>(m_form.get());
    m_about = std::make_unique<TAboutBox>(m_form.get());
    m_form->setSystemDialog(m_dialog.get());
    m_form->setAboutBox(m_about.get());
    m_form->FormCreate();
    m_form->show();

    // As a technician does it: COM1, the device's address, then the model from the list.
    m_form->serialNameComboBox->setCurrentIndex(0);
    m_form->serialAddressComboBox->setCurrentIndex(m_o.address);
    m_form->serialTargetChange();
    const QList<QListWidgetItem *> items =
        m_form->componentListBox->findItems(m_o.model, Qt::MatchFixedString);
    if (items.isEmpty()) {
        std::fprintf(stderr, "ovrin-soak: no model %s in the list\n", qPrintable(m_o.model));
        return false;
    }
    m_form->componentListBox->setCurrentItem(items.first());
    m_form->componentOkButtonClick();
    if (!page()) {
        std::fprintf(stderr, "ovrin-soak: the page of %s did not open\n", qPrintable(m_o.model));
        return false;
    }
    if (QAction *live = page()->menuItem(QStringLiteral("mmLoadExtra")); live && !liveOpen())
        live->trigger();

    // Kept in a file rather than in memory: the program's memory is what is measured.
    if (m_o.trafficLog.isEmpty())
        m_o.trafficLog = m_dir + QStringLiteral("/traffic.log");
    m_trafficLog = std::fopen(QFile::encodeName(m_o.trafficLog).constData(), "w");
    if (!m_trafficLog) {
        std::fprintf(stderr, "ovrin-soak: cannot write %s\n", qPrintable(m_o.trafficLog));
        return false;
    }
    Traffic::setRecording(true);
    m_clock.start();
    m_endMs = qint64(m_o.minutes * 60000);
    connect(&m_ticker, &QTimer::timeout, this, [this] { tick(); });
    m_ticker.start(20);
    return true;
}

bool Soak::idle() const
{
    TComponentForm *p = page();
    return p && !p->busy() && !p->commandsQueued() && !p->testActive();
}

QList<QPushButton *> Soak::testButtons() const
{
    QList<QPushButton *> out;
    if (!page())
        return out;
    for (QPushButton *b : page()->findChildren<QPushButton *>())
        if (b->objectName().contains(QLatin1String("Test")) && b->isVisible())
            out << b;
    return out;
}

void Soak::countTraffic()
{
    quint64 last = m_lastFrame;
    const std::vector<Traffic::Frame> frames = Traffic::take(m_lastFrame, &last);
    for (const Traffic::Frame &f : frames) {
        if (m_trafficLog)
            std::fprintf(m_trafficLog, "%lld %s %d %s\n", static_cast<long long>(f.timeMs),
                         f.reply ? "reply" : "request", f.error,
                         f.bytes.toHex(' ').toUpper().constData());
        if (!f.reply)
            continue;
        ++m_exchanges;
        if (f.error != 0)
            ++m_errors[f.error];
    }
    // Frames that left the log before they were taken were never counted.
    m_lostFrames += qint64(last - m_lastFrame) - qint64(frames.size());
    m_lastFrame = last;
}

// A live window's reader counts its own polls: taken before the window closes.
void Soak::takePollCounts()
{
    TComponentForm *p = page();
    if (p && p->liveWindow() && p->liveWindow()->reader()) {
        m_polls += p->liveWindow()->reader()->readCount();
        m_pollErrors += p->liveWindow()->reader()->errorCount();
    }
}

void Soak::measure(Resources &into, bool *taken)
{
    into = resources(m_link);
    *taken = true;
}

void Soak::fail(const QString &why)
{
    m_failures << why;
    std::fprintf(stderr, "ovrin-soak: %s\n", qPrintable(why));
}

void Soak::tick()
{
    heartbeat = m_clock.elapsed();
    const qint64 now = m_clock.elapsed();
    countTraffic();
    TComponentForm *p = page();
    if (!p) {
        fail(QStringLiteral("the page is gone"));
        QApplication::exit(1);
        return;
    }
    if (m_op == Op::Read || m_op == Op::Write) {
        if (p->panelText(2) == ::message(14))
            m_sawOk = true;
        if (idle())
            endOperation();
        else if (now - m_opStartMs > 120000)
            fail(QStringLiteral("an operation has not ended for two minutes")), QApplication::exit(3);
        return;
    }
    if (m_op == Op::Test) {
        // A test window runs for a few seconds, then is closed as its close box would.
        if (QWidget *w = p->testWindow()) {
            if (now - m_opStartMs > 6000)
                w->close();
        } else if (!p->testActive()) {
            m_op = Op::None;
        }
        if (now - m_opStartMs > 120000)
            fail(QStringLiteral("a test window has not closed for two minutes")), QApplication::exit(3);
        return;
    }
    m_op = Op::None;
    if (!idle() || now < m_nextStepMs)
        return;

    // Figures of a quiet moment with the live window open (none where the page has none).
    const bool steady = liveOpen() || !p->traits().liveWindow;
    if (steady && !m_startTaken && now >= m_o.warmUpS * 1000LL)
        measure(m_startRes, &m_startTaken);
    if (now >= m_endMs) {
        if (!steady && !liveOpen()) {
            p->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
            return;
        }
        if (steady) {
            measure(m_endRes, &m_endTaken);
            m_ticker.stop();
            QApplication::exit(0);
        }
        return;
    }
    // A step the page cannot take yet (its buttons locked for a while) is tried again.
    if (step())
        m_nextStepMs = now + m_o.stepMs;
}

bool Soak::step()
{
    TComponentForm *p = page();
    const int n = m_steps++;
    QAction *live = p->menuItem(QStringLiteral("mmLoadExtra"));
    if (p->traits().liveWindow && live && (n % 10 == 5 || (n % 10 == 7 && !liveOpen()))) {
        ++m_liveToggles;
        takePollCounts();
        live->trigger();
        return true;
    }
    const QList<QPushButton *> tests = testButtons();
    if (n % 25 == 12 && !tests.isEmpty() && m_pageFilled) {
        QPushButton *b = tests[m_testButton++ % tests.size()];
        if (b->isEnabled()) {
            ++m_testWindows;
            m_op = Op::Test;
            m_opStartMs = m_clock.elapsed();
            b->click();
            return true;
        }
    }
    // A write only of what a good read has put into the page: defaults would move the
    // device to another address and rate.
    if (beginOperation(m_pageFilled && n % 2 == 1))
        return true;
    --m_steps;
    return false;
}

bool Soak::beginOperation(bool write)
{
    TComponentForm *p = page();
    QPushButton *button = write ? p->sendButton() : p->getButton();
    if (!button->isEnabled())
        return false;
    m_op = write ? Op::Write : Op::Read;
    m_opStartMs = m_clock.elapsed();
    m_sawOk = false;
    m_prompts.boxesSinceMark = 0;
    p->showStatusMessage(QString());
    (write ? ++m_writes : ++m_reads);
    button->click();
    return true;
}

void Soak::endOperation()
{
    const bool write = m_op == Op::Write;
    m_op = Op::None;
    const bool failed = m_prompts.boxesSinceMark > 0;
    if (write) {
        if (failed)
            ++m_writesFailed;
        else if (m_sawOk)
            ++m_writesVerified;
        else
            ++m_writesOther;
    } else {
        if (failed)
            ++m_readsFailed;
        else if (m_sawOk)
            ++m_readsOk, m_pageFilled = true;
        else
            ++m_readsOther;
    }
}

int Soak::finish()
{
    countTraffic();
    takePollCounts();
    if (TComponentForm *p = page())
        p->close();
    QElapsedTimer closing;
    closing.start();
    while (page() && closing.elapsed() < 30000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        heartbeat = m_clock.elapsed();
    }
    if (page())
        fail(QStringLiteral("the page did not close"));
    countTraffic();
    Traffic::setRecording(false);
    if (m_trafficLog)
        std::fclose(m_trafficLog);
    m_trafficLog = nullptr;

    // The simulator's counts, once nothing talks to it any more.
    ::kill(pid_t(m_sim.processId()), SIGTERM);
    m_sim.waitForFinished(10000);
    std::array<qint64, 6> injected{};
    const QStringList simLines = QString::fromUtf8(m_sim.readAllStandardOutput()).split(QLatin1Char('\n'));
    static const char *const names[] = {"bad-crc", "silence", "short-reply", "foreign-address",
                                        "garbage-burst", "unplugged"};
    bool counted = false;
    for (const QString &line : simLines) {
        if (!line.startsWith(QLatin1String("faults ")))
            continue;
        counted = true;
        for (const QString &pair : line.mid(7).split(QLatin1Char(' '))) {
            for (int k = 0; k < 6; ++k)
                if (pair.startsWith(QLatin1String(names[k]) + QLatin1Char('=')))
                    injected[size_t(k)] = pair.section(QLatin1Char('='), 1).toLongLong();
        }
    }
    if (!counted)
        fail(QStringLiteral("the simulator gave no fault counts"));

    std::map<int, qint64> expected;
    qint64 faults = 0;
    for (int k = 0; k < 6; ++k) {
        expected[expectedError(k)] += injected[size_t(k)];
        faults += injected[size_t(k)];
    }

    const double minutes = m_clock.elapsed() / 60000.0;
    std::printf("soak %s: %.1f min, %d steps, %lld exchanges\n", qPrintable(m_o.model), minutes,
                m_steps, qlonglong(m_exchanges));
    std::printf("  live polls: %d good, %d failed\n", m_polls, m_pollErrors);
    std::printf("  faults injected:");
    for (int k = 0; k < 6; ++k)
        std::printf(" %s %lld%s", names[k], qlonglong(injected[size_t(k)]), k < 5 ? "," : "\n");
    // Every exchange beside what the simulator did with its request: an error must come from
    // what it sent, and a reply it sent whole must be taken. A reply sent whole that arrived
    // otherwise (a byte later than the wait allows: on a loaded machine the pseudo-terminal
    // can hold one back) is counted apart and shown; anything else fails.
    const std::vector<Exchange> simSide = readSimLog(m_o.simLog);
    const std::vector<Exchange> seen = readTrafficLog(m_o.trafficLog);
    std::map<int, qint64> broken; // by the error the program gave
    qint64 brokenAll = 0, unexplained = 0, unaligned = 0;
    size_t next = 0;
    for (const Exchange &p : seen) {
        size_t k = next;
        while (k < simSide.size() && simSide[k].request != p.request)
            ++k;
        if (k == simSide.size()) {
            ++unaligned;
            continue;
        }
        next = k + 1;
        const Exchange &d = simSide[k];
        const int want = errorFor(d);
        if (want == -1 ? p.error != 0 : p.error == want)
            continue;
        const bool inTransit = want == 0 && p.reply != d.reply;
        if (inTransit) {
            ++broken[p.error];
            ++brokenAll;
        } else {
            ++unexplained;
        }
        if (brokenAll + unexplained <= 5)
            std::printf("  %s at %lld: request %s, sent %s, arrived %s, error %d\n",
                        inTransit ? "broken on the way" : "UNEXPLAINED", qlonglong(p.timeMs),
                        p.request.toHex(' ').constData(), d.reply.toHex(' ').constData(),
                        p.reply.toHex(' ').constData(), p.error);
    }
    std::printf("  exchanges set beside the simulator's: %lld, replies sent whole that arrived "
                "broken: %lld, errors nothing explains: %lld, requests it never heard: %lld\n",
                qlonglong(seen.size()), qlonglong(brokenAll), qlonglong(unexplained),
                qlonglong(unaligned));
    if (unexplained || unaligned)
        fail(QStringLiteral("errors that no fault and no broken reply explain"));

    std::printf("  errors counted by number (expected from the faults + replies broken on the way):");
    std::map<int, qint64> all = expected;
    for (const auto &e : m_errors)
        all[e.first];
    for (const auto &e : broken)
        all[e.first];
    bool match = true;
    for (const auto &e : all) {
        const qint64 got = m_errors.count(e.first) ? m_errors.at(e.first) : 0;
        const qint64 lost = broken.count(e.first) ? broken.at(e.first) : 0;
        if (lost)
            std::printf(" %d: %lld (%lld + %lld)", e.first, qlonglong(got), qlonglong(e.second),
                        qlonglong(lost));
        else
            std::printf(" %d: %lld (%lld)", e.first, qlonglong(got), qlonglong(e.second));
        match = match && got == e.second + lost;
    }
    std::printf("\n");
    if (!match)
        fail(QStringLiteral("the errors counted do not match the faults injected"));
    if (m_lostFrames != 0)
        fail(QStringLiteral("%1 exchanges left the traffic log uncounted").arg(m_lostFrames));
    std::printf("  page reads: %d, good %d, reported as failed %d, other %d\n", m_reads,
                m_readsOk, m_readsFailed, m_readsOther);
    if (m_readsOther)
        fail(QStringLiteral("reads neither good nor reported as failed"));
    std::printf("  writes: %d, verified %d, reported as failed %d, other %d\n", m_writes,
                m_writesVerified, m_writesFailed, m_writesOther);
    if (m_writesOther)
        fail(QStringLiteral("writes neither verified nor reported as failed"));
    std::printf("  error boxes:");
    for (const auto &b : m_prompts.errorBoxes)
        std::printf(" %d: %d", b.first, b.second);
    std::printf("; other messages %d, questions %d\n", m_prompts.others, m_prompts.questions);
    std::printf("  live window closed and opened %d times, test windows %d\n", m_liveToggles,
                m_testWindows);
    if (!m_startTaken || !m_endTaken) {
        fail(QStringLiteral("no figures after the warm-up (run longer than the warm-up)"));
    } else {
        const qint64 growth = m_endRes.rssKiB - m_startRes.rssKiB;
        std::printf("  RSS after warm-up %lld KiB, at the end %lld KiB (growth %lld KiB)\n",
                    qlonglong(m_startRes.rssKiB), qlonglong(m_endRes.rssKiB), qlonglong(growth));
        std::printf("  descriptors %d -> %d, threads %d -> %d\n", m_startRes.fds, m_endRes.fds,
                    m_startRes.threads, m_endRes.threads);
        if (growth >= 2048)
            fail(QStringLiteral("RSS grew by %1 KiB").arg(growth));
        if (m_endRes.fds > m_startRes.fds)
            fail(QStringLiteral("descriptors left over"));
        if (m_endRes.threads > m_startRes.threads)
            fail(QStringLiteral("threads left over"));
    }
    std::printf("  faults in all %lld, errors in all %lld\n", qlonglong(faults), [&] {
        qint64 n = 0;
        for (const auto &e : m_errors)
            n += e.second;
        return qlonglong(n);
    }());
    std::printf("  %s\n", m_failures.isEmpty() ? "PASS" : "FAIL");
    std::fflush(stdout);
    // The dialog and the About box are the main window's children: gone before it is.
    m_about.reset();
    m_dialog.reset();
    m_form.reset();
    Prompts::install(nullptr);
    return m_failures.isEmpty() ? 0 : 1;
}

int usage(const char *problem)
{
    if (problem)
        std::fprintf(stderr, "ovrin-soak: %s\n", problem);
    std::fprintf(stderr,
                 "usage: ovrin-soak --sim PATH [--model NAME] [--minutes M] [--step-ms MS]\n"
                 "                  [--warm-up S] [--fault-rate R] [--seed N] [--unplug EVERY:FOR]\n"
                 "                  [--address N] [--sim-log FILE] [--traffic-log FILE]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TORVAK Ovrin 1.0.15"));

    Options o;
    const QStringList args = QApplication::arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        if (i + 1 >= args.size())
            return usage("an option without its value");
        const QString v = args[++i];
        bool ok = true;
        if (a == QLatin1String("--model"))
            o.model = v;
        else if (a == QLatin1String("--minutes"))
            o.minutes = v.toDouble(&ok);
        else if (a == QLatin1String("--step-ms"))
            o.stepMs = v.toInt(&ok);
        else if (a == QLatin1String("--warm-up"))
            o.warmUpS = v.toInt(&ok);
        else if (a == QLatin1String("--fault-rate"))
            o.faultRate = v.toDouble(&ok);
        else if (a == QLatin1String("--seed"))
            o.seed = v.toInt(&ok);
        else if (a == QLatin1String("--unplug"))
            o.unplug = v;
        else if (a == QLatin1String("--address"))
            o.address = v.toInt(&ok);
        else if (a == QLatin1String("--sim"))
            o.sim = v;
        else if (a == QLatin1String("--sim-log"))
            o.simLog = QFileInfo(v).absoluteFilePath();
        else if (a == QLatin1String("--traffic-log"))
            o.trafficLog = QFileInfo(v).absoluteFilePath();
        else
            return usage(qPrintable(QStringLiteral("unknown option ") + a));
        if (!ok)
            return usage(qPrintable(QStringLiteral("a bad value for ") + a));
    }
    if (o.sim.isEmpty())
        return usage("--sim is required");
    // Found from where it was named, before the run moves into its own directory.
    o.sim = QFileInfo(o.sim).absoluteFilePath();

    // The program keeps its settings files in its working directory: a fresh one.
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return usage("no working directory");

    Soak soak(o, dir.path());
    // A hang is a failure like a crash: nothing on the user-interface thread for a minute.
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        qint64 seen = -1;
        int still = 0;
        while (!done) {
            ::sleep(1);
            const qint64 beat = soak.heartbeat.load();
            still = beat == seen ? still + 1 : 0;
            seen = beat;
            if (still >= 60 && !done) {
                std::fprintf(stderr, "ovrin-soak: HANG: the user-interface thread stood still "
                                     "for a minute\n");
                std::_Exit(3);
            }
        }
    });
    int status = 1;
    if (soak.start()) {
        const int ran = app.exec();
        const int figures = soak.finish();
        status = ran != 0 ? ran : figures;
    }
    done = true;
    watchdog.join();
    return status;
}
