// Closing a page and its live window. A close asked for while the page is busy (an
// operation, a queued reader command, an open test window) waits for it (PageBusy), then
// asks about unsaved changes, hands control back to the main window and releases the page.

#include "link/Messages.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"
#include "platform/Prompts.h"
#include "shell/Shell.h"

#include <QAction>
#include <QCloseEvent>

// --- live window ---

TExtraForm *TComponentForm::liveWindow() const
{
    return m_live;
}

void TComponentForm::openLiveWindow()
{
    if (!m_traits.liveWindow || m_live)
        return;
    m_chrome->loadExtraItem()->setChecked(true);
    showStatusMessage(message(26));
    TExtraForm *window = createLiveWindow();
    if (!window) {
        m_chrome->loadExtraItem()->setChecked(false);
        return;
    }
    m_live = window;
    window->placeAtPage();
    window->show();
    window->startReading();
}

void TComponentForm::closeLiveWindow()
{
    if (m_live)
        m_live->shutdown(true);
}

void TComponentForm::hideLiveWindow()
{
    if (!m_live)
        return;
    if (m_live->reader() && m_live->reader()->isRunning())
        m_live->reader()->handOver(5);
    else
        m_live->hide();
}

void TComponentForm::liveWindowGone(TExtraForm *window)
{
    if (m_live == window)
        m_live = nullptr;
    if (QAction *item = m_chrome->loadExtraItem())
        item->setChecked(false);
    showStatusMessage(message(27));
}

// --- closing ---

void TComponentForm::mmSerialClick()
{
    // Control goes back when the page really closes, after what it still has to finish.
    m_handBack = [this] { shell().openSerialSettings(); };
    close();
}

void TComponentForm::mmChooseComponentClick()
{
    m_handBack = [this] { shell().openComponentChoice(); };
    close();
}

void TComponentForm::mmAboutClick()
{
    shell().showAbout();
}

void TComponentForm::mmCloseClick()
{
    close();
}

void TComponentForm::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    // Nothing is deleted under a running operation: the close follows once it has ended.
    if (busy()) {
        event->ignore();
        closeWhenIdle(*this, true);
        return;
    }
    if (testWindow()) {
        // The test window puts the module's settings back as it closes; the page follows.
        event->ignore();
        testWindow()->close();
        if (!testWindow())
            closeWhenIdle(*this, true);
        return;
    }
    // A Get or Send handed to the reader runs while the page is still there, its boxes over
    // it, and its result is part of what the close question asks about.
    if (commandsQueued()) {
        event->ignore();
        closeWhenIdle(*this, true);
        return;
    }
    if (m_handBack) {
        const auto handBack = std::move(m_handBack);
        m_handBack = nullptr;
        handBack();
    }
    if (isChanged() &&
        Prompts::instance().question(
            QStringLiteral("Nastavení komponenty bylo změněno. Přejete si ho uložit?"),
            QStringLiteral("Uložit"), PromptButtons::YesNo,
            PromptIcon::Question) == PromptAnswer::Yes)
        mmSaveConfigureClick();
    m_closing = true;
    if (Shell::isInstalled())
        shell().pageClosed();
    saveWindowPosition();
    closeLiveWindow();
    event->accept();
    destroyPage();
}
