#include "shell/SystemDialog.h"

#include "shell/Shell.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QThread>
#include <QWindow>

namespace {
constexpr int kExposeWaitMs = 250;
}

TSystemDialog::TSystemDialog(QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SystemDialog"));
    setWindowTitle(QStringLiteral("Pracuji, prosím čekejte ..."));
    setFixedSize(205, 31);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setGeometry(11, 7, 183, 17);
    ProgressBar->setTextVisible(false);
    ProgressBar->setRange(0, 3);
    ProgressBar->setValue(0);
    ProgressBar->hide();
}

void TSystemDialog::showOverPage()
{
    m_page = Shell::isInstalled() ? Shell::instance().currentPage() : nullptr;
    if (Shell::isInstalled())
        Shell::instance().actionStarts();
    if (m_page) {
        m_page->setEnabled(false);
        const QRect page = m_page->frameGeometry();
        move(page.left() + page.width() / 2 - width() / 2,
             page.top() + page.height() / 2 - height() / 2);
    }
    show();
    raise();
    // The exchange that follows blocks this thread, and a window paints only once the window
    // system has exposed it: wait for that, briefly, letting no user input through.
    // Real time on purpose: this waits for the window system, not for the device.
    QElapsedTimer waited;
    waited.start();
    while (!isExposed() && waited.elapsed() < kExposeWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!isExposed())
            QThread::msleep(1);
    }
    repaint();
}

bool TSystemDialog::isExposed() const
{
    const QWindow *window = windowHandle();
    return window && window->isExposed();
}

void TSystemDialog::closeOverPage()
{
    hide();
    if (Shell::isInstalled())
        Shell::instance().actionEnds();
    if (m_page && !keepPageDisabled)
        m_page->setEnabled(true);
    m_page = nullptr;
}

QWidget *TSystemDialog::page() const
{
    return m_page;
}

void TSystemDialog::setMaximum(int maximum)
{
    ProgressBar->setMaximum(maximum);
    ProgressBar->repaint();
}

void TSystemDialog::setPosition(int position)
{
    ProgressBar->setValue(position);
    ProgressBar->repaint();
}

int TSystemDialog::position() const
{
    return ProgressBar->value();
}

void TSystemDialog::setBarVisible(bool visible)
{
    ProgressBar->setVisible(visible);
    if (isVisible())
        repaint();
}

void TSystemDialog::reject()
{
    // Escape must not take the dialog away from under a running exchange.
}

void TSystemDialog::closeEvent(QCloseEvent *event)
{
    if (event->spontaneous())
        event->ignore();
    else
        QDialog::closeEvent(event);
}
