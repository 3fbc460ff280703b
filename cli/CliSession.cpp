#include "cli/CliSession.h"

#include "link/Messages.h"
#include "link/TSerial.h"
#include "link/TTransmit.h"
#include "pages/framework/Fields.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"
#include "platform/Profile.h"
#include "shell/Identification.h"
#include "shell/PageRegistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <cstdio>
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

Detection detectDevice(CliShell &shell)
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
            if (newer) {
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
    }
    d.error = ErrUnknownDevice;
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

std::vector<ShownValue> shownValues(const TComponentForm &page)
{
    std::vector<ShownValue> out;
    for (const componentStruct &entry : page.controlTable().entries()) {
        QWidget *w = entry.control;
        ShownValue v;
        v.key = page.keyOf(w);
        if (auto *label = qobject_cast<QLabel *>(w->property("label").value<QObject *>()))
            v.caption = label->text();
        if (v.caption.isEmpty())
            v.caption = w->objectName();
        if (auto *bar = qobject_cast<QScrollBar *>(w)) {
            if (QLineEdit *edit = findMaskEditOf(bar))
                v.text = edit->text();
            else
                v.text = QString::number(bar->value());
            QString unitName = bar->objectName();
            unitName.chop(9);
            if (auto *unit = page.findChild<QLabel *>(unitName + QStringLiteral("ULabel")))
                v.text += QLatin1Char(' ') + unit->text();
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            v.text =
                combo->currentIndex() < 0 ? QStringLiteral("(nevybráno)") : combo->currentText();
        } else if (auto *check = qobject_cast<QCheckBox *>(w)) {
            if (!check->text().isEmpty() && v.caption == w->objectName())
                v.caption = check->text();
            v.text = check->isChecked() ? QStringLiteral("ano") : QStringLiteral("ne");
        } else if (auto *radio = qobject_cast<TRadioGroup *>(w)) {
            if (v.caption == w->objectName())
                v.caption = radio->title();
            const int i = radio->itemIndex();
            const auto buttons = radio->findChildren<QAbstractButton *>();
            v.text =
                i >= 0 && i < buttons.size() ? buttons[i]->text() : QStringLiteral("(nevybráno)");
        } else if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            v.text = edit->text();
        }
        out.push_back(v);
    }
    return out;
}

namespace {

// The page's own outcome: its status text after the action, or the first box it showed.
Outcome outcomeOf(TComponentForm &page, TerminalPrompts &prompts, const QString &okText)
{
    Outcome o;
    if (prompts.messages.isEmpty() && page.panelText(2) == okText) {
        o.text = okText;
        return o;
    }
    o.text = prompts.messages.isEmpty() ? page.panelText(2) : prompts.messages.first();
    o.status = StatusInternal;
    for (int error = 0; error < kMessageCount; ++error)
        if (message(error) == o.text)
            o.status = statusOfError(error);
    if (o.text == message(21))
        o.status = StatusFile;
    return o;
}

} // namespace

Outcome readPage(TComponentForm &page, TerminalPrompts &prompts)
{
    prompts.messages.clear();
    page.getButtonClick();
    return outcomeOf(page, prompts, message(14));
}

Outcome writePage(TComponentForm &page, TerminalPrompts &prompts)
{
    prompts.messages.clear();
    page.sendButtonClick();
    return outcomeOf(page, prompts, message(14));
}

Outcome savePage(TComponentForm &page, TerminalPrompts &prompts, const QString &file)
{
    prompts.messages.clear();
    prompts.file = file;
    page.mmSaveConfigureClick();
    prompts.file.clear();
    return outcomeOf(page, prompts, message(20));
}

Outcome loadPage(TComponentForm &page, TerminalPrompts &prompts, const QString &file)
{
    prompts.messages.clear();
    prompts.file = file;
    page.mmLoadConfigurationClick();
    prompts.file.clear();
    return outcomeOf(page, prompts, message(19));
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
