#include "cli/CliSession.h"

#include "link/Messages.h"
#include "link/SerialDevice.h"
#include "link/TSerial.h"
#include "link/TTransmit.h"
#include "link/Traffic.h"
#include "pages/framework/TComponentForm.h"
#include "platform/Profile.h"
#include "shell/Identification.h"
#include "shell/PageRegistry.h"

#include <QEventLoop>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <optional>
#include <unistd.h>

CliStatus statusOfError(int error)
{
    switch (error) {
    case 0:
        return StatusOk;
    case 7:
        return StatusPort;
    case 6:
    case 29:
        return StatusSilent;
    case 9:
    case 10:
        return StatusWrongDevice;
    case 2:
    case 3:
    case 4:
    case 5:
    case 8:
        return StatusRefused;
    case 16:
        return StatusVerify;
    case 13:
        return StatusInvalid;
    default:
        return StatusInternal;
    }
}

// --- prompts ---

void TerminalPrompts::message(const QString &text, const QString &, PromptIcon)
{
    messages << text;
    if (!quiet)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

void TerminalPrompts::messageWithDetails(const QString &text, const QString &caption,
                                         PromptIcon icon, const QString &details)
{
    message(text, caption, icon);
    this->details = details;
    if (!quiet)
        std::fprintf(stderr, "%s\n", qPrintable(details));
}

PromptAnswer TerminalPrompts::question(const QString &, const QString &, PromptButtons, PromptIcon)
{
    return PromptAnswer::No;
}

QString TerminalPrompts::openFileName(const QString &, const QString &, const QString &)
{
    return file;
}

QString TerminalPrompts::saveFileName(const QString &, const QString &, const QString &)
{
    return file;
}

// --- progress ---

void TerminalProgress::begin(const QString &what)
{
    m_what = what;
    m_exchanges = 0;
    draw();
}

void TerminalProgress::end()
{
    if (enabled)
        std::fprintf(stderr, "\r\033[K");
}

void TerminalProgress::setMaximum(int maximum)
{
    TSystemDialog::setMaximum(maximum);
}

void TerminalProgress::setPosition(int position)
{
    TSystemDialog::setPosition(position);
    // Each exchange starts at position 1.
    if (position == 1)
        ++m_exchanges;
    m_position = position;
    draw();
}

void TerminalProgress::draw()
{
    if (!enabled || m_what.isEmpty())
        return;
    static const char *const stages[] = {"", "odesílám", "čekám na odpověď", "hotovo"};
    const char *stage = m_position >= 0 && m_position <= 3 ? stages[m_position] : "";
    std::fprintf(stderr, "\r\033[K%s: výměna %d, %s", qPrintable(m_what), m_exchanges, stage);
    std::fflush(stderr);
}

// --- shell ---

CliShell::CliShell()
{
    install(this);
    progress.enabled = ::isatty(STDERR_FILENO);
}

CliShell::~CliShell()
{
    closePort();
    install(nullptr);
}

void CliShell::openPort()
{
    openPortWith(*portSettings());
}

std::optional<PortSettings> CliShell::portSettings() const
{
    PortSettings s;
    s.portNumber = port;
    s.devicePath = TSerial::comPortPath(port);
    s.baudRate = target().baudRate;
    s.address = target().address;
    s.stopBits = 0;
    s.firstByteTimeoutMs = firstByteMs > 0 ? firstByteMs : TSerial::firstByteTimeoutFor(port);
    return s;
}

void CliShell::closePort()
{
    delete serial;
    serial = nullptr;
}

int CliShell::componentType() const
{
    return componentTypeFor(listIndex);
}

// --- device and pages ---

Detection identifyDevice(CliShell &shell)
{
    Detection d;
    TTransmit t(shell);
    for (bool newer : {false, true}) {
        QString ident;
        const TransmitResult r =
            newer ? t.readNewIdentification(ident) : t.readIdentification(ident);
        if (r.error != 0) {
            d.error = r.error;
            d.collided = t.lastReplyCollided();
            return d;
        }
        d.listIndex = modelIndexForIdentification(ident);
        if (d.listIndex >= 0) {
            d.identification = ident;
            d.newer = newer;
            return d;
        }
    }
    d.error = ErrUnknownDevice;
    return d;
}

Detection detectDevice(CliShell &shell)
{
    Detection d = identifyDevice(shell);
    if (d.error != 0)
        return d;
    TTransmit t(shell);
    if (d.newer) {
        QString text;
        if (t.readFirmwareText(text).error == 0)
            d.firmware = text.trimmed();
    } else {
        const TransmitResult f = t.readFirmwareNumber();
        if (f.error == 0)
            d.firmware = QString::number(static_cast<qint16>(f.value));
    }
    return d;
}

std::unique_ptr<TComponentForm> createPage(CliShell &shell, int listIndex)
{
    shell.listIndex = listIndex;
    std::unique_ptr<TComponentForm> page(
        qobject_cast<TComponentForm *>(PageRegistry::instance().create(listIndex)));
    shell.page = page.get();
    return page;
}

namespace {

// The CLI's reading of what the page's operation returned.
PageResult resultOf(const Outcome &o)
{
    PageResult r;
    r.text = o.message;
    if (o.ok())
        return r;
    r.error = o.error;
    if (o.error == ErrForeignFile)
        r.status = StatusFile;
    else if (o.error > 0)
        r.status = statusOfError(o.error);
    else
        r.status = StatusInternal;
    return r;
}

// A read or write the page may hand to its live reader: its final Outcome, waited for.
Outcome finalOutcome(const std::function<Outcome(OutcomeCallback)> &operation)
{
    QEventLoop loop;
    std::optional<Outcome> last;
    const Outcome now = operation([&](const Outcome &o) {
        last = o;
        loop.quit();
    });
    if (now.kind != Outcome::Kind::Queued)
        return now;
    if (!last)
        loop.exec();
    return *last;
}

} // namespace

PageResult readPage(TComponentForm &page, TerminalPrompts &prompts)
{
    prompts.messages.clear();
    return resultOf(
        finalOutcome([&](OutcomeCallback done) { return page.getButtonClick(std::move(done)); }));
}

PageResult writePage(TComponentForm &page, TerminalPrompts &prompts)
{
    prompts.messages.clear();
    return resultOf(
        finalOutcome([&](OutcomeCallback done) { return page.sendButtonClick(std::move(done)); }));
}

PageResult savePage(TComponentForm &page, TerminalPrompts &prompts, const QString &file)
{
    prompts.messages.clear();
    prompts.file = file;
    const Outcome o = page.mmSaveConfigureClick();
    prompts.file.clear();
    return resultOf(o);
}

PageResult loadPage(TComponentForm &page, TerminalPrompts &prompts, const QString &file)
{
    prompts.messages.clear();
    prompts.file = file;
    const Outcome o = page.mmLoadConfigurationClick();
    prompts.file.clear();
    return resultOf(o);
}

int listIndexOfModel(const QString &name)
{
    const QStringList &names = componentNames();
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(name, Qt::CaseInsensitive) == 0 ||
            QString(names[i])
                    .replace(QLatin1Char('/'), QLatin1Char('-'))
                    .compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

std::vector<int> listIndicesOfFile(CliShell &shell, const QString &file)
{
    std::vector<int> found;
    const Profile profile(file);
    for (int index : PageRegistry::instance().indices()) {
        std::unique_ptr<TComponentForm> page = createPage(shell, index);
        if (page && profile.sectionExists(page->traits().configurationSection()))
            found.push_back(index);
    }
    shell.page = nullptr;
    std::sort(found.begin(), found.end());
    return found;
}

int listIndexOfFile(CliShell &shell, const QString &file)
{
    const Profile profile(file);
    for (int index : PageRegistry::instance().indices()) {
        std::unique_ptr<TComponentForm> page = createPage(shell, index);
        if (page && profile.sectionExists(page->traits().configurationSection()))
            return index;
    }
    shell.page = nullptr;
    return -1;
}

// --- dry run ---

namespace {

std::atomic<bool> g_dryRunStopped{false};

bool changesDevice(quint8 function)
{
    return function == 5 || function == 6 || function == 15 || function == 16;
}

// The port of a dry run: the address byte waits until the function byte shows what the
// request does; a request that would change the device never reaches the line, and its
// exchange ends without waiting for a reply.
class DryRunDevice : public SerialDevice
{
public:
    explicit DryRunDevice(std::unique_ptr<SerialDevice> line) : m_line(std::move(line)) {}

    bool open(const QString &path) override { return m_line->open(path); }
    Settings settings() const override { return m_line->settings(); }
    void apply(const Settings &settings) override { m_line->apply(settings); }
    void setReadBufferSize(int bytes) override { m_line->setReadBufferSize(bytes); }
    int writeByte(quint8 byte, int budgetMs) override
    {
        if (m_cut)
            return 1;
        if (m_passing)
            return m_line->writeByte(byte, budgetMs);
        if (!m_haveAddress) {
            m_address = byte;
            m_haveAddress = true;
            return 1;
        }
        if (changesDevice(byte)) {
            m_cut = true;
            g_dryRunStopped.store(true);
            return 1;
        }
        m_passing = true;
        m_line->writeByte(m_address, budgetMs);
        return m_line->writeByte(byte, budgetMs);
    }
    int readByte(quint8 &byte, int budgetMs) override
    {
        return m_cut ? 0 : m_line->readByte(byte, budgetMs);
    }
    void drain() override
    {
        if (!m_cut)
            m_line->drain();
    }

private:
    std::unique_ptr<SerialDevice> m_line;
    bool m_haveAddress = false;
    bool m_passing = false;
    bool m_cut = false;
    quint8 m_address = 0;
};

std::unique_ptr<SerialDevice> lineOfBackend()
{
    if (SerialDevice::backend() == SerialDevice::Backend::Native)
        if (auto native = createNativeSerialDevice())
            return native;
    return createQtSerialDevice();
}

} // namespace

DryRunLine::DryRunLine()
{
    g_dryRunStopped.store(false);
    SerialDevice::setFactory([] { return std::make_unique<DryRunDevice>(lineOfBackend()); });
}

DryRunLine::~DryRunLine()
{
    SerialDevice::setFactory({});
}

bool DryRunLine::stopped() const
{
    return g_dryRunStopped.load();
}

// --- writes acknowledged ---

WriteTally::WriteTally() : m_wasRecording(Traffic::recording())
{
    Traffic::since(0, &m_mark);
    Traffic::setRecording(true);
}

WriteTally::~WriteTally()
{
    Traffic::setRecording(m_wasRecording);
}

namespace {

// Requests that change the device since `mark`, and those of them the device acknowledged.
std::pair<int, int> tally(quint64 mark)
{
    int sent = 0;
    int acknowledged = 0;
    bool pending = false;
    for (const Traffic::Frame &f : Traffic::since(mark)) {
        if (!f.reply) {
            pending = f.bytes.size() > 1 && changesDevice(quint8(f.bytes[1]));
            continue;
        }
        // A request the port never let out (error 7) did not go out.
        if (pending && f.error != ErrPortClosed) {
            ++sent;
            if (f.error == 0)
                ++acknowledged;
        }
        pending = false;
    }
    return {sent, acknowledged};
}

} // namespace

int WriteTally::sent() const
{
    return tally(m_mark).first;
}

int WriteTally::acknowledged() const
{
    return tally(m_mark).second;
}
