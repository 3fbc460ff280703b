#include "platform/Prompts.h"

#include <QCoreApplication>
#include <atomic>

namespace {
std::atomic<Prompts *> g_installed{nullptr};
std::atomic<Prompts *(*)()> g_fallback{nullptr};
} // namespace

Prompts &Prompts::instance()
{
    if (Prompts *prompts = g_installed.load())
        return *prompts;
    // Message boxes need widgets; a console or test program must install its own prompts.
    const QCoreApplication *app = QCoreApplication::instance();
    Prompts *(*factory)() = g_fallback.load();
    if (factory && app && app->inherits("QApplication")) {
        if (Prompts *prompts = factory())
            return *prompts;
    }
    qFatal("Prompts::instance(): no prompts installed; call Prompts::install() before the "
           "first message box (tests: install a ScriptedPrompts)");
}

void Prompts::install(Prompts *prompts)
{
    g_installed.store(prompts);
}

Prompts *Prompts::installed()
{
    return g_installed.load();
}

void Prompts::setFallback(Prompts *(*factory)())
{
    g_fallback.store(factory);
}
