// The page's window around its form (PageChrome.h): menus, status bar and marker, hints,
// minimising.

#include "pages/framework/PageChrome.h"

#include "link/Messages.h"
#include "pages/framework/RecordMenu.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"
#include "platform/Profile.h"
#include "shell/Identification.h"
#include "shell/Shell.h"

#include <QAction>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolTip>

namespace {

const char kChanged[] = "Změněno";

} // namespace

PageChrome::PageChrome(TComponentForm &page) : m_page(page)
{
    buildMenus();
    buildStatusBar();
}

// --- menus and status bar ---

void PageChrome::buildMenus()
{
    auto item = [](QMenu *menu, const char *name, const QString &caption,
                   const QKeySequence &key = QKeySequence()) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        return a;
    };
    QMenuBar *bar = m_page.menuBar();
    bar->setObjectName(QStringLiteral("mainMenu"));
    QMenu *file = bar->addMenu(QStringLiteral("&Soubor"));
    file->setObjectName(QStringLiteral("mmFile"));
    QObject::connect(item(file, "mmLoadConfiguration", QStringLiteral("Načíst konfiguraci"),
                          QKeySequence(Qt::CTRL | Qt::Key_O)),
                     &QAction::triggered, &m_page, [this] { m_page.mmLoadConfigurationClick(); });
    QObject::connect(item(file, "mmSaveConfigure", QStringLiteral("Uložit konfiguraci"),
                          QKeySequence(Qt::CTRL | Qt::Key_S)),
                     &QAction::triggered, &m_page, [this] { m_page.mmSaveConfigureClick(); });
    file->addSeparator();
    addRecordItems(m_page, *file);
    file->addSeparator();
    QObject::connect(
        item(file, "mmClose", QStringLiteral("Zavřít"), QKeySequence(Qt::CTRL | Qt::Key_Z)),
        &QAction::triggered, &m_page, [this] { m_page.mmCloseClick(); });

    if (m_page.traits().liveWindow) {
        QMenu *options = bar->addMenu(QStringLiteral("M&ožnosti"));
        options->setObjectName(QStringLiteral("mmOptions"));
        QMenu *getting = options->addMenu(QStringLiteral("Načítání provozních dat"));
        getting->setObjectName(QStringLiteral("mmGettingData"));
        m_mmLoadExtra = item(getting, "mmLoadExtra", QStringLiteral("Zobrazit"));
        m_mmLoadExtra->setCheckable(true);
        QObject::connect(m_mmLoadExtra, &QAction::triggered, &m_page, [this] {
            // The check follows the window, not the click.
            m_mmLoadExtra->setChecked(m_page.liveWindow() != nullptr);
            if (m_page.liveWindow())
                m_page.closeLiveWindow();
            else
                m_page.openLiveWindow();
        });
        getting->addSeparator();
        m_mmOpenAfterStart =
            item(getting, "mmOpenAfterStart", QStringLiteral("Zobrazovat při spuštění"));
        m_mmOpenAfterStart->setCheckable(true);
        QObject::connect(m_mmOpenAfterStart, &QAction::triggered, &m_page, [this] {
            Profile(workingFile(QStringLiteral("windowPosition.ini")))
                .writeBool(m_page.traits().liveSection(), QStringLiteral("AfterStart"),
                           m_mmOpenAfterStart->isChecked());
        });
    }

    QMenu *tools = bar->addMenu(QStringLiteral("N&astavení"));
    tools->setObjectName(QStringLiteral("mmTools"));
    // No shortcut: Ctrl+S belongs to "Uložit konfiguraci".
    QObject::connect(item(tools, "mmSerial", QStringLiteral("Sériový přenos")), &QAction::triggered,
                     &m_page, [this] { m_page.mmSerialClick(); });
    QObject::connect(item(tools, "mmChooseComponent", QStringLiteral("Výběr komponenty"),
                          QKeySequence(Qt::CTRL | Qt::Key_K)),
                     &QAction::triggered, &m_page, [this] { m_page.mmChooseComponentClick(); });
    tools->addSeparator();
    m_mmShowHint = item(tools, "mmShowHint", QStringLiteral("Zobrazovat plovoucí nápovědu"));
    m_mmShowHint->setCheckable(true);
    m_mmShowHint->setChecked(true);
    QObject::connect(m_mmShowHint, &QAction::triggered, &m_page, [this] {
        const bool on = m_mmShowHint->isChecked();
        m_page.showStatusMessage(message(on ? 18 : 17));
        m_page.markChanged(true);
    });

    tools->addSeparator();
    QObject::connect(item(tools, "mmTrafficMonitor", QStringLiteral("Monitor komunikace")),
                     &QAction::triggered, &m_page, [this] { m_page.shell().showTrafficMonitor(); });

    QMenu *help = bar->addMenu(QStringLiteral("&Nápověda"));
    help->setObjectName(QStringLiteral("mmHelp"));
    QObject::connect(item(help, "mmAbout", QStringLiteral("O aplikaci")), &QAction::triggered,
                     &m_page, [this] { m_page.mmAboutClick(); });
}

void PageChrome::buildStatusBar()
{
    QStatusBar *bar = m_page.statusBar();
    bar->setObjectName(m_page.traits().isNewer()
                           ? QStringLiteral("statusBar")
                           : m_page.traits().controlPrefix() + QStringLiteral("StatusBar"));
    bar->setToolTip(QStringLiteral("Stavový řádek"));
    bar->setSizeGripEnabled(false);
    const QString initial[4] = {QStringLiteral("Název:"), QString(), QString(),
                                QStringLiteral("Firmware:")};
    for (int i = 0; i < 4; ++i) {
        auto *panel = new QLabel(initial[i], bar);
        panel->setObjectName(QStringLiteral("statusPanel%1").arg(i));
        panel->setAlignment(Qt::AlignCenter);
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        const int w = m_page.traits().panelWidths[i];
        if (i == 2) {
            // The message panel takes what the others leave and never pushes them out.
            panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            panel->setMinimumWidth(w > 0 ? std::min(w, 200) : 120);
            bar->addWidget(panel, 1);
        } else {
            // The documented width, grown where this font needs more ("Firmware: 115").
            panel->setMinimumWidth(w);
            panel->setMargin(2);
            bar->addWidget(panel);
        }
        m_panels[i] = panel;
    }
    // Room at the right edge, so the last panel's text and frame are not cut.
    auto *edge = new QWidget(bar);
    edge->setFixedWidth(6);
    bar->addWidget(edge);
    m_statusTimer = new QTimer(&m_page);
    m_statusTimer->setObjectName(m_page.traits().isNewer() ? QStringLiteral("timerStatusBar")
                                                           : m_page.traits().controlPrefix() +
                                                                 QStringLiteral("TimerStatusBar"));
    m_statusTimer->setInterval(2000);
    QObject::connect(m_statusTimer, &QTimer::timeout, &m_page, [this] {
        m_statusTimer->stop();
        m_panels[2]->clear();
    });
}

// --- status bar and marker ---

void PageChrome::markChanged(bool changed)
{
    m_panels[1]->setText(changed ? QString::fromUtf8(kChanged) : QString());
}

bool PageChrome::isChanged() const
{
    return m_panels[1]->text() == QString::fromUtf8(kChanged);
}

void PageChrome::showDeviceName(const QString &identification)
{
    m_panels[0]->setText(QStringLiteral("Název: ") + identificationName(identification));
}

void PageChrome::showFirmware(const QString &text)
{
    m_panels[3]->setText(QStringLiteral("Firmware: ") + text);
}

void PageChrome::showStatusMessage(const QString &text)
{
    m_panels[2]->setText(text);
    m_statusTimer->stop();
    m_statusTimer->start();
}

QString PageChrome::panelText(int panel) const
{
    return panel >= 0 && panel < 4 ? m_panels[panel]->text() : QString();
}

bool PageChrome::hintsOn() const
{
    return m_mmShowHint->isChecked();
}

void PageChrome::setHintsOn(bool on)
{
    m_mmShowHint->setChecked(on);
}

// --- minimising and hints ---

void PageChrome::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange) {
        if (m_page.windowState() & Qt::WindowMinimized) {
            if (!m_minimised) {
                if (m_page.liveWindow())
                    m_page.hideLiveWindow();
                m_minimised = true;
            }
        } else if (m_minimised) {
            m_minimised = false;
            if (TExtraForm *live = m_page.liveWindow())
                live->showAgain();
        }
    } else if (event->type() == QEvent::ActivationChange && m_page.isActiveWindow() &&
               m_minimised && !(m_page.windowState() & Qt::WindowMinimized)) {
        m_minimised = false;
        if (TExtraForm *live = m_page.liveWindow())
            live->showAgain();
    }
}

bool PageChrome::isPageWindow(const QWidget *window) const
{
    if (!window)
        return false;
    if (window == &m_page || (m_page.testWindow() && window == m_page.testWindow()))
        return true;
    for (const QWidget *p = window->parentWidget(); p; p = p->parentWidget())
        if (p == &m_page)
            return true;
    return false;
}

bool PageChrome::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == &m_page) {
        // The menu's shortcuts come before the fields' own keys (Ctrl+Z is not an undo
        // in a field, Ctrl+K not a delete to the end of the line).
        const QKeySequence pressed(static_cast<QKeyEvent *>(event)->keyCombination());
        for (const QAction *a : m_page.menuBar()->findChildren<QAction *>()) {
            if (a->isEnabled() && !a->shortcut().isEmpty() && a->shortcut() == pressed) {
                event->ignore();
                return true;
            }
        }
    }
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        isPageWindow(static_cast<QWidget *>(watched)->window())) {
        // Alt with a character is a shortcut, never text: the shortcut of a disabled button
        // (one a countdown holds) must not type its letter into the field with the focus.
        // An enabled button's shortcut never arrives here: it is taken before the key.
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers mods = key->modifiers();
        if ((mods & Qt::AltModifier) && !(mods & Qt::ControlModifier) && !key->text().isEmpty())
            return true;
    }
    if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
        auto *w = static_cast<QWidget *>(watched);
        // The hide pause is the application's: the hints of the page's own windows (live
        // window, test windows) stay as long, but only the page's hints follow mmShowHint.
        const bool ownWindow = w->window() == &m_page;
        if (isPageWindow(w->window())) {
            if (ownWindow && !hintsOn())
                return true;
            QWidget *owner = w;
            while (owner && owner->toolTip().isEmpty() && !owner->isWindow())
                owner = owner->parentWidget();
            if (owner && !owner->toolTip().isEmpty()) {
                auto *help = static_cast<QHelpEvent *>(event);
                QToolTip::showText(help->globalPos(), owner->toolTip(), owner, QRect(), 12000);
                return true;
            }
        }
    }
    return false;
}
