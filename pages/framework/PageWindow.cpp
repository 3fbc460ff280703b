// The page as a window: its menus, the status bar with the change marker, floating hints
// and minimising (the live window hides and comes back with the page).

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

// --- menus and status bar ---

void TComponentForm::buildMenus()
{
    auto item = [](QMenu *menu, const char *name, const QString &caption,
                       const QKeySequence &key = QKeySequence()) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        return a;
    };
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("mainMenu"));
    QMenu *file = bar->addMenu(QStringLiteral("&Soubor"));
    file->setObjectName(QStringLiteral("mmFile"));
    connect(item(file, "mmLoadConfiguration", QStringLiteral("Načíst konfiguraci"),
                 QKeySequence(Qt::CTRL | Qt::Key_O)),
            &QAction::triggered, this, [this] { mmLoadConfigurationClick(); });
    connect(item(file, "mmSaveConfigure", QStringLiteral("Uložit konfiguraci"),
                 QKeySequence(Qt::CTRL | Qt::Key_S)),
            &QAction::triggered, this, [this] { mmSaveConfigureClick(); });
    file->addSeparator();
    addRecordItems(*this, *file);
    file->addSeparator();
    connect(item(file, "mmClose", QStringLiteral("Zavřít"), QKeySequence(Qt::CTRL | Qt::Key_Z)),
            &QAction::triggered, this, [this] { mmCloseClick(); });

    if (m_traits.liveWindow) {
        QMenu *options = bar->addMenu(QStringLiteral("M&ožnosti"));
        options->setObjectName(QStringLiteral("mmOptions"));
        QMenu *getting = options->addMenu(QStringLiteral("Načítání provozních dat"));
        getting->setObjectName(QStringLiteral("mmGettingData"));
        m_mmLoadExtra = item(getting, "mmLoadExtra", QStringLiteral("Zobrazit"));
        m_mmLoadExtra->setCheckable(true);
        connect(m_mmLoadExtra, &QAction::triggered, this, [this] {
            // The check follows the window, not the click.
            m_mmLoadExtra->setChecked(m_live != nullptr);
            if (m_live)
                closeLiveWindow();
            else
                openLiveWindow();
        });
        getting->addSeparator();
        m_mmOpenAfterStart =
            item(getting, "mmOpenAfterStart", QStringLiteral("Zobrazovat při spuštění"));
        m_mmOpenAfterStart->setCheckable(true);
        connect(m_mmOpenAfterStart, &QAction::triggered, this, [this] {
            Profile(workingFile(QStringLiteral("windowPosition.ini")))
                .writeBool(m_traits.liveSection(), QStringLiteral("AfterStart"),
                           m_mmOpenAfterStart->isChecked());
        });
    }

    QMenu *tools = bar->addMenu(QStringLiteral("N&astavení"));
    tools->setObjectName(QStringLiteral("mmTools"));
    // No shortcut: Ctrl+S belongs to "Uložit konfiguraci".
    connect(item(tools, "mmSerial", QStringLiteral("Sériový přenos")), &QAction::triggered, this,
            [this] { mmSerialClick(); });
    connect(item(tools, "mmChooseComponent", QStringLiteral("Výběr komponenty"),
                 QKeySequence(Qt::CTRL | Qt::Key_K)),
            &QAction::triggered, this, [this] { mmChooseComponentClick(); });
    tools->addSeparator();
    m_mmShowHint = item(tools, "mmShowHint", QStringLiteral("Zobrazovat plovoucí nápovědu"));
    m_mmShowHint->setCheckable(true);
    m_mmShowHint->setChecked(true);
    connect(m_mmShowHint, &QAction::triggered, this, [this] {
        const bool on = m_mmShowHint->isChecked();
        showStatusMessage(message(on ? 18 : 17));
        markChanged(true);
    });

    tools->addSeparator();
    connect(item(tools, "mmTrafficMonitor", QStringLiteral("Monitor komunikace")),
            &QAction::triggered, this, [this] { shell().showTrafficMonitor(); });

    QMenu *help = bar->addMenu(QStringLiteral("&Nápověda"));
    help->setObjectName(QStringLiteral("mmHelp"));
    connect(item(help, "mmAbout", QStringLiteral("O aplikaci")), &QAction::triggered, this,
            [this] { mmAboutClick(); });
}

void TComponentForm::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(m_traits.isNewer() ? QStringLiteral("statusBar")
                                          : m_traits.controlPrefix() +
                                                QStringLiteral("StatusBar"));
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
        const int w = m_traits.panelWidths[i];
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
    m_statusTimer = new QTimer(this);
    m_statusTimer->setObjectName(m_traits.isNewer() ? QStringLiteral("timerStatusBar")
                                                    : m_traits.controlPrefix() +
                                                          QStringLiteral("TimerStatusBar"));
    m_statusTimer->setInterval(2000);
    connect(m_statusTimer, &QTimer::timeout, this, [this] {
        m_statusTimer->stop();
        m_panels[2]->clear();
    });
}

// --- status bar and marker ---

void TComponentForm::markChanged(bool changed)
{
    m_panels[1]->setText(changed ? QString::fromUtf8(kChanged) : QString());
}

bool TComponentForm::isChanged() const
{
    return m_panels[1]->text() == QString::fromUtf8(kChanged);
}

void TComponentForm::showDeviceName(const QString &identification)
{
    m_deviceIdentification = identification;
    m_panels[0]->setText(QStringLiteral("Název: ") + identificationName(identification));
}

void TComponentForm::showFirmware(const QString &text)
{
    m_deviceFirmware = text;
    m_panels[3]->setText(QStringLiteral("Firmware: ") + text);
}

void TComponentForm::showStatusMessage(const QString &text)
{
    m_panels[2]->setText(text);
    m_statusTimer->stop();
    m_statusTimer->start();
}

QString TComponentForm::panelText(int panel) const
{
    return panel >= 0 && panel < 4 ? m_panels[panel]->text() : QString();
}

bool TComponentForm::hintsOn() const
{
    return m_mmShowHint->isChecked();
}

QAction *TComponentForm::menuItem(const QString &name) const
{
    return findChild<QAction *>(name);
}

// --- minimising and hints ---

void TComponentForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange) {
        if (windowState() & Qt::WindowMinimized) {
            if (!m_minimised) {
                if (m_live)
                    hideLiveWindow();
                m_minimised = true;
            }
        } else if (m_minimised) {
            m_minimised = false;
            if (m_live)
                m_live->showAgain();
        }
    } else if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_minimised &&
               !(windowState() & Qt::WindowMinimized)) {
        m_minimised = false;
        if (m_live)
            m_live->showAgain();
    }
    QMainWindow::changeEvent(event);
}

bool TComponentForm::isPageWindow(const QWidget *window) const
{
    if (!window)
        return false;
    if (window == this || (testWindow() && window == testWindow()))
        return true;
    for (const QWidget *p = window->parentWidget(); p; p = p->parentWidget())
        if (p == this)
            return true;
    return false;
}

bool TComponentForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this) {
        // The menu's shortcuts come before the fields' own keys (Ctrl+Z is not an undo
        // in a field, Ctrl+K not a delete to the end of the line).
        const QKeySequence pressed(static_cast<QKeyEvent *>(event)->keyCombination());
        for (const QAction *a : menuBar()->findChildren<QAction *>()) {
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
        const bool ownWindow = w->window() == this;
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
    return QMainWindow::eventFilter(watched, event);
}
