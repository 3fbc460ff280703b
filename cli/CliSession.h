#pragma once

// What ovrin-cli does, on the device pages themselves: a page runs without a window
// (offscreen), its prompts come to the terminal, and every rule of the page (ranges,
// verification, errors, file formats) holds as in the program.

#include "platform/Prompts.h"
#include "shell/Shell.h"
#include "shell/SystemDialog.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TComponentForm;

// Exit statuses, one per kind of failure.
enum CliStatus {
    StatusOk = 0,
    StatusUsage = 1,
    StatusPort = 2,        // the port cannot be opened (error 7)
    StatusSilent = 3,      // no reply, a damaged reply (errors 6, 29)
    StatusWrongDevice = 4, // another model, or no known one (errors 9, 10)
    StatusRefused = 5,     // the device refused a request (errors 2 to 5, 8)
    StatusVerify = 6,      // the read-back differs (error 16)
    StatusFile = 7,        // a configuration file missing, of no page here, or incomplete
    StatusInvalid = 8,     // a value the page refuses to write or save (error 13)
    StatusInternal = 9,    // error 12, anything else
    StatusInterrupted = 10,
    StatusDifferences = 11, // diff: the file and the device differ (not a failure)
};
CliStatus statusOfError(int error);

// The prompts of the page, on the terminal: messages are collected (and printed unless
// quiet: the commands print a page's outcome themselves), questions are answered No, file
// dialogs return the file the command chose.
class TerminalPrompts : public Prompts
{
public:
    void message(const QString &text, const QString &caption, PromptIcon icon) override;
    void messageWithDetails(const QString &text, const QString &caption, PromptIcon icon,
                            const QString &details) override;
    PromptAnswer question(const QString &text, const QString &caption, PromptButtons buttons,
                          PromptIcon icon) override;
    QString openFileName(const QString &caption, const QString &filter,
                         const QString &directory) override;
    QString saveFileName(const QString &caption, const QString &filter,
                         const QString &directory) override;
    void beep() override {}

    QString file;         // what the next file dialog returns
    QStringList messages; // since the last clear
    QString details;      // of the last message with details
    bool quiet = false;   // messages go into the result only
};

// The progress dialog of the page, drawn as one line on a terminal.
class TerminalProgress : public TSystemDialog
{
public:
    void setMaximum(int maximum) override;
    void setPosition(int position) override;
    void begin(const QString &what);
    void end();

    bool enabled = false;

private:
    void draw();
    QString m_what;
    int m_exchanges = 0;
    int m_position = 0;
};

// The main window as the pages see it: COM names resolve as in the program (serialPorts.ini
// in the working directory), 19200 Bd, 8 data bits, no parity, one stop bit.
class CliShell : public Shell
{
public:
    CliShell();
    ~CliShell() override;
    void openPort() override;
    void closePort() override;
    std::optional<PortSettings> portSettings() const override;
    int componentType() const override;
    QWidget *currentPage() const override { return page; }
    TSystemDialog &systemDialog() override { return progress; }
    int portNumber() const override { return port; }

    int port = 0;
    int firstByteMs = 0; // 0: the port's own (serialPorts.ini, or a gateway's default)
    int listIndex = -1;
    QWidget *page = nullptr;
    TerminalProgress progress;
};

struct Detection {
    int error = 0;
    int listIndex = -1;
    QString identification;
    QString firmware;
    bool newer = false; // identified at 0x0010
    bool collided = false; // several devices answered at once (255 on a bus)
};

// The attached device's model (identification at 0x0001, then at 0x0010); error 10 when
// it answers as no known model.
Detection identifyDevice(CliShell &shell);
// The same, and its firmware.
Detection detectDevice(CliShell &shell);

// A page of the list index, built without a window; null when the model has none yet.
std::unique_ptr<TComponentForm> createPage(CliShell &shell, int listIndex);

// The result of a page action as the CLI reports it: the page's outcome with its exit status.
struct PageResult {
    CliStatus status = StatusOk;
    QString text;
    int error = 0; // the page's error number (-1: a failure without one)
};
PageResult readPage(TComponentForm &page, TerminalPrompts &prompts);
PageResult writePage(TComponentForm &page, TerminalPrompts &prompts);
PageResult savePage(TComponentForm &page, TerminalPrompts &prompts, const QString &file);
PageResult loadPage(TComponentForm &page, TerminalPrompts &prompts, const QString &file);

// The list index of a model name ("T4yJ", case-insensitive), or of the page whose section
// a configuration file holds; -1 when none.
int listIndexOfModel(const QString &name);
int listIndexOfFile(CliShell &shell, const QString &file);
// Every list index whose page has its section in the file, in list order.
std::vector<int> listIndicesOfFile(CliShell &shell, const QString &file);

// A dry run's line: while it exists, exchanges go out as usual up to the first request that
// would change the device (functions 5, 6, 15, 16). That request is held back and its
// exchange ends at once without a reply, so the page stops there with every check before it
// done.
class DryRunLine
{
public:
    DryRunLine();
    ~DryRunLine();
    DryRunLine(const DryRunLine &) = delete;
    DryRunLine &operator=(const DryRunLine &) = delete;
    // Whether a request that would change the device was held back.
    bool stopped() const;
};

// Requests that change the device since a mark of the traffic record: how many went out and
// how many the device acknowledged. The record is on while a WriteTally exists.
class WriteTally
{
public:
    WriteTally();
    ~WriteTally();
    int sent() const;
    int acknowledged() const;

private:
    quint64 m_mark = 0;
    bool m_wasRecording = false;
};
