#include "pages/framework/TestWindow.h"

#include "pages/framework/TComponentForm.h"
#include "shell/Shell.h"
#include "shell/SystemDialog.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

// --- the window ---

TTestWindow::TTestWindow(TComponentForm &page, const QString &formName, const QString &caption,
                         Placement placement)
    : QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      m_pageWasChanged(page.isChanged()), m_page(page), m_placement(placement)
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

bool TTestWindow::closeIconShown() const
{
    return windowFlags().testFlag(Qt::WindowCloseButtonHint);
}

void TTestWindow::setCloseIconShown(bool shown)
{
    if (closeIconShown() == shown)
        return;
    // New flags take a new native window, which starts hidden.
    const bool visible = isVisible();
    const QPoint at = pos();
    setWindowFlag(Qt::WindowCloseButtonHint, shown);
    if (visible) {
        move(at);
        show();
    }
}

void TTestWindow::showEvent(QShowEvent *event)
{
    if (!m_placed) {
        m_placed = true;
        adjustSize();
        setFixedSize(sizeHint());
        const QRect own = frameGeometry();
        const QRect page = m_page.frameGeometry();
        QRect area = page;
        if (m_placement == Placement::Screen) {
            // The screen the page is on, wherever that screen lies on the desktop.
            QScreen *s = QGuiApplication::screenAt(page.center());
            if (!s)
                s = m_page.screen();
            if (!s)
                s = QGuiApplication::primaryScreen();
            area = s ? s->geometry() : QRect(0, 0, 1024, 768);
        }
        move(area.left() + area.width() / 2 - own.width() / 2,
             area.top() + area.height() / 2 - own.height() / 2);
    }
    QWidget::showEvent(event);
}
