#include "pages/framework/InputTest.h"

#include "link/Messages.h"
#include "pages/framework/Exchanges.h"
#include "pages/framework/TComponentForm.h"
#include "platform/Prompts.h"

#include <QCloseEvent>
#include <QTimer>

// --- the poll ---

TInputTestPoll::TInputTestPoll(TInputTestForm &window) : TPoller(window), m_window(window) {}

void TInputTestPoll::run()
{
    while (!stopping()) {
        int error = 0;
        try {
            poll();
        } catch (const PageError &e) {
            error = e.error;
        } catch (const std::exception &) {
            error = ErrInternal;
        }
        if (error == 0)
            continue;
        requestStop();
        // The window decides on its own thread whether it still reports: it may be closing.
        onUiThread([this, error] { m_window.pollFailed(error); });
        return;
    }
}

void TInputTestPoll::show(const std::function<void()> &f)
{
    onUiThread([this, &f] {
        if (!m_window.stopping())
            f();
    });
}

// --- the window ---

TInputTestForm::TInputTestForm(TComponentForm &page, const QString &formName,
                               const QString &caption)
    : TTestWindow(page, formName, caption)
{
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, [this] {
        Timer1->stop();
        close();
    });
}

TInputTestForm::~TInputTestForm()
{
    // Never leave the thread running behind the window (the poll refers to it).
    m_stopping = true;
    if (m_poll)
        m_poll->stopAndJoin();
}

void TInputTestForm::start(TInputTestPoll *poll)
{
    m_poll.reset(poll);
    page().setTestWindow(this);
    page().setEnabled(false);
    m_poll->start(QThread::NormalPriority);
}

void TInputTestForm::pollFailed(int error)
{
    if (m_stopping)
        return;
    {
        // The page counts busy while the box is up: a close of the page or of this window
        // asked for meanwhile follows once it is answered.
        const TComponentForm::Operation reporting(page());
        m_reporting = true;
        Prompts::instance().message(message(error), QStringLiteral("Chyba"), PromptIcon::Error);
        m_reporting = false;
    }
    if (!m_stopping)
        Timer1->start();
}

void TInputTestForm::closeEvent(QCloseEvent *event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    // The poll waits for its message box to be answered; the close follows then.
    if (m_reporting) {
        event->ignore();
        page().closeWhenIdle(*this);
        return;
    }
    m_closed = true;
    m_stopping = true;
    Timer1->stop();
    if (m_poll)
        m_poll->stopAndJoin();
    releasePage();
    event->accept();
    deleteLater();
}
