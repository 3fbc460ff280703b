#include "ScriptedPrompts.h"

#include <QtDebug>

namespace {

bool answerFits(PromptAnswer answer, PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
        return answer == PromptAnswer::Ok;
    case PromptButtons::YesNo:
        return answer == PromptAnswer::Yes || answer == PromptAnswer::No;
    case PromptButtons::YesNoCancel:
        return answer != PromptAnswer::Ok;
    }
    return false;
}

} // namespace

ScriptedPrompts::ScriptedPrompts(bool installNow)
{
    if (installNow)
        install();
}

ScriptedPrompts::~ScriptedPrompts()
{
    if (Prompts::installed() == this)
        Prompts::install(nullptr);
}

void ScriptedPrompts::install()
{
    Prompts::install(this);
}

void ScriptedPrompts::planAnswer(PromptAnswer answer)
{
    m_answers.enqueue(answer);
}

void ScriptedPrompts::planAnswers(const QList<PromptAnswer> &answers)
{
    for (PromptAnswer a : answers)
        m_answers.enqueue(a);
}

void ScriptedPrompts::planFileName(const QString &fileName)
{
    m_fileNames.enqueue(fileName);
}

int ScriptedPrompts::count(Kind kind) const
{
    int n = 0;
    for (const Record &r : m_records)
        n += r.kind == kind ? 1 : 0;
    return n;
}

ScriptedPrompts::Record ScriptedPrompts::last() const
{
    return m_records.isEmpty() ? Record() : m_records.constLast();
}

QStringList ScriptedPrompts::texts() const
{
    QStringList out;
    for (const Record &r : m_records) {
        if (r.kind == Kind::Message || r.kind == Kind::Question)
            out << r.text;
    }
    return out;
}

int ScriptedPrompts::defaulted() const
{
    int n = 0;
    for (const Record &r : m_records)
        n += r.defaulted ? 1 : 0;
    return n;
}

void ScriptedPrompts::reset()
{
    m_records.clear();
    m_answers.clear();
    m_fileNames.clear();
}

void ScriptedPrompts::add(const Record &record)
{
    m_records.append(record);
    if (m_onPrompt)
        m_onPrompt(record);
}

void ScriptedPrompts::message(const QString &text, const QString &caption, PromptIcon icon)
{
    Record r;
    r.kind = Kind::Message;
    r.text = text;
    r.caption = caption;
    r.icon = icon;
    r.buttons = PromptButtons::Ok;
    r.answer = PromptAnswer::Ok;
    add(r);
}

void ScriptedPrompts::messageWithDetails(const QString &text, const QString &caption,
                                         PromptIcon icon, const QString &details)
{
    Record r;
    r.kind = Kind::Message;
    r.text = text;
    r.caption = caption;
    r.icon = icon;
    r.buttons = PromptButtons::Ok;
    r.answer = PromptAnswer::Ok;
    r.details = details;
    add(r);
}

PromptAnswer ScriptedPrompts::question(const QString &text, const QString &caption,
                                       PromptButtons buttons, PromptIcon icon)
{
    Record r;
    r.kind = Kind::Question;
    r.text = text;
    r.caption = caption;
    r.icon = icon;
    r.buttons = buttons;
    if (m_answers.isEmpty()) {
        r.answer = buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Yes;
        r.defaulted = true;
    } else {
        r.answer = m_answers.dequeue();
        // A plan that no user could click (Cancel on a Yes/No box) hides a wrong test.
        if (!answerFits(r.answer, buttons))
            qWarning("ScriptedPrompts: planned answer %s is not a button of question \"%s\"",
                     toString(r.answer), qPrintable(text));
    }
    add(r);
    return r.answer;
}

QString ScriptedPrompts::fileDialog(Kind kind, const QString &caption, const QString &filter,
                                    const QString &directory)
{
    Record r;
    r.kind = kind;
    r.caption = caption;
    r.filter = filter;
    r.directory = directory;
    if (m_fileNames.isEmpty())
        r.defaulted = true;
    else
        r.fileName = m_fileNames.dequeue();
    add(r);
    return r.fileName;
}

QString ScriptedPrompts::openFileName(const QString &caption, const QString &filter,
                                      const QString &directory)
{
    return fileDialog(Kind::OpenFile, caption, filter, directory);
}

QString ScriptedPrompts::saveFileName(const QString &caption, const QString &filter,
                                      const QString &directory)
{
    return fileDialog(Kind::SaveFile, caption, filter, directory);
}

void ScriptedPrompts::beep()
{
    Record r;
    r.kind = Kind::Beep;
    add(r);
}

const char *toString(ScriptedPrompts::Kind kind)
{
    switch (kind) {
    case ScriptedPrompts::Kind::Message:
        return "Message";
    case ScriptedPrompts::Kind::Question:
        return "Question";
    case ScriptedPrompts::Kind::OpenFile:
        return "OpenFile";
    case ScriptedPrompts::Kind::SaveFile:
        return "SaveFile";
    case ScriptedPrompts::Kind::Beep:
        return "Beep";
    }
    return "?";
}

const char *toString(PromptAnswer answer)
{
    switch (answer) {
    case PromptAnswer::Ok:
        return "Ok";
    case PromptAnswer::Yes:
        return "Yes";
    case PromptAnswer::No:
        return "No";
    case PromptAnswer::Cancel:
        return "Cancel";
    }
    return "?";
}
