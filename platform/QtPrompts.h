#pragma once

#include "platform/Prompts.h"

// The prompts of the running program: Qt message boxes and file dialogs, parented to the
// active window so they stay on top of the page that asked.
//
// Filters are Qt's "Description (*.ini);;All (*)"; the Delphi form "Description|*.ini" is
// accepted too and converted.
class QtPrompts : public Prompts
{
public:
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

    // "Text|*.ini;*.cfg|All|*.*" -> "Text (*.ini *.cfg);;All (*.*)"; Qt filters pass unchanged.
    static QString qtFilter(const QString &filter);
    // "ini" for a filter whose first pattern is "*.ini"; empty when there is none.
    static QString defaultSuffix(const QString &filter);
};
