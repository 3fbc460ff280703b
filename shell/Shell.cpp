#include "shell/Shell.h"

#include "link/Messages.h"
#include "link/PortDiagnosis.h"
#include "platform/Prompts.h"

#include <stdexcept>

namespace {
Shell *g_shell = nullptr;
}

Shell &Shell::instance()
{
    if (!g_shell)
        throw std::logic_error("no shell installed");
    return *g_shell;
}

bool Shell::isInstalled()
{
    return g_shell != nullptr;
}

void Shell::install(Shell *shell)
{
    g_shell = shell;
}

QString Shell::reportError(int error)
{
    const QString caption = QStringLiteral("Chyba");
    const int port = g_shell ? g_shell->portNumber() : 0;
    QString text = message(error);
    const QString note = g_shell ? g_shell->takeErrorNote() : QString();
    if (!note.isEmpty())
        text += QStringLiteral("\n\n") + note;
    if (error == ErrPortClosed && port > 0)
        Prompts::instance().messageWithDetails(text, caption, PromptIcon::Error,
                                               diagnosePort(port).details());
    else
        Prompts::instance().message(text, caption, PromptIcon::Error);
    return text;
}
