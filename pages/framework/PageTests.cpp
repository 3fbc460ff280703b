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

bool TComponentForm::takeLeftOverTestFile(const OutputTestPlan &plan)
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
            return false;
        }
        TSystemDialog *dialog = outputtest::dialog();
        const int err = writeBack(m_transmit, writes, dialog, [this] { checkIdentification(); });
        if (dialog)
            dialog->closeOverPage();
        if (err != 0) {
            // The file stays test.ini: it is still the module's only record.
            error(message(err));
            error(notRestored(plan.notRestored));
            return false;
        }
    }
    const QString aside = TTestFile::moveAside();
    if (aside.isEmpty()) {
        error(QStringLiteral("Soubor test.ini z nedokončeného testu nelze přejmenovat. Test "
                             "nebyl spuštěn, nastavení prvku se nezměnilo."));
        return false;
    }
    const QString moved =
        QStringLiteral("Soubor test.ini z nedokončeného testu uložen jako ") + aside;
    info(moved);
    showStatusMessage(moved);
    return true;
}

bool TComponentForm::prepareOutputTest(const OutputTestPlan &plan)
{
    // One start at a time; a start that reaches a page asked to close (a close waits for the
    // commands queued before it) would leave the module in its test state.
    if (m_testState == TestState::Starting || m_testWindow)
        return false;
    if (m_closing || closePending(*this)) {
        endTest();
        return false;
    }
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
    if (TTestFile::exists() && !takeLeftOverTestFile(plan)) {
        failed(true);
        return false;
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
        if (err != 0)
            error(message(err));
        else
            error(fileProblem);
        failed(true);
        return false;
    }

    TransmitProgress *bar = progress();
    if (bar) {
        bar->setMaximum(static_cast<int>(writes.size()));
        bar->setPosition(0);
        bar->setBarVisible(true);
    }
    size_t done = 0;
    err = exchange::errorOf([&] {
        for (const TestWrite &w : writes) {
            if (bar)
                bar->setPosition(bar->position() + 1);
            ++done; // a failed write may have reached the module too
            exchange::writeHolding(m_transmit, w.start, w.values);
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
        error(message(err));
        if (undone)
            Profile::deleteFile(TTestFile::path());
        else
            error(notRestored(plan.notRestored));
        failed(false);
        return false;
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
    return window != nullptr;
}
