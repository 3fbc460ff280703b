#pragma once

#include <QString>

// Every message box, question, file dialog and beep goes through this seam.
enum class PromptIcon { None, Information, Warning, Error, Question };
enum class PromptButtons { Ok, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Yes, No, Cancel };

class Prompts
{
public:
    virtual ~Prompts() = default;

    // Modal message box with an OK button.
    virtual void message(const QString &text, const QString &caption, PromptIcon icon) = 0;
    // The same with details the user can unfold (why a port will not open); prompts that
    // have no such area show the message alone.
    virtual void messageWithDetails(const QString &text, const QString &caption, PromptIcon icon,
                                    const QString &details)
    {
        (void)details;
        message(text, caption, icon);
    }
    // Modal question; returns the button pressed.
    virtual PromptAnswer question(const QString &text, const QString &caption,
                                  PromptButtons buttons = PromptButtons::YesNo,
                                  PromptIcon icon = PromptIcon::Question) = 0;
    // File dialogs; an empty result means the user cancelled.
    virtual QString openFileName(const QString &caption, const QString &filter,
                                 const QString &directory = QString()) = 0;
    virtual QString saveFileName(const QString &caption, const QString &filter,
                                 const QString &directory = QString()) = 0;
    virtual void beep() = 0;

    // The installed prompts; install one before the first use. Without one, a program that
    // links the Qt prompts and runs a QApplication gets message boxes; anything else is a
    // programming error and aborts.
    static Prompts &instance();
    // Installs `prompts` (not owned); nullptr uninstalls.
    static void install(Prompts *prompts);
    // The installed prompts or nullptr; never falls back.
    static Prompts *installed();
    // The prompts instance() falls back to when a QApplication runs and nothing is installed.
    static void setFallback(Prompts *(*factory)());
};
