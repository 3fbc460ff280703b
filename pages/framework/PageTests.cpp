// The page's side of its test windows: one test at a time (the gate that locks Get, Send
// and the test buttons) and the preparation of an output test (OutputTest.h).

#include "link/Messages.h"
#include "pages/framework/OutputTest.h"
#include "pages/framework/TComponentForm.h"
#include "platform/Profile.h"
#include "platform/Prompts.h"
#include "shell/SystemDialog.h"

#include <QPushButton>
#include <set>

using namespace outputtest;

// --- the page's side: one test at a time ---

bool TComponentForm::beginTest()
{
    if (testActive())
        return false;
    m_testState = TestState::Pending;
    m_testLocked.clear();
    std::vector<QPushButton *> locked = {m_getButton, m_sendButton};
    for (const auto &b : m_testButtons)
        locked.push_back(b);
    for (QPushButton *b : locked) {
        // What is locked already (a countdown) is not ours to give back.
        if (b && b->isEnabled()) {
            b->setEnabled(false);
            m_testLocked.emplace_back(b);
        }
    }
    return true;
}

void TComponentForm::endTest()
{
    m_testState = TestState::Idle;
    for (const auto &b : m_testLocked)
        if (b)
            b->setEnabled(true);
    m_testLocked.clear();
}

void TComponentForm::setTestWindow(QWidget *window)
{
    m_testWindow = window;
    if (window)
        m_testState = TestState::Idle; // the window holds the test from here
    else
        endTest();
}

void TComponentForm::testButtons(std::initializer_list<QPushButton *> buttons)
{
    for (QPushButton *b : buttons)
        m_testButtons.emplace_back(b);
}

// --- output-test preparation ---

Outcome TComponentForm::takeLeftOverTestFile(const OutputTestPlan &plan)
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
            writeBack(m_transmit, writes, dialog, [this] { checkIdentification(); });
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
    showStatusMessage(moved);
    return Outcome::done(moved);
}

Outcome TComponentForm::prepareOutputTest(const OutputTestPlan &plan)
{
    // One start at a time; a start that reaches a page asked to close (a close waits for the
    // commands queued before it) would leave the module in its test state.
    if (m_testState == TestState::Starting || m_testWindow) {
        emit testStepDone(Outcome::refused());
        return Outcome::refused();
    }
    if (m_closing || closePending(*this)) {
        endTest();
        emit testStepDone(Outcome::refused());
        return Outcome::refused();
    }
    const Outcome outcome = startOutputTest(plan);
    emit testStepDone(outcome);
    return outcome;
}

Outcome TComponentForm::startOutputTest(const OutputTestPlan &plan)
{
    if (m_testState == TestState::Idle)
        beginTest();
    m_testState = TestState::Starting;
    const Operation running(*this);
    auto failed = [this, &plan](bool snapshot) {
        endTest();
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
            fail(ErrInternal);
        const QString ident = checkIdentification();
        snapshot = readRegisters(plan.start, plan.count, false);
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

    TransmitProgress *bar = progress();
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
            exchange::writeHolding(m_transmit, w.start, w.values);
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
            undone = exchange::errorOf(
                         [&] { exchange::writeHolding(m_transmit, w.start, original); }) == 0 &&
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
    setTestWindow(window);
    if (window)
        setEnabled(false);
    else if (dialog)
        dialog->keepPageDisabled = false;
    closeDialog();
    if (!window)
        return Outcome::failed(ErrInternal, QString()); // a plan without a window: no box
    Outcome outcome = Outcome::done();
    outcome.written = std::move(sent);
    return outcome;
}
