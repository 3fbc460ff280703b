// What a page does on its device (DeviceOperations.h): the actions with their progress
// dialog and Outcome, the default read and write of the page's blocks, the register access.

#include "pages/framework/DeviceOperations.h"

#include "link/Messages.h"
#include "pages/framework/Backups.h"
#include "pages/framework/BlockTransfer.h"
#include "pages/framework/TComponentForm.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "shell/Shell.h"
#include "shell/SystemDialog.h"

#include <QLineEdit>
#include <QProgressBar>

namespace {

// Points slot at value while it lives, then back at what it held before.
template <class T>
class ScopedSlot
{
public:
    ScopedSlot(T *&slot, T *value) : m_slot(slot), m_before(slot) { slot = value; }
    ~ScopedSlot() { m_slot = m_before; }
    ScopedSlot(const ScopedSlot &) = delete;
    ScopedSlot &operator=(const ScopedSlot &) = delete;

private:
    T *&m_slot;
    T *m_before;
};

// Forwards the bar of the progress dialog and repaints it at every stage, so the dialog
// never looks frozen while an exchange blocks the user-interface thread.
class PaintedProgress : public TransmitProgress
{
public:
    explicit PaintedProgress(TSystemDialog &dialog) : m_dialog(dialog) {}
    void setMaximum(int maximum) override
    {
        m_dialog.setMaximum(maximum);
        paint();
    }
    void setPosition(int position) override
    {
        m_dialog.setPosition(position);
        paint();
    }
    int position() const override { return m_dialog.position(); }
    void setBarVisible(bool visible) override
    {
        m_dialog.setBarVisible(visible);
        paint();
    }

private:
    void paint()
    {
        if (m_dialog.ProgressBar && m_dialog.ProgressBar->isVisible())
            m_dialog.ProgressBar->repaint();
    }
    TSystemDialog &m_dialog;
};

} // namespace

DeviceOperations::DeviceOperations(TComponentForm &page) : m_page(page) {}

DeviceOperations::~DeviceOperations() = default;

TransmitProgress *DeviceOperations::progress()
{
    if (!Shell::isInstalled())
        return nullptr;
    if (!m_progress)
        m_progress = std::make_unique<PaintedProgress>(Shell::instance().systemDialog());
    return m_progress.get();
}

void DeviceOperations::waitProcessingEvents(int ms)
{
    if (ms > 0) {
        const TComponentForm::Operation waiting(m_page);
        Clock::instance().waitProcessingEvents(ms);
    }
}

QString DeviceOperations::checkIdentification()
{
    return exchange::identification(m_page.transmit(), m_page.traits().models,
                                    m_page.traits().isNewer());
}

void DeviceOperations::readAndShowFirmware()
{
    if (m_page.traits().isNewer()) {
        QString text;
        exchange::check(m_page.transmit().readFirmwareText(text));
        m_page.showFirmware(text);
    } else {
        const TransmitResult r = m_page.transmit().readFirmwareNumber();
        exchange::check(r);
        m_page.showFirmware(QString::number(static_cast<qint16>(r.value)));
    }
}

std::vector<quint16> DeviceOperations::readRegisters(int start, int count, bool withBar)
{
    return exchange::readHolding(m_page.transmit(), start, count, withBar ? progress() : nullptr);
}

void DeviceOperations::writeRegisters(int start, const std::vector<quint16> &values, bool withBar)
{
    // A page whose write skipped its backup sends nothing.
    if (m_backup && !m_backup->taken())
        exchange::fail(ErrInternal);
    exchange::writeHolding(m_page.transmit(), start, values, withBar ? progress() : nullptr);
    if (m_outcome)
        m_outcome->written.push_back({start, static_cast<int>(values.size())});
}

void DeviceOperations::runCommand(int address, quint16 value)
{
    exchange::command(
        m_page.transmit(), address, value, [this](int ms) { waitProcessingEvents(ms); },
        progress());
}

void DeviceOperations::writeTextRegisters(const QLineEdit &edit, int count)
{
    for (quint16 v : textToRegisters(edit.text(), count))
        m_page.transmit().addValue(static_cast<qint16>(v));
}

void DeviceOperations::readTextRegisters(QLineEdit &edit, int count)
{
    std::vector<quint16> registers;
    for (int i = 0; i + 1 < count; i += 2)
        registers.push_back(static_cast<quint16>(m_page.transmit().nextValue()));
    edit.setText(registersToText(registers, count));
}

void DeviceOperations::readDevice()
{
    if (m_page.m_blocks.empty())
        exchange::fail(ErrInternal);
    BlockTransfer(m_page.m_blocks).checkComplete();
    const RegisterBlock &first = m_page.m_blocks.front();
    m_page.transmit().clear();
    m_page.transmit().setFunction(3);
    m_page.transmit().setStart(first.start());
    m_page.transmit().setCount(static_cast<qint16>(first.count()));
    if (!m_page.transmit().buildRequest())
        exchange::fail(ErrInternal);
    const QString ident = checkIdentification();
    m_page.showDeviceName(ident);
    if (m_page.traits().isNewer())
        readAndShowFirmware();
    m_page.readBlocks(!m_page.traits().isNewer());
}

void DeviceOperations::readBlocks(bool firmwareAfterFirst)
{
    const BlockTransfer io(m_page.m_blocks);
    io.checkComplete();
    // Every block is read before any control changes: a failure in a later block leaves the
    // page untouched, and the settle hook sees the whole image decoded.
    bool first = true;
    io.decode(io.read([&](int start, int count) {
        std::vector<quint16> image = readRegisters(start, count);
        if (first && firmwareAfterFirst)
            readAndShowFirmware();
        first = false;
        return image;
    }));
}

bool DeviceOperations::identifyForWrite()
{
    const QString identification = checkIdentification();
    return m_backup && m_backup->take(identification);
}

void DeviceOperations::writeDevice()
{
    const BlockTransfer io(m_page.m_blocks);
    io.checkWritable();
    const bool keptKnown = identifyForWrite();
    const auto written = io.write(
        keptKnown ? BlockTransfer::Read()
                  : [this](int start, int count) { return readRegisters(start, count, false); },
        [this](int start, const std::vector<quint16> &values) { writeRegisters(start, values); });
    waitProcessingEvents(m_page.traits().verifyDelayMs);
    io.readBack(
        written,
        [this](int start, int count) {
            std::vector<quint16> back = readRegisters(start, count);
            if (m_outcome)
                m_outcome->readBackAt = QDateTime::currentDateTimeUtc();
            return back;
        },
        [this](int start, int count) {
            if (m_outcome)
                m_outcome->verified.push_back({start, count});
        });
}

Outcome DeviceOperations::action(const std::function<void()> &body, const QString &successStatus,
                                 const QString &failureStatus,
                                 const std::function<void(int)> &beforeClose)
{
    const TComponentForm::Operation running(m_page);
    Outcome outcome;
    // Nested actions (a page action inside a test step) record into their own outcome.
    const ScopedSlot<Outcome> recording(m_outcome, &outcome);
    TSystemDialog *dialog = Shell::isInstalled() ? &Shell::instance().systemDialog() : nullptr;
    if (dialog)
        dialog->showOverPage();
    int error = 0;
    QString shown;
    try {
        error = exchange::errorOf([&body, &shown] {
            try {
                body();
            } catch (const PageError &e) {
                shown = e.shown;
                throw;
            }
        });
        if (beforeClose)
            beforeClose(error);
    } catch (...) {
        // Page code that throws ends the action all the same: the page is usable again.
        if (dialog)
            dialog->closeOverPage();
        throw;
    }
    if (error == 0 && !successStatus.isEmpty())
        m_page.showStatusMessage(successStatus);
    if (dialog)
        dialog->closeOverPage();
    if (error != 0) {
        outcome.kind = Outcome::Kind::Failed;
        outcome.error = error;
        if (shown.isEmpty()) {
            outcome.message = Shell::reportError(error);
        } else {
            Prompts::instance().message(shown, QStringLiteral("Chyba"), PromptIcon::Error);
            outcome.message = shown;
        }
        if (!failureStatus.isEmpty())
            m_page.showStatusMessage(failureStatus);
    } else {
        outcome.message = successStatus;
    }
    return outcome;
}

Outcome DeviceOperations::writeCoil(int address, bool on, int slave)
{
    return action(
        [&] {
            checkIdentification();
            exchange::writeCoil(m_page.transmit(), address, on, progress(), slave);
            m_outcome->written.push_back({address, 1});
        },
        QString(), QString());
}

Outcome DeviceOperations::writeRegister(int address, quint16 value, int slave)
{
    return action(
        [&] {
            checkIdentification();
            exchange::writeSingle(m_page.transmit(), address, value, progress(), slave);
            m_outcome->written.push_back({address, 1});
        },
        QString(), QString());
}

Outcome DeviceOperations::readAll()
{
    // A read queued behind a test start would read the test state into the page.
    if (m_page.m_tests->holdsDevice())
        return Outcome::refused();
    const TComponentForm::Operation running(m_page);
    m_page.clearInvalidMarks();
    const bool wasChanged = m_page.isChanged();
    const auto before = m_page.snapshotControls();
    std::vector<std::pair<QWidget *, QVariant>> unsaved;
    Outcome outcome = action(
        [this, &unsaved] {
            m_page.saveToTemp();
            unsaved = m_page.snapshotUnsavedControls();
            // Device values outside a field's range show as the nearest limit, without the
            // range warning.
            const QuietRanges quiet;
            m_page.readDevice();
        },
        message(14), message(15),
        [&](int error) {
            const QuietRanges quiet;
            if (error != 0) {
                m_page.restoreFromTemp();
                m_page.restoreControlValues(unsaved);
            }
            m_page.settleAfterRead(error == 0);
            if (error == 0)
                confirm(false);
            // The marker tells whether the read changed a field, whatever the handlers and
            // the settle step did on the way: a re-read of what the page holds leaves it as
            // it was, and so does a failed read.
            m_page.markChanged(wasChanged || (error == 0 && m_page.snapshotControls() != before));
        });
    m_page.deleteTemp();
    return outcome;
}

Outcome DeviceOperations::writeAll()
{
    if (m_page.m_tests->holdsDevice())
        return Outcome::refused();
    const TComponentForm::Operation running(m_page);
    if (!m_page.validateSelections()) {
        Prompts::instance().message(message(ErrInvalidInput), QStringLiteral("Chyba"),
                                    PromptIcon::Error);
        m_page.showStatusMessage(message(16));
        return Outcome::failed(ErrInvalidInput, message(ErrInvalidInput));
    }
    // What the device held goes to a backup first; no backup, no write.
    PageBackup backup(m_page);
    if (!backup.prepare()) {
        m_page.showStatusMessage(message(16));
        return Outcome::failed(ErrBackupRefused, backup.refusal());
    }
    Outcome outcome;
    {
        // Gone with the backup, however the write ends (page code may throw).
        const ScopedSlot<PageBackup> writing(m_backup, &backup);
        outcome = action([this] { m_page.writeDevice(); }, message(14), message(16));
    }
    if (outcome.ok())
        confirm(true);
    return outcome;
}

void DeviceOperations::confirm(bool written)
{
    m_confirmedAt = QDateTime::currentDateTime();
    m_confirmedByWrite = written;
    m_confirmedControls = m_page.snapshotControls();
}

bool DeviceOperations::confirmedByDevice(QDateTime *at, bool *written) const
{
    if (!m_confirmedAt.isValid() || m_page.snapshotControls() != m_confirmedControls)
        return false;
    if (at)
        *at = m_confirmedAt;
    if (written)
        *written = m_confirmedByWrite;
    return true;
}
