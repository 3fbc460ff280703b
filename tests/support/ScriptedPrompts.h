#pragma once

#include "platform/Prompts.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <functional>

// Prompts for tests: records every message box, question, file dialog and beep, and answers
// from a plan instead of waiting for a user.
//
//     ScriptedPrompts prompts;            // installs itself, uninstalls when destroyed
//     prompts.planAnswer(PromptAnswer::No);
//     page.close();
//     QCOMPARE(prompts.lastText(), "Uložit změny?");
//
// A question with no planned answer is answered Yes, and the record says so (`defaulted`).
// A file dialog with no planned name is cancelled (empty name, also `defaulted`).
class ScriptedPrompts : public Prompts
{
public:
    enum class Kind { Message, Question, OpenFile, SaveFile, Beep };

    struct Record {
        Kind kind = Kind::Message;
        QString text; // empty for file dialogs and beeps
        QString caption;
        PromptIcon icon = PromptIcon::None;
        PromptButtons buttons = PromptButtons::Ok;
        QString filter;                         // file dialogs
        QString directory;                      // file dialogs
        PromptAnswer answer = PromptAnswer::Ok; // questions
        QString fileName;                       // file dialogs: the name returned
        QString details;                        // messages with a details area
        bool defaulted = false;                 // nothing was planned for it
    };

    explicit ScriptedPrompts(bool installNow = true);
    ~ScriptedPrompts() override;

    void install();

    // Plans, used in order.
    void planAnswer(PromptAnswer answer);
    void planAnswers(const QList<PromptAnswer> &answers);
    void planFileName(const QString &fileName);
    int pendingAnswers() const { return int(m_answers.size()); }
    int pendingFileNames() const { return int(m_fileNames.size()); }

    // Called at each prompt while it is "open", e.g. to look at a window's state then.
    void setOnPrompt(std::function<void(const Record &)> hook) { m_onPrompt = std::move(hook); }

    const QList<Record> &records() const { return m_records; }
    int count() const { return int(m_records.size()); }
    int count(Kind kind) const;
    bool isEmpty() const { return m_records.isEmpty(); }
    // The last record; a default Record when there is none.
    Record last() const;
    QString lastText() const { return last().text; }
    QString lastCaption() const { return last().caption; }
    PromptIcon lastIcon() const { return last().icon; }
    // Texts of the message boxes and questions, in order.
    QStringList texts() const;
    int beeps() const { return count(Kind::Beep); }
    // Questions and file dialogs that got the default because nothing was planned.
    int defaulted() const;
    // Forgets the records (plans stay).
    void clear() { m_records.clear(); }
    // Forgets records and plans.
    void reset();

    void message(const QString &text, const QString &caption, PromptIcon icon) override;
    void messageWithDetails(const QString &text, const QString &caption, PromptIcon icon,
                            const QString &details) override;
    PromptAnswer question(const QString &text, const QString &caption,
                          PromptButtons buttons = PromptButtons::YesNo,
                          PromptIcon icon = PromptIcon::Question) override;
    QString openFileName(const QString &caption, const QString &filter,
                         const QString &directory = QString()) override;
    QString saveFileName(const QString &caption, const QString &filter,
                         const QString &directory = QString()) override;
    void beep() override;

private:
    QString fileDialog(Kind kind, const QString &caption, const QString &filter,
                       const QString &directory);
    void add(const Record &record);

    QList<Record> m_records;
    QQueue<PromptAnswer> m_answers;
    QQueue<QString> m_fileNames;
    std::function<void(const Record &)> m_onPrompt;
};

const char *toString(ScriptedPrompts::Kind kind);
const char *toString(PromptAnswer answer);
