#include "shell/Shell.h"

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
