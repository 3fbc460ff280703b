#include "pages/framework/OutputTest.h"

#include "link/Messages.h"
#include "pages/framework/Exchanges.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "platform/Prompts.h"
#include "shell/Shell.h"
#include "shell/SystemDialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <algorithm>
#include <set>
#include <utility>

namespace {

const char kSection[] = "test";
constexpr int kMessageTestChanged = 11;

QString section()
{
    return QString::fromLatin1(kSection);
}

} // namespace

namespace outputtest {

TSystemDialog *dialog()
{
    return Shell::isInstalled() ? &Shell::instance().systemDialog() : nullptr;
}

void error(const QString &text)
{
    Prompts::instance().message(text, QStringLiteral("Chyba"), PromptIcon::Error);
}

void info(const QString &text)
{
    Prompts::instance().message(text, QCoreApplication::applicationName(), PromptIcon::Information);
}

QString notRestored(const QString &text)
{
    return text.isEmpty() ? message(kMessageTestChanged) : text;
}

Outcome failure(int error)
{
    return Outcome::failed(error, message(error));
}

Outcome writeBack(TTransmit &transmit, const std::vector<TestWrite> &writes, TSystemDialog *d,
                  const std::function<void()> &first)
{
    if (d) {
        d->showOverPage();
        d->setMaximum(static_cast<int>(writes.size()));
        d->setPosition(0);
        d->setBarVisible(true);
    }
    std::vector<RegisterSpan> written;
    const int err = exchange::errorOf([&] {
        if (first)
            first();
        for (const TestWrite &w : writes) {
            if (d)
                d->setPosition(d->position() + 1);
            exchange::writeHolding(transmit, w.start, w.values);
            written.push_back({w.start, static_cast<int>(w.values.size())});
        }
    });
    if (d)
        d->setBarVisible(false);
    Outcome outcome = err == 0 ? Outcome::done() : failure(err);
    outcome.written = std::move(written);
    return outcome;
}

} // namespace outputtest

using namespace outputtest;

// --- test.ini ---

TTestFile::TTestFile(Use use) : m_profile(std::make_unique<Profile>(path())), m_use(use)
{
    if (!m_profile->exists() || !m_profile->sectionExists(section()))
        throw TextError(QStringLiteral("Neplatný ini soubor"));
}

TTestFile::~TTestFile() = default;

QString TTestFile::path()
{
    return workingFile(QStringLiteral("test.ini"));
}

bool TTestFile::exists()
{
    return QFileInfo::exists(path());
}

bool TTestFile::write(const std::vector<TestEntry> &entries)
{
    {
        Profile file(path());
        file.beginBatch();
        for (const TestEntry &e : entries)
            file.writeInteger(section(), e.key, e.value);
        if (!file.endBatch())
            return false;
    }
    // What the restore will read, not what we meant to write.
    const Profile check(path());
    for (const TestEntry &e : entries) {
        bool ok = false;
        const int v = check.readString(section(), e.key, QString()).toInt(&ok);
        if (!ok || v != e.value)
            return false;
    }
    return true;
}

QString TTestFile::moveAside()
{
    const QFileInfo file(path());
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = QStringLiteral("test-%1.ini").arg(stamp);
    for (int n = 2; QFileInfo::exists(file.dir().filePath(name)); ++n)
        name = QStringLiteral("test-%1-%2.ini").arg(stamp).arg(n);
    return QFile::rename(file.filePath(), file.dir().filePath(name)) ? name : QString();
}

int TTestFile::checked(const QString &key, int fallback, int min, int max) const
{
    if (!m_profile->valueExists(section(), key))
        return fallback;
    const QString text = m_profile->readString(section(), key, QString());
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max) {
        const QString bad =
            QStringLiteral("Soubor test.ini obsahuje neplatnou hodnotu %1=%2. ").arg(key, text);
        throw TestFileError(
            bad + (m_use == Use::Restore
                       ? QStringLiteral("Nastavení prvku z něj nebylo zapsáno, soubor zůstává "
                                        "uložen.")
                       : QStringLiteral("Test byl zastaven.")));
    }
    return v;
}

int TTestFile::word(const QString &key, int fallback) const
{
    return checked(key, fallback, -32768, 65535) & 0xFFFF;
}

int TTestFile::byte(const QString &key, int fallback) const
{
    return checked(key, fallback, 0, 255);
}

int TTestFile::bit(const QString &key, int fallback) const
{
    return checked(key, fallback, 0, 1);
}

bool TTestFile::holdsAny(const QStringList &keys) const
{
    for (const QString &key : keys)
        if (m_profile->valueExists(section(), key))
            return true;
    return false;
}

QStringList
testKeys(const std::function<std::vector<TestEntry>(const std::vector<quint16> &)> &entries,
         int count)
{
    QStringList keys;
    for (const TestEntry &e : entries(std::vector<quint16>(size_t(std::max(count, 0)))))
        keys << e.key;
    return keys;
}

quint8 TTestFile::bits(const QString &keyPattern, int count, int fallback) const
{
    quint8 b = 0;
    for (int i = 0; i < count && i < 8; ++i)
        if (bit(keyPattern.arg(i), fallback))
            b = static_cast<quint8>(b | (1u << i));
    return b;
}

// --- the window ---

TOutputTestForm::TOutputTestForm(TComponentForm &page, const QString &formName,
                                 const QString &caption, Placement placement)
    : TTestWindow(page, formName, caption, placement), m_transmit(Shell::instance())
{
}

TOutputTestForm::~TOutputTestForm() = default;

TOutputTestForm::Step::Step(TOutputTestForm &window) : m_window(window), m_operation(window.page())
{
    if (m_window.m_steps++ == 0)
        m_window.body()->setEnabled(false);
}

TOutputTestForm::Step::~Step()
{
    if (--m_window.m_steps == 0)
        m_window.body()->setEnabled(true);
}

void TOutputTestForm::holdClose()
{
    if (m_hold)
        return;
    // The page counts busy meanwhile: its close and ours wait (TComponentForm::whenIdle).
    m_hold = std::make_unique<TComponentForm::Operation>(page());
    setCloseIconShown(false);
}

void TOutputTestForm::releaseClose()
{
    if (!m_hold)
        return;
    setCloseIconShown(true);
    m_hold.reset();
}

QString TOutputTestForm::notRestoredText() const
{
    return message(kMessageTestChanged);
}

TSystemDialog *TOutputTestForm::dialog() const
{
    return outputtest::dialog();
}

TransmitProgress *TOutputTestForm::bar() const
{
    return outputtest::dialog();
}

void TOutputTestForm::wait(int ms)
{
    const Step step(*this);
    Clock::instance().waitProcessingEvents(ms);
}

void TOutputTestForm::waitForNextSecond()
{
    const qint64 now = Clock::instance().nowMs();
    wait(static_cast<int>(1000 - now % 1000));
}

int TOutputTestForm::moduleAddress(const TTestFile &file, const QString &key)
{
    return std::clamp(file.byte(key, 1), 1, 254);
}

Outcome TOutputTestForm::attempt(const std::function<void()> &body)
{
    Outcome outcome;
    Outcome *outer = std::exchange(m_attempt, &outcome);
    try {
        body();
    } catch (const PageError &e) {
        showError(e.error);
        outcome.kind = Outcome::Kind::Failed;
        outcome.error = e.error;
        outcome.message = message(e.error);
    } catch (const TextError &e) {
        showError(e.text());
        outcome.kind = Outcome::Kind::Failed;
        outcome.error = -1;
        outcome.message = e.text();
    } catch (const std::exception &) {
        showError(ErrInternal);
        outcome.kind = Outcome::Kind::Failed;
        outcome.error = ErrInternal;
        outcome.message = message(ErrInternal);
    }
    m_attempt = outer;
    if (outer)
        outer->written.insert(outer->written.end(), outcome.written.begin(), outcome.written.end());
    return outcome;
}

void TOutputTestForm::noteWritten(int start, int count)
{
    if (m_attempt)
        m_attempt->written.push_back({start, count});
}

Outcome TOutputTestForm::stepDone(const Outcome &outcome)
{
    emit page().testStepDone(outcome);
    return outcome;
}

void TOutputTestForm::showInfo(const QString &text)
{
    info(text);
}

void TOutputTestForm::showError(int err)
{
    error(message(err));
}

void TOutputTestForm::showError(const QString &text)
{
    error(text);
}

void TOutputTestForm::closeEvent(QCloseEvent *event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    // A step in flight ends first; the restore follows.
    if (m_steps > 0 || page().busy()) {
        event->ignore();
        page().closeWhenIdle(*this);
        return;
    }
    m_closed = true;
    Outcome restored;
    {
        const Step closing(*this);
        beforeRestore();
        page().markChanged(m_pageWasChanged);
        restored = restore();
        releasePage();
        afterRestore(restored.ok());
    }
    event->accept();
    deleteLater();
    stepDone(restored);
}

Outcome TOutputTestForm::restore()
{
    std::vector<TestWrite> writes;
    try {
        const TTestFile file(TTestFile::Use::Restore);
        writes = restoreWrites(file);
    } catch (const TextError &e) {
        // Nothing was written: the module keeps its test state, test.ini its settings.
        error(e.text());
        return Outcome::failed(-1, e.text());
    }
    TSystemDialog *d = dialog();
    const Outcome outcome = writeBack(m_transmit, writes, d);
    if (d) {
        d->keepPageDisabled = false;
        d->closeOverPage();
    }
    if (!outcome.ok()) {
        error(outcome.message);
        error(notRestoredText());
        return outcome;
    }
    Profile::deleteFile(TTestFile::path());
    return outcome;
}
