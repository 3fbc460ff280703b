#include "pages/framework/TestWindow.h"

#include "pages/framework/TComponentForm.h"
#include "shell/Shell.h"
#include "shell/SystemDialog.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

TTestWindow::TTestWindow(TComponentForm &page, const QString &formName, const QString &caption)
    : QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      m_pageWasChanged(page.isChanged()), m_page(page)
{
    setObjectName(formName);
    setWindowTitle(caption);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_body = new QWidget(this);
    outer->addWidget(m_body);
}

void TTestWindow::releasePage()
{
    if (Shell::isInstalled()) {
        TSystemDialog &dialog = Shell::instance().systemDialog();
        dialog.keepPageDisabled = false;
        if (dialog.isVisible())
            dialog.closeOverPage();
    }
    m_page.show();
    m_page.setEnabled(true);
    m_page.markChanged(m_pageWasChanged);
    m_page.repaint();
    if (m_page.testWindow() == this)
        m_page.setTestWindow(nullptr);
}

void TTestWindow::showEvent(QShowEvent *event)
{
    if (!m_placed) {
        m_placed = true;
        adjustSize();
        setFixedSize(sizeHint());
        QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
        const QRect area = s ? s->geometry() : QRect(0, 0, 1024, 768);
        move(area.width() / 2 - width() / 2, area.height() / 2 - height() / 2);
    }
    QWidget::showEvent(event);
}
