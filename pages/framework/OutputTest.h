#pragma once

// The output-test session of the E-HN2, E-HB5/HN9 and E-7PZ pages: keep the module's settings
// in test.ini, put the module into a test state, drive its outputs from a test window, and
// write the kept settings back when the window closes.
//
// Preparation, on the page (TComponentForm::prepareOutputTest):
//
//   OutputTestPlan plan;
//   plan.count = 25;                                     // snapshot from 0x2000, ident checked
//   plan.entries = [](const std::vector<quint16> &r) {   // what test.ini keeps, in file order
//       return std::vector<TestEntry>{{"c3ZdTerScrollBar", r[6]}, ...};
//   };
//   plan.preparation = [](const TTestFile &f) {          // the test state, from the file as
//       return std::vector<TestWrite>{{0x2000, {0}}, ...}; // read back (function 16, addr 255)
//   };
//   plan.openWindow = [this] { return new TcForm3Test(*this); };
//   prepareOutputTest(plan);
//
// The start runs inside the page's test gate (TComponentForm::beginTest): a second start while
// one runs or a window is open is refused, and so is a start on a page that is closing.
//
// A test.ini left by an unfinished test holds a module's own settings. When it is this model's
// (plan.leftOvers), the technician is asked whether to write its settings back into the module
// first; either way it is then moved aside (test-<date>-<time>.ini, named in a message box)
// and never overwritten. A write-back that fails stops the start with test.ini kept. The new
// test.ini is written as a whole and read back before the first preparation write; a file that
// does not read back as written stops the test with the module unchanged. A failing
// preparation write puts the snapshot back into every register the preparation touched, the
// failed one included; test.ini goes only when that went through, else it stays and the plan's
// notRestored text (message 11 unless set) says so.
//
// Every step (the start, a run, a refresh, the restore) returns an Outcome and tells the page
// (TComponentForm::testStepDone), which is what tests and records read.
//
// The window (TOutputTestForm) runs its steps inside a Step (closing waits for them), waits
// through the clock object, and restores the module from test.ini when it closes:
// restoreWrites() in order, function 16 to address 255, the bar advanced before each. test.ini
// is deleted only when every write went through (else it stays and notRestoredText() says so);
// the page is enabled again in every case. Values from the file are checked against their byte
// or bit range first: one outside it refuses the restore with its own message, the file kept.

#include "link/TTransmit.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TestWindow.h"
#include "platform/TextError.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class Profile;
class TSystemDialog;

struct TestEntry {
    QString key;
    int value;
};

struct TestWrite {
    int start;
    std::vector<quint16> values;
};

// A test.ini value that is not a number in its range.
class TestFileError : public TextError
{
public:
    using TextError::TextError;
};

// test.ini in the working directory, section "test".
class TTestFile
{
public:
    // What the file is read for: a bad value's message says what did not happen.
    enum class Use {
        Restore, // the module's settings written back from it
        Run      // a run of the test window, or its refresh
    };

    // Opens the file; throws TextError "Neplatný ini soubor" without the file or its section.
    explicit TTestFile(Use use);
    ~TTestFile();

    static QString path();
    static bool exists();
    // Writes the entries as a whole (integers, in order); false when the file could not be
    // written or does not read back as written.
    static bool write(const std::vector<TestEntry> &entries);
    // Renames test.ini to test-<yyyyMMdd-HHmmss>.ini (a free name); the new name, or empty
    // when it could not be renamed.
    static QString moveAside();

    // Checked values, the fallback for a missing key; anything else than a number in range
    // throws TestFileError naming the key. A word is 0..65535, or a negative number down to
    // -32768 for its low 16 bits (signed storage); a byte 0..255; a bit 0 or 1.
    int word(const QString &key, int fallback) const;
    int byte(const QString &key, int fallback) const;
    int bit(const QString &key, int fallback) const;
    // Bit i from the key keyPattern.arg(i), i = 0..count-1.
    quint8 bits(const QString &keyPattern, int count, int fallback = 0) const;
    // The file holds at least one of the keys.
    bool holdsAny(const QStringList &keys) const;

private:
    int checked(const QString &key, int fallback, int min, int max) const;

    std::unique_ptr<Profile> m_profile;
    Use m_use;
};

// What one kind of output test keeps in test.ini: a file holding any of keys is this kind's,
// and restore gives the writes that put the module's settings back from it.
struct TestKind {
    QStringList keys;
    std::function<std::vector<TestWrite>(const TTestFile &file)> restore;
};
// The keys a test's entries function writes (its snapshot block of count registers).
QStringList
testKeys(const std::function<std::vector<TestEntry>(const std::vector<quint16> &)> &entries,
         int count);

// What the preparation on the page and the window share.
namespace outputtest {
TSystemDialog *dialog();
void error(const QString &text);
void info(const QString &text);
// The plan's or window's text for a module left in its test state (message 11 when empty).
QString notRestored(const QString &text);
// Writes of a restore in order, function 16 to address 255, the dialog's bar advanced before
// each; first (if given) runs before them. Done with the spans written, or Failed with the
// error (the spans that went before it); the dialog is left up for the caller.
Outcome writeBack(TTransmit &transmit, const std::vector<TestWrite> &writes, TSystemDialog *d,
                  const std::function<void()> &first = {});
// A failure's Outcome with the message table's text.
Outcome failure(int error);
} // namespace outputtest

struct OutputTestPlan {
    int start = 0x2000; // snapshot block, read after the page's identification check
    int count = 0;
    // Once the start is accepted, before anything else (the E-7PZ holds its live reader).
    std::function<void()> begin;
    // The kinds of test.ini this model's tests leave, most particular first.
    std::vector<TestKind> leftOvers;
    // Said after a failed write-back (the module keeps test values, test.ini stays); empty:
    // message 11 (the DIP switches).
    QString notRestored;
    // After the snapshot (the dialog still up): status panels and the like; may throw
    // PageError.
    std::function<void(const QString &identification)> afterSnapshot;
    std::function<std::vector<TestEntry>(const std::vector<quint16> &block)> entries;
    std::function<std::vector<TestWrite>(const TTestFile &file)> preparation;
    // Creates and shows the test window (its opening messages included).
    std::function<QWidget *()> openWindow;
    // After a failure has been reported (the dialog closed): snapshot true when the module is
    // unchanged.
    std::function<void(bool snapshot)> failed;
};

// An output test window (TTestWindow: no parent, fixed, placed on the page's screen).
class TOutputTestForm : public TTestWindow
{
    Q_OBJECT
public:
    TOutputTestForm(TComponentForm &page, const QString &formName, const QString &caption,
                    Placement placement = Placement::Screen);
    ~TOutputTestForm() override;

    bool stepRunning() const { return m_steps > 0; }

    // The window's address of the module: test.ini's byte under key, 0 as 1 and 255 as 254.
    static int moduleAddress(const TTestFile &file, const QString &key);

protected:
    // A run step: the page is busy (closing the page or this window waits for the step) and
    // the window's controls are locked meanwhile.
    class Step
    {
    public:
        explicit Step(TOutputTestForm &window);
        ~Step();
        Step(const Step &) = delete;
        Step &operator=(const Step &) = delete;

    private:
        TOutputTestForm &m_window;
        TComponentForm::Operation m_operation;
    };

    TTransmit &transmit() { return m_transmit; }
    // The progress dialog and its bar (null without a shell).
    TSystemDialog *dialog() const;
    TransmitProgress *bar() const;
    // Waits through the clock object, processing events (inside a Step).
    void wait(int ms);
    // Waits until the clock's whole seconds have moved on by one (at most a second).
    void waitForNextSecond();
    // Runs body: a PageError shows its error's message, a TextError (test.ini) its text,
    // caption "Chyba". Done when body went through (with what noteWritten recorded), else
    // Failed with the error number, or -1 and the text.
    Outcome attempt(const std::function<void()> &body);
    // Inside attempt: registers the step has written.
    void noteWritten(int start, int count);
    // The step is over: the page hears its outcome (testStepDone), which is returned.
    Outcome stepDone(const Outcome &outcome);
    // A message box with the error's message, or the text, caption "Chyba".
    static void showError(int error);
    static void showError(const QString &text);
    // A note to the technician (the DIP switches), with the program's caption.
    static void showInfo(const QString &text);

    // From holdClose() to releaseClose() the close icon is gone and a close asked for
    // meanwhile (the window system's, the page's) waits, then happens.
    void holdClose();
    void releaseClose();
    bool closeHeld() const { return m_hold != nullptr; }

    // Closing: beforeRestore (messages, captions), the page's marker as it was at opening,
    // the restore, afterRestore(restored), the page enabled again, the window destroyed.
    virtual void beforeRestore() {}
    virtual std::vector<TestWrite> restoreWrites(const TTestFile &file) = 0;
    virtual void afterRestore(bool /*restored*/) {}
    // Said after the error of a failed restore: message 11 (the DIP switches) unless a test
    // says otherwise.
    virtual QString notRestoredText() const;

    void closeEvent(QCloseEvent *event) override;

private:
    Outcome restore();

    TTransmit m_transmit;
    Outcome *m_attempt = nullptr; // of the attempt that runs
    std::unique_ptr<TComponentForm::Operation> m_hold;
    int m_steps = 0;
    bool m_closed = false;
};
