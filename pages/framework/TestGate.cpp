// The page's test gate (TestGate.h): one test at a time, and the preparation of an output
// test (OutputTest.h).

#include "pages/framework/TestGate.h"

#include "link/Messages.h"
#include "pages/framework/OutputTest.h"
#include "pages/framework/TComponentForm.h"
#include "platform/Profile.h"
#include "platform/Prompts.h"
#include "shell/SystemDialog.h"

#include <QPushButton>
#include <set>

using namespace outputtest;

bool TestGate::begin()
{
    if (active())
        return false;
    m_state = State::Pending;
    m_locked.clear();
    std::vector<QPushButton *> locked = {m_page.getButton(), m_page.sendButton()};
    for (const auto &b : m_buttons)
        locked.push_back(b);
    for (QPushButton *b : locked) {
        // What is locked already (a countdown) is not ours to give back.
        if (b && b->isEnabled()) {
            b->setEnabled(false);
            m_locked.emplace_back(b);
        }
    }
    return true;
}

void TestGate::end()
{
    m_state = State::Idle;
    for (const auto &b : m_locked)
        if (b)
            b->setEnabled(true);
    m_locked.clear();
}

void TestGate::setWindow(QWidget *window)
{
    m_window = window;
    if (window)
        m_state = State::Idle; // the window holds the test from here
    else
        end();
}

void TestGate::addButtons(std::initializer_list<QPushButton *> buttons)
{
    for (QPushButton *b : buttons)
        m_buttons.emplace_back(b);
}

// --- output-test preparation ---

Outcome TestGate::takeLeftOverTestFile(const OutputTestPlan &plan)
{
    const TestKind *kind = nullptr;
    try {
        const TTestFile file(TTestFile::Use::Restore);
        for (const TestKind &k : plan.leftOvers) {
            if (file.holdsAny(k.keys)) {
                kind = &k;
                break;
            }
        }
    } catch (const TextError &) {
        // No section "test": nothing of ours to write back.
    }
    if (kind && Prompts::instance().question(
                    QStringLiteral("Nalezen soubor test.ini z nedokončeného testu. Zapsat z něj "
                                   "původní nastavení do modulu?"),
                    QStringLiteral("Uložit"), PromptButtons::YesNo,
                    PromptIcon::Question) == PromptAnswer::Yes) {
        std::vector<TestWrite> writes;
        try {
            writes = kind->restore(TTestFile(TTestFile::Use::Restore));
        } catch (const TextError &e) {
            error(e.text());
            return Outcome::failed(-1, e.text());
        }
        TSystemDialog *dialog = outputtest::dialog();
        const Outcome back =
            writeBack(m_page.transmit(), writes, dialog, [this] { m_page.checkIdentification(); });
        if (dialog)
            dialog->closeOverPage();
        if (!back.ok()) {
            // The file stays test.ini: it is still the module's only record.
            error(back.message);
            error(notRestored(plan.notRestored));
            return back;
        }
    }
    const QString aside = TTestFile::moveAside();
    if (aside.isEmpty()) {
        const QString text =
            QStringLiteral("Soubor test.ini z nedokončeného testu nelze přejmenovat. Test "
                           "nebyl spuštěn, nastavení prvku se nezměnilo.");
        error(text);
        return Outcome::failed(-1, text);
    }
    const QString moved =
        QStringLiteral("Soubor test.ini z nedokončeného testu uložen jako ") + aside;
    info(moved);
    m_page.showStatusMessage(moved);
    return Outcome::done(moved);
}

Outcome TestGate::prepareOutputTest(const OutputTestPlan &plan)
{
    // One start at a time; a start that reaches a page asked to close (a close waits for the
    // commands queued before it) would leave the module in its test state.
    if (holdsDevice()) {
        emit m_page.testStepDone(Outcome::refused());
        return Outcome::refused();
    }
    if (m_page.m_closing || m_page.closePending(m_page)) {
        end();
        emit m_page.testStepDone(Outcome::refused());
        return Outcome::refused();
    }
    const Outcome outcome = startOutputTest(plan);
    emit m_page.testStepDone(outcome);
    return outcome;
}

Outcome TestGate::startOutputTest(const OutputTestPlan &plan)
{
    if (m_state == State::Idle)
        begin();
    m_state = State::Starting;
    const TComponentForm::Operation running(m_page);
    auto failed = [this, &plan](bool snapshot) {
        end();
        if (plan.failed)
            plan.failed(snapshot);
    };
    if (plan.begin)
        plan.begin();
    if (TTestFile::exists()) {
        const Outcome leftOver = takeLeftOverTestFile(plan);
        if (!leftOver.ok()) {
            failed(true);
            return leftOver;
        }
    }
    TSystemDialog *dialog = outputtest::dialog();
    if (dialog)
        dialog->showOverPage();
    auto closeDialog = [dialog] {
        if (dialog) {
            dialog->setBarVisible(false);
            dialog->closeOverPage();
        }
    };

    // The snapshot: the module is not touched until test.ini holds what it read.
    std::vector<quint16> snapshot;
    std::vector<TestWrite> writes;
    int err = exchange::errorOf([&] {
        if (plan.count <= 0 || !plan.entries || !plan.preparation)
            exchange::fail(ErrInternal);
        const QString ident = m_page.checkIdentification();
        snapshot = m_page.readRegisters(plan.start, plan.count, false);
        if (plan.afterSnapshot)
            plan.afterSnapshot(ident);
    });
    QString fileProblem;
    if (err == 0) {
        const bool written = TTestFile::write(plan.entries(snapshot));
        try {
            if (!written)
                throw TextError(QString());
            writes = plan.preparation(TTestFile(TTestFile::Use::Restore));
        } catch (const std::exception &) {
            fileProblem = QStringLiteral("Nastavení prvku nelze uložit do souboru test.ini. Test "
                                         "nebyl spuštěn, nastavení prvku se nezměnilo.");
            Profile::deleteFile(TTestFile::path());
        }
    }
    if (err != 0 || !fileProblem.isEmpty()) {
        closeDialog();
        const Outcome outcome = err != 0 ? failure(err) : Outcome::failed(-1, fileProblem);
        error(outcome.message);
        failed(true);
        return outcome;
    }

    TransmitProgress *bar = m_page.progress();
    if (bar) {
        bar->setMaximum(static_cast<int>(writes.size()));
        bar->setPosition(0);
        bar->setBarVisible(true);
    }
    size_t done = 0;
    std::vector<RegisterSpan> sent;
    err = exchange::errorOf([&] {
        for (const TestWrite &w : writes) {
            if (bar)
                bar->setPosition(bar->position() + 1);
            ++done; // a failed write may have reached the module too
            exchange::writeHolding(m_page.transmit(), w.start, w.values);
            sent.push_back({w.start, static_cast<int>(w.values.size())});
        }
    });
    if (err != 0) {
        // Undo what the module may hold of the test state, newest first; test.ini stays as
        // the module's only record unless every register is back.
        bool undone = true;
        std::set<std::pair<int, size_t>> written;
        for (size_t i = done; i-- > 0;) {
            const TestWrite &w = writes[i];
            if (!written.insert({w.start, w.values.size()}).second)
                continue;
            const int offset = w.start - plan.start;
            if (offset < 0 || offset + static_cast<int>(w.values.size()) > plan.count) {
                undone = false;
                continue;
            }
            const std::vector<quint16> original(snapshot.begin() + offset,
                                                snapshot.begin() + offset +
                                                    static_cast<int>(w.values.size()));
            undone = exchange::errorOf([&] {
                         exchange::writeHolding(m_page.transmit(), w.start, original);
                     }) == 0 &&
                     undone;
        }
        closeDialog();
        Outcome outcome = failure(err);
        outcome.written = std::move(sent);
        error(outcome.message);
        if (undone)
            Profile::deleteFile(TTestFile::path());
        else
            error(notRestored(plan.notRestored));
        failed(false);
        return outcome;
    }

    if (dialog)
        dialog->keepPageDisabled = true;
    QWidget *window = plan.openWindow ? plan.openWindow() : nullptr;
    setWindow(window);
    if (window)
        m_page.setEnabled(false);
    else if (dialog)
        dialog->keepPageDisabled = false;
    closeDialog();
    if (!window)
        return Outcome::failed(ErrInternal, QString()); // a plan without a window: no box
    Outcome outcome = Outcome::done();
    outcome.written = std::move(sent);
    return outcome;
}
