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
    StatusFile = 7,        // a configuration file that is not the page's, or not valid
    StatusInvalid = 8,     // a value the page refuses to write or save (error 13)
    StatusInternal = 9,    // error 12, anything else
    StatusInterrupted = 10,
};
CliStatus statusOfError(int error);

// The prompts of the page, on the terminal: messages are collected (and printed unless the
// output is JSON), questions are answered No, file dialogs return the file the command
// chose.
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
    bool quiet = false;   // JSON: messages go into the result, not to stderr
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
    bool collided = false; // several devices answered at once (255 on a bus)
};

// The attached device's model (identification at 0x0001, then at 0x0010) and firmware.
Detection detectDevice(CliShell &shell);

// One value of a saved control as the user sees it.
struct ShownValue {
    QString key;
    QString caption;
    QString text;
};
std::vector<ShownValue> shownValues(const TComponentForm &page);

// A page of the list index, built without a window; null when the model has none yet.
std::unique_ptr<TComponentForm> createPage(CliShell &shell, int listIndex);

// The result of a page action: 0 and "Operace proběhla OK", or the first error shown.
struct Outcome {
    CliStatus status = StatusOk;
    QString text;
};
Outcome readPage(TComponentForm &page, TerminalPrompts &prompts);
Outcome writePage(TComponentForm &page, TerminalPrompts &prompts);
Outcome savePage(TComponentForm &page, TerminalPrompts &prompts, const QString &file);
Outcome loadPage(TComponentForm &page, TerminalPrompts &prompts, const QString &file);

// The list index of a model name ("T4yJ", case-insensitive), or of the page whose section
// a configuration file holds; -1 when none.
int listIndexOfModel(const QString &name);
int listIndexOfFile(CliShell &shell, const QString &file);
