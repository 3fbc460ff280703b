// The page's device operations (read all, write all, single coil and register writes), each
// returning its Outcome, and Operation, which marks the page busy while one runs.

#include "link/Messages.h"
#include "pages/framework/Backups.h"
#include "pages/framework/BlockTransfer.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "shell/Shell.h"
#include "shell/SystemDialog.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

namespace {

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

// --- operations in flight ---

TComponentForm::Operation::Operation(TComponentForm &page) : m_page(&page)
{
    page.m_busy->enter();
}

TComponentForm::Operation::~Operation()
{
    if (m_page && m_page->m_busy)
        m_page->m_busy->leave();
}

bool TComponentForm::busy() const
{
    return m_busy && m_busy->busy();
}

bool TComponentForm::commandsQueued() const
{
    const TFormThread *reader = m_live ? m_live->reader() : nullptr;
    return reader && reader->isRunning() && !reader->stopping() && reader->pendingCommands() > 0;
}

// --- device access ---

TransmitProgress *TComponentForm::progress()
{
    if (!Shell::isInstalled())
        return nullptr;
    if (!m_progress)
        m_progress = std::make_unique<PaintedProgress>(Shell::instance().systemDialog());
    return m_progress.get();
}

void TComponentForm::waitProcessingEvents(int ms)
{
    if (ms > 0) {
        const Operation waiting(*this);
        Clock::instance().waitProcessingEvents(ms);
    }
}

QString TComponentForm::checkIdentification()
{
    return exchange::identification(m_transmit, m_traits.models, m_traits.isNewer());
}

void TComponentForm::readAndShowFirmware()
{
    if (m_traits.isNewer()) {
        QString text;
        check(m_transmit.readFirmwareText(text));
        showFirmware(text);
    } else {
        const TransmitResult r = m_transmit.readFirmwareNumber();
        check(r);
        showFirmware(QString::number(static_cast<qint16>(r.value)));
    }
}

std::vector<quint16> TComponentForm::readRegisters(int start, int count, bool withBar)
{
    return exchange::readHolding(m_transmit, start, count, withBar ? progress() : nullptr);
}

void TComponentForm::writeRegisters(int start, const std::vector<quint16> &values, bool withBar)
{
    // A page whose write skipped its backup sends nothing.
    if (m_backup && !m_backup->taken())
        fail(ErrInternal);
    exchange::writeHolding(m_transmit, start, values, withBar ? progress() : nullptr);
    if (m_outcome)
        m_outcome->written.push_back({start, static_cast<int>(values.size())});
}

void TComponentForm::runCommand(int address, quint16 value)
{
    exchange::command(
        m_transmit, address, value, [this](int ms) { waitProcessingEvents(ms); }, progress());
}

void TComponentForm::writeTextRegisters(const QLineEdit &edit, int count)
{
    for (quint16 v : textToRegisters(edit.text(), count))
        m_transmit.addValue(static_cast<qint16>(v));
}

void TComponentForm::readTextRegisters(QLineEdit &edit, int count)
{
    std::vector<quint16> registers;
    for (int i = 0; i + 1 < count; i += 2)
        registers.push_back(static_cast<quint16>(m_transmit.nextValue()));
    edit.setText(registersToText(registers, count));
}

void TComponentForm::readDevice()
{
    if (m_blocks.empty())
        fail(ErrInternal);
    BlockTransfer(m_blocks).checkComplete();
    const RegisterBlock &first = m_blocks.front();
    m_transmit.clear();
    m_transmit.setFunction(3);
    m_transmit.setStart(first.start());
    m_transmit.setCount(static_cast<qint16>(first.count()));
    if (!m_transmit.buildRequest())
        fail(ErrInternal);
    const QString ident = checkIdentification();
    showDeviceName(ident);
    if (m_traits.isNewer())
        readAndShowFirmware();
    readBlocks(!m_traits.isNewer());
}

void TComponentForm::readBlocks(bool firmwareAfterFirst)
{
    const BlockTransfer io(m_blocks);
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

bool TComponentForm::identifyForWrite()
{
    const QString identification = checkIdentification();
    return m_backup && m_backup->take(identification);
}

void TComponentForm::writeDevice()
{
    const BlockTransfer io(m_blocks);
    io.checkWritable();
    const bool keptKnown = identifyForWrite();
    const auto written = io.write(
        keptKnown ? BlockTransfer::Read()
                  : [this](int start, int count) { return readRegisters(start, count, false); },
        [this](int start, const std::vector<quint16> &values) { writeRegisters(start, values); });
    waitProcessingEvents(m_traits.verifyDelayMs);
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

Outcome TComponentForm::deviceAction(const std::function<void()> &body,
                                     const QString &successStatus, const QString &failureStatus,
                                     const std::function<void(int)> &beforeClose)
{
    const Operation running(*this);
    Outcome outcome;
    // Nested actions (a page action inside a test step) record into their own outcome.
    Outcome *const outer = m_outcome;
    m_outcome = &outcome;
    struct Restore {
        Outcome *&slot;
        Outcome *value;
        ~Restore() { slot = value; }
    } restore{m_outcome, outer};
    TSystemDialog *dialog = Shell::isInstalled() ? &shell().systemDialog() : nullptr;
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
        showStatusMessage(successStatus);
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
            showStatusMessage(failureStatus);
    } else {
        outcome.message = successStatus;
    }
    return outcome;
}

Outcome TComponentForm::writeCoilAction(int address, bool on, int slave)
{
    return deviceAction(
        [&] {
            checkIdentification();
            exchange::writeCoil(m_transmit, address, on, progress(), slave);
            m_outcome->written.push_back({address, 1});
        },
        QString(), QString());
}

Outcome TComponentForm::writeRegisterAction(int address, quint16 value, int slave)
{
    return deviceAction(
        [&] {
            checkIdentification();
            exchange::writeSingle(m_transmit, address, value, progress(), slave);
            m_outcome->written.push_back({address, 1});
        },
        QString(), QString());
}

Outcome TComponentForm::readAll()
{
    // A read queued behind a test start would read the test state into the page.
    if (m_testState == TestState::Starting || m_testWindow)
        return Outcome::refused();
    const Operation running(*this);
    clearInvalidMarks();
    const bool wasChanged = isChanged();
    const auto before = snapshotControls();
    std::vector<std::pair<QWidget *, QVariant>> unsaved;
    Outcome outcome = deviceAction(
        [this, &unsaved] {
            saveToTemp();
            unsaved = snapshotUnsavedControls();
            // Device values outside a field's range show as the nearest limit, without the
            // range warning.
            const QuietRanges quiet;
            readDevice();
        },
        message(14), message(15),
        [&](int error) {
            const QuietRanges quiet;
            if (error != 0) {
                restoreFromTemp();
                restoreControlValues(unsaved);
            }
            settleAfterRead(error == 0);
            if (error == 0)
                confirm(false);
            // The marker tells whether the read changed a field, whatever the handlers and
            // the settle step did on the way: a re-read of what the page holds leaves it as
            // it was, and so does a failed read.
            markChanged(wasChanged || (error == 0 && snapshotControls() != before));
        });
    deleteTemp();
    return outcome;
}

Outcome TComponentForm::writeAll()
{
    if (m_testState == TestState::Starting || m_testWindow)
        return Outcome::refused();
    const Operation running(*this);
    if (!validateSelections()) {
        Prompts::instance().message(message(ErrInvalidInput), QStringLiteral("Chyba"),
                                    PromptIcon::Error);
        showStatusMessage(message(16));
        return Outcome::failed(ErrInvalidInput, message(ErrInvalidInput));
    }
    // What the device held goes to a backup first; no backup, no write.
    PageBackup backup(*this);
    if (!backup.prepare()) {
        showStatusMessage(message(16));
        return Outcome::failed(ErrBackupRefused, backup.refusal());
    }
    m_backup = &backup;
    const Outcome outcome = deviceAction([this] { writeDevice(); }, message(14), message(16));
    m_backup = nullptr;
    if (outcome.ok())
        confirm(true);
    return outcome;
}

void TComponentForm::confirm(bool written)
{
    m_confirmedAt = QDateTime::currentDateTime();
    m_confirmedByWrite = written;
    m_confirmedControls = snapshotControls();
}

bool TComponentForm::confirmedByDevice(QDateTime *at, bool *written) const
{
    if (!m_confirmedAt.isValid() || snapshotControls() != m_confirmedControls)
        return false;
    if (at)
        *at = m_confirmedAt;
    if (written)
        *written = m_confirmedByWrite;
    return true;
}
