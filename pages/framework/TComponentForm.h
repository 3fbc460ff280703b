#pragma once

// TComponentForm: the one page base of classic and newer device pages.
//
// A page declares its groups, fields, saved controls and register blocks in its
// constructor and ends it with finishCreate() (called for it at the first show if it did
// not). Everything else (menus, status bar, Get/Send, read-all and write-all with the
// identification check, temp.ini, configuration files, window positions, the live window,
// change marker, close question, minimise) is the base's.
//
//   TcForm1::TcForm1(QWidget *parent)
//       : TComponentForm(PageTraits::classic("cForm1", "T4yJ", {"T4yJ", "T4yJN"})
//                            .messagePanelWidth(360), parent)
//   {
//       auto &basic = group("Základní nastavení");
//       auto &text = textField(basic, "c1ZdTextEdit", "Zákaznické textové pole", 10, hint);
//       auto &off = numeric(basic, "c1ZdOff", "Korekční posuv měřené teploty",
//                           Rule::signedDecimal(-100, 100), "°C", "Rozsah -100,0 až 100,0");
//       auto &addr = addressCombo(basic, "c1SkAdrComboBox", "Síťová adresa", hint);
//       required(addr);
//       block(0x2001, 15).text(text, 10).position(off) ... ;
//       saved({&text, off.bar(), &addr});
//       finishCreate();
//   }
//   TExtraForm *TcForm1::createLiveWindow() { return new Tc1extForm(*this); }
//
// Names: controls are named as documented (objectName = INI key on classic pages); labels
// are the control's name with its kind suffix replaced by "Label" ("c1SkAdrComboBox" ->
// "c1SkAdrLabel", numeric prefix "c1ZdOff" -> "c1ZdOffLabel"). Base controls: classic pages
// "c1GetButton", "c1SendButton", "c1StatusBar", "cLoadDataAfterStartTimer"; newer pages
// "getButton", "sendButton", "statusBar", "loadDataAfterStartTimer"; menu items as
// documented on both ("mmLoadConfiguration", "mmLoadExtra", ...).
//
// Generations differ only through PageTraits: identification read (readIdentification /
// readNewIdentification), firmware (number after the first block / text before the blocks),
// status-panel widths, configuration keys (control name / "c<n>" + Name), resetToDefaults
// before a load, and the default position rounding (truncate / ceiling) and fallback texts
// of numeric fields.
//
// Pages live on the heap: closing a page releases it with deleteLater (destroyPage), and a
// Shell must be installed before a page is built (its TTransmit uses the shell's port).
//
// Operations that fail throw PageError (a TextError "chyba OKW" carrying the error number);
// readAll, writeAll and the other device actions catch it, report as documented and return
// an Outcome (Outcome.h), which is what callers read: nobody parses the status bar.
//
// Closing is always safe: while an operation runs on the page (a read, a write with its
// read-back pause, a test step; see Operation), a close of the page, its live window or a
// test window is carried out only after it has ended (PageBusy, Busy.h).
//
// Where the base's code lives: TComponentForm.cpp (construction, edits and selections, Get
// and Send), PageClosing.cpp (live window, closing); its collaborators, each owned by the
// page and reached through the one-line forwards below: DeviceOperations (device
// operations), TestGate (test gate, output-test preparation), PageDeclarations (groups,
// fields, blocks, required selections), PageFiles (configuration files, temp.ini, window
// positions), PageChrome (menus, status bar, hints, minimise). PageTraits.h, Busy.h,
// Outcome.h.

#include "link/TTransmit.h"
#include "pages/framework/Busy.h"
#include "pages/framework/ControlTable.h"
#include "pages/framework/DeviceOperations.h"
#include "pages/framework/Exchanges.h"
#include "pages/framework/Fields.h"
#include "pages/framework/Outcome.h"
#include "pages/framework/PageChrome.h"
#include "pages/framework/PageDeclarations.h"
#include "pages/framework/PageFiles.h"
#include "pages/framework/PageTraits.h"
#include "pages/framework/RegisterImage.h"
#include "pages/framework/TExtraForm.h"
#include "pages/framework/TestGate.h"
#include "platform/TextError.h"

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class QVBoxLayout;
class Shell;
struct OutputTestPlan;

class TComponentForm : public QMainWindow, public FieldHost
{
    Q_OBJECT
public:
    explicit TComponentForm(const PageTraits &traits, QWidget *parent = nullptr);
    ~TComponentForm() override;

    const PageTraits &traits() const { return m_traits; }
    TTransmit &transmit() { return m_transmit; }
    Shell &shell() const;

    // --- Page operations (virtual in the documented order) ---
    // The page's live window, or null for pages without one.
    virtual TExtraForm *createLiveWindow() { return nullptr; }
    virtual void destroyPage();
    // Runs the exit handler of the last edited field.
    virtual void commitPendingEdit();
    virtual void clearInvalidMarks();
    // True when every required() combo box has a selection; marks the others red.
    virtual bool validateSelections();
    virtual void intPlusMaskEditExit(TNumericField &field);
    virtual void flMinusMaskEditExit(TNumericField &field);
    virtual void flPlusMaskEditExit(TNumericField &field);
    // What they came to (also shown: status text, message box).
    virtual Outcome readAll() { return m_device->readAll(); }
    virtual Outcome writeAll() { return m_device->writeAll(); }
    // Reader commands 3 and 7.
    virtual void extraOperation() {}
    virtual void extraOperationWithArgument(quint8) {}
    // After loadControls has put a file's values into the controls (configuration file or
    // temp.ini); pages whose controls depend on each other settle them here.
    virtual void controlsLoaded() {}
    // Before a load puts a file's values into the controls (configuration file or temp.ini).
    virtual void controlsLoading() {}
    // Inside readAll, after the blocks were decoded (ok) or the page was restored from
    // temp.ini (not ok), before the dialog closes and temp.ini goes; range warnings are
    // quiet. Pages whose fields depend on each other settle them here.
    virtual void settleAfterRead(bool /*ok*/) {}

    // --- Operations in flight ---
    // Marks the page busy while it exists: closing the page or its windows waits for it.
    class Operation
    {
    public:
        explicit Operation(TComponentForm &page);
        ~Operation();
        Operation(const Operation &) = delete;
        Operation &operator=(const Operation &) = delete;

    private:
        QPointer<TComponentForm> m_page;
    };
    // An operation runs, or this thread is inside an exchange (a wait in it runs events).
    bool busy() const;
    // Commands handed over to the live reader that have not yet run to their end.
    bool commandsQueued() const;
    // Runs f from the event loop once the page is no longer busy (and, with afterCommands,
    // once the reader's queued commands have run).
    void whenIdle(std::function<void()> f, bool afterCommands = false)
    {
        m_busy->whenIdle(std::move(f), afterCommands);
    }
    // A close of one of the page's windows asked for while the page is busy: carried out
    // then, once (see PageBusy).
    void closeWhenIdle(QWidget &window, bool afterCommands = false)
    {
        m_busy->closeWhenIdle(window, afterCommands);
    }
    bool closePending(const QWidget &window) const { return m_busy->closePending(window); }

    // --- Test windows ---
    // One test at a time. A test button's press calls beginTest(): false (the press does
    // nothing) while a test is pending or its window is open; else the page's test buttons,
    // Get and Send are locked until the window has closed or the start has failed. Meanwhile
    // Get and Send do nothing, and once the start runs no queued read or write does either
    // (commands handed over before the press still run first, as they came).
    bool beginTest() { return m_tests->begin(); }
    // A test is pending, starting or open.
    bool testActive() const { return m_tests->active(); }
    // The page's open test window (an output or input test). It has no parent, so it stays
    // usable while the page is disabled. Closing the page closes it first (its restore runs),
    // and it goes with the page; its hints last as long as the page's. Setting none ends the
    // test (the buttons are released).
    void setTestWindow(QWidget *window) { m_tests->setWindow(window); }
    QWidget *testWindow() const { return m_tests->window(); }

    // --- Shell operations ---
    // False when the file could not be written.
    bool saveControls(const QString &file, const QString &section)
    {
        return m_files->saveControls(file, section);
    }
    // Throws TextError.
    void loadControls(const QString &file, const QString &section)
    {
        m_files->loadControls(file, section);
    }
    void saveToTemp() { m_files->saveToTemp(); }
    void restoreFromTemp() { m_files->restoreFromTemp(); }
    void deleteTemp() { m_files->deleteTemp(); }
    void resetToDefaults() { m_table.resetToDefaults(); }
    void markChanged(bool changed) override { m_chrome->markChanged(changed); }
    bool isChanged() const { return m_chrome->isChanged(); }
    void showDeviceName(const QString &identification);
    void showFirmware(const QString &text);
    // What the last identification and firmware read of the device gave.
    QString deviceIdentification() const { return m_deviceIdentification; }
    QString deviceFirmware() const { return m_deviceFirmware; }
    // When the form last matched the device (a read, or a write verified by reading back),
    // while every control still holds that value; written tells which of the two it was.
    bool confirmedByDevice(QDateTime *at = nullptr, bool *written = nullptr) const
    {
        return m_device->confirmedByDevice(at, written);
    }
    void showStatusMessage(const QString &text) { m_chrome->showStatusMessage(text); }
    QString panelText(int panel) const { return m_chrome->panelText(panel); }
    void loadWindowPosition() { m_files->loadWindowPosition(); }
    void saveWindowPosition() { m_files->saveWindowPosition(); }
    void openLiveWindow();
    void closeLiveWindow();
    void hideLiveWindow();
    TExtraForm *liveWindow() const;
    bool invalidInput() const { return m_invalidInput; }
    bool hintsOn() const { return m_chrome->hintsOn(); }
    bool isMinimisedFlag() const { return m_chrome->minimised(); }
    // The page's key of a saved control in configuration files and temp.ini.
    QString keyOf(const QWidget *control) const { return m_files->keyOf(control); }
    const ControlTable &controlTable() const { return m_table; }
    // The caption label made for a control (null when none).
    QLabel *labelOf(const QWidget *control) const { return PageDeclarations::labelOf(control); }
    // "1200" to "19200", the line speeds of most devices.
    static const QStringList &baudRates() { return PageDeclarations::baudRates(); }
    // Menu items and base controls by name ("mmLoadExtra", ...).
    QAction *menuItem(const QString &name) const;
    QPushButton *getButton() const { return m_getButton; }
    QPushButton *sendButton() const { return m_sendButton; }

    // --- Handlers ---
    // readAll / writeAll, or queued to the live reader while it runs (Queued). done, if
    // given, hears the final Outcome in either case: at once, or when the reader has run it.
    Outcome getButtonClick(OutcomeCallback done = {});
    Outcome sendButtonClick(OutcomeCallback done = {});
    Outcome mmLoadConfigurationClick() { return m_files->loadConfigurationClick(); }
    // The file into the page as "Načíst konfiguraci" puts it there (refusal shown); the
    // file dialog's part of the load.
    Outcome loadConfigurationFile(const QString &file)
    {
        return m_files->loadConfigurationFile(file);
    }
    Outcome mmSaveConfigureClick() { return m_files->saveConfigurationClick(); }
    void mmShowHintClick();
    void mmOpenAfterStartClick();
    void mmLoadExtraClick();
    void mmSerialClick();
    void mmChooseComponentClick();
    void mmAboutClick();
    void mmCloseClick();

    // Called by the live window when it has closed (liveWindowClosed of TExtraForm).
    void liveWindowGone(TExtraForm *window);

signals:
    // A step of an output test has ended (its start, a run, a refresh, the restore): what it
    // came to.
    void testStepDone(const Outcome &outcome);

public:
    // FieldHost
    void fieldEdited(TNumericField &field) override;
    void fieldExit(TNumericField &field) override;
    void setInvalidInput(bool invalid) override;

protected:
    // --- Declarations (constructor; PageDeclarations builds them) ---
    // A group box in the given column of the page body; column -1: above the columns,
    // across all of them.
    QGroupBox &group(const QString &title, int column = 0, const QString &name = QString())
    {
        return m_declarations->group(title, column, name);
    }
    TNumericField &numeric(QGroupBox &group, const QString &prefix, const QString &caption,
                           Rule rule, const QString &unit = QString(),
                           const QString &hint = QString(), const QString &labelHint = QString())
    {
        return m_declarations->numeric(group, prefix, caption, rule, unit, hint, labelHint);
    }
    QComboBox &combo(QGroupBox &group, const QString &name, const QString &caption,
                     const QStringList &items, const QString &unit = QString(),
                     const QString &hint = QString(), const QString &labelHint = QString())
    {
        return m_declarations->combo(group, name, caption, items, unit, hint, labelHint);
    }
    // A list mapped through a code table (the register holds the item's code); required:
    // a list without a selection is refused on write (error 13, its label red).
    QComboBox &codedCombo(QGroupBox &group, const QString &name, const QString &caption,
                          const CodeTable &table, const QString &unit = QString(),
                          const QString &hint = QString(), const QString &labelHint = QString())
    {
        return m_declarations->codedCombo(group, name, caption, table, unit, hint, labelHint);
    }
    // Items "1".."254"; the register holds the address (index + 1).
    QComboBox &addressCombo(QGroupBox &group, const QString &name, const QString &caption,
                            const QString &hint = QString(), const QString &labelHint = QString())
    {
        return m_declarations->addressCombo(group, name, caption, hint, labelHint);
    }
    QLineEdit &textField(QGroupBox &group, const QString &name, const QString &caption,
                         int maxChars, const QString &hint = QString(),
                         const QString &labelHint = QString())
    {
        return m_declarations->textField(group, name, caption, maxChars, hint, labelHint);
    }
    // The settings most devices share: the customer text "Zákaznické textové pole" of 10
    // characters, the baud-rate list "Komunikační rychlost" with its unit "Bd" and the
    // address list "Síťová adresa" (both lists required).
    QLineEdit &customerText(QGroupBox &group, const QString &name)
    {
        return m_declarations->customerText(group, name);
    }
    QComboBox &baudList(QGroupBox &group, const QString &name, const QStringList &items,
                        const QString &hint, const QString &labelHint = QString())
    {
        return m_declarations->baudList(group, name, items, hint, labelHint);
    }
    QComboBox &networkAddress(QGroupBox &group, const QString &name,
                              const QString &labelHint = QStringLiteral("Síťová adresa regulátoru"))
    {
        return m_declarations->networkAddress(group, name, labelHint);
    }
    QCheckBox &checkBox(QGroupBox &group, const QString &name, const QString &caption,
                        const QString &hint = QString())
    {
        return m_declarations->checkBox(group, name, caption, hint);
    }
    TRadioGroup &radioGroup(QGroupBox &group, const QString &name, const QString &caption,
                            const QStringList &items, const QString &hint = QString(),
                            int columns = 1)
    {
        return m_declarations->radioGroup(group, name, caption, items, hint, columns);
    }
    // A combo box validateSelections requires; marker: the widget turned red (its label).
    void required(QComboBox &combo, QWidget *marker = nullptr)
    {
        m_declarations->required(combo, marker);
    }
    // A required list whose missing selection refuses the write without marking a label.
    void requiredUnmarked(QComboBox &combo) { m_declarations->requiredUnmarked(combo); }
    // A radio group validateSelections requires an item of: without one its caption turns
    // red until an item is chosen (or clearInvalidMarks).
    void required(TRadioGroup &group) { m_declarations->required(group); }
    // Saved controls with default 0, in order; registerControl for other defaults and for
    // controls that a load applies after the others (loadPass, see ControlTable).
    void saved(std::initializer_list<QWidget *> controls) { m_declarations->saved(controls); }
    void registerControl(QWidget *control, double defaultValue, int loadPass = 0)
    {
        m_declarations->registerControl(control, defaultValue, loadPass);
    }
    // Radio groups of two items saved as booleans (default false), in order.
    void savedBooleans(std::initializer_list<QWidget *> controls)
    {
        m_declarations->savedBooleans(controls);
    }
    // A register block of the page's image (read, written and verified in order).
    RegisterBlock &block(int start, int count) { return m_declarations->block(start, count); }
    // One column of captions and one of values through all groups (edits of one width,
    // texts and lists of one width), and at least the width of the original window, so the
    // status panels have their room.
    void alignColumns(int clientWidth) { m_declarations->alignColumns(clientWidth); }
    // Two full-width parts of one group (two short radio groups, say) on the first one's
    // row, half the width each: a tall page then fits a small screen.
    void besideEachOther(QWidget &left, QWidget &right)
    {
        m_declarations->besideEachOther(left, right);
    }
    // "Načíst data" and "Uložit data" under the groups of a short column rather than in a
    // row of their own under the tallest one.
    void actionsUnderColumn(int column) { m_declarations->actionsUnderColumn(column); }
    // Tab in reading order: the groups column by column, each from the top, its controls in
    // the order they were made; "Načíst data" and "Uložit data" last.
    void orderTabs() { m_declarations->orderTabs(); }
    // Runs the page-creation steps that need the declarations (positions, AfterStart,
    // cleared marker). Idempotent.
    void finishCreate();

    // --- Device access for readAll / writeAll (throw PageError) ---
    // The body of readAll between saveToTemp and success; the default reads the
    // identification, the firmware and every block() in order.
    virtual void readDevice() { m_device->readDevice(); }
    // The page's blocks read into the controls (no identification); a classic page reads
    // its firmware after the first block when asked to.
    virtual void readBlocks(bool firmwareAfterFirst) { m_device->readBlocks(firmwareAfterFirst); }
    // The body of writeAll after the progress dialog; the default identifies the device
    // (identifyForWrite), reads the kept registers, writes every block, waits, reads back
    // and verifies.
    virtual void writeDevice() { m_device->writeDevice(); }
    // The write's identification check, and the backup of what the device holds right after
    // it: the backup reads only the blocks. True when that read gave the registers the
    // device keeps (no need to read them again).
    bool identifyForWrite() { return m_device->identifyForWrite(); }
    // One user action that talks to the device: the progress dialog over the page, body,
    // then beforeClose(error) with the dialog still up; on success successStatus (if any)
    // in the status bar, on failure the error's message ("Chyba") and failureStatus (if
    // any). Returns what it came to; writeRegisters inside it is recorded as written.
    Outcome deviceAction(const std::function<void()> &body, const QString &successStatus,
                         const QString &failureStatus,
                         const std::function<void(int error)> &beforeClose = {})
    {
        return m_device->action(body, successStatus, failureStatus, beforeClose);
    }
    // A coil (function 5) or one register (function 6) as such an action: identification
    // check, then the write with the progress bar. slave -1: address 255.
    Outcome writeCoilAction(int address, bool on, int slave = -1)
    {
        return m_device->writeCoil(address, on, slave);
    }
    Outcome writeRegisterAction(int address, quint16 value, int slave = -1)
    {
        return m_device->writeRegister(address, value, slave);
    }
    // An output test's preparation (OutputTest.h): snapshot, test.ini, the test state, the
    // window opened with the page kept disabled. Done when the window is open (the test state
    // as written); Refused while another start runs or a test window is open, and on a page
    // that is closing. Also told through testStepDone.
    Outcome prepareOutputTest(const OutputTestPlan &plan)
    {
        return m_tests->prepareOutputTest(plan);
    }
    // The page's test buttons, locked with Get and Send while a test is pending or open.
    void testButtons(std::initializer_list<QPushButton *> buttons) { m_tests->addButtons(buttons); }
    // Identification read of the page's generation, checked against traits().models.
    QString checkIdentification() { return m_device->checkIdentification(); }
    void readAndShowFirmware() { m_device->readAndShowFirmware(); }
    // Function 3 of count registers (progress bar when withBar); values unsigned.
    std::vector<quint16> readRegisters(int start, int count, bool withBar = true)
    {
        return m_device->readRegisters(start, count, withBar);
    }
    void writeRegisters(int start, const std::vector<quint16> &values, bool withBar = true)
    {
        m_device->writeRegisters(start, values, withBar);
    }
    // A device command through its command register (exchange::command), its waits on the
    // page's clock.
    void runCommand(int address, quint16 value) { m_device->runCommand(address, value); }
    // The customer text into the request being built (addValue, count characters) and
    // from the last read (nextValue); for pages that build their requests by hand.
    void writeTextRegisters(const QLineEdit &edit, int count)
    {
        m_device->writeTextRegisters(edit, count);
    }
    void readTextRegisters(QLineEdit &edit, int count) { m_device->readTextRegisters(edit, count); }
    // Throws PageError(error) unless error is 0.
    static void check(const TransmitResult &result) { exchange::check(result); }
    [[noreturn]] static void fail(int error) { exchange::fail(error); }
    // Waits on the clock processing events (user input stays out: the page is disabled).
    void waitProcessingEvents(int ms) { m_device->waitProcessingEvents(ms); }
    std::deque<RegisterBlock> &blocks() { return m_blocks; }

    // The pages' documented handlers, by the control that sent the event (an edit or scroll
    // bar of a numeric field, a list, the text): the fields run the same code on their own
    // events, the named handlers of a page call these.
    TNumericField *fieldOf(QObject *sender) const { return m_declarations->fieldOf(sender); }
    void exitOf(QObject *sender);
    // The key filter of the field's kind: false when the key is swallowed (with a beep) or
    // was Enter (which runs the exit handler and selects the text).
    bool keyPressOf(QObject *sender, QChar key);
    void scrollOf(QObject *sender);
    // A changed list or text: the change marker, and a marked list's label back to normal.
    void changeOf(QObject *sender);

    // The progress bar of the progress dialog (null without a shell).
    TransmitProgress *progress() { return m_device->progress(); }

    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    QVBoxLayout *columnLayout(int column) { return m_declarations->columnLayout(column); }
    QHBoxLayout *actionLayout() const { return m_declarations->actions(); }

private:
    friend class PageDeclarations;
    friend class PageFiles;
    friend class PageState;
    friend class DeviceOperations;
    friend class TestGate;
    ControlValues snapshotUnsavedControls() const { return m_files->snapshotUnsavedControls(); }
    // Every control a read can change (saved or not), with its value.
    ControlValues snapshotControls() const { return m_files->snapshotControls(); }
    void restoreControlValues(const ControlValues &values)
    {
        PageFiles::restoreControlValues(values);
    }

    PageTraits m_traits;
    TTransmit m_transmit;
    ControlTable m_table;
    std::deque<RegisterBlock> m_blocks;
    // Before the other collaborators, so it goes after them: the application-wide event
    // filter reaches it while they are destroyed.
    std::unique_ptr<PageChrome> m_chrome;
    std::unique_ptr<PageDeclarations> m_declarations;

    bool m_invalidInput = false;
    bool m_created = false;
    bool m_closing = false;
    PageBusy *m_busy = nullptr;
    QPointer<TNumericField> m_lastEdited;
    QPointer<TExtraForm> m_live;
    // What a close hands back to the main window (serial settings, device choice).
    std::function<void()> m_handBack;
    std::unique_ptr<PageFiles> m_files;
    QString m_deviceIdentification;
    QString m_deviceFirmware;
    std::unique_ptr<DeviceOperations> m_device;
    std::unique_ptr<TestGate> m_tests;

    QPushButton *m_getButton = nullptr;
    QPushButton *m_sendButton = nullptr;
    QTimer *m_loadTimer = nullptr;
};
