#include "pages/framework/TComponentForm.h"

#include "link/Messages.h"
#include "pages/framework/NumberText.h"
#include "pages/framework/RecordMenu.h"
#include "pages/framework/TExtraForm.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "platform/Prompts.h"
#include "shell/Identification.h"
#include "shell/Mnemonics.h"
#include "shell/Shell.h"
#include "shell/SystemDialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

const char kChanged[] = "Změněno";

void markGroupRed(TRadioGroup *group, bool red)
{
    group->setStyleSheet(red ? QStringLiteral("QGroupBox { color: red }") : QString());
    group->setProperty("invalidMark", red);
}

} // namespace

// --- PageTraits ---

PageTraits PageTraits::classic(const QString &formName, const QString &caption,
                               const QStringList &models)
{
    PageTraits t;
    t.generation = Generation::Classic;
    t.formName = formName;
    t.caption = caption;
    for (const auto &m : models)
        t.models << exchange::padded(m);
    return t;
}

PageTraits PageTraits::newer(const QString &formName, const QString &caption,
                             const QStringList &models)
{
    PageTraits t = classic(formName, caption, models);
    t.generation = Generation::Newer;
    t.panelWidths[0] = 140;
    t.panelWidths[1] = 60;
    t.panelWidths[2] = 0; // takes the rest of the bar
    t.panelWidths[3] = 80;
    t.verifyDelayMs = 0;
    return t;
}

PageTraits &PageTraits::sections(const QString &config, const QString &position,
                                 const QString &live)
{
    configSection = config;
    positionSection = position;
    liveSectionName = live;
    return *this;
}

QString PageTraits::configurationSection() const
{
    return configSection.isEmpty() ? formName : configSection;
}

QString PageTraits::windowSection() const
{
    return positionSection.isEmpty() ? formName : positionSection;
}

QString PageTraits::liveSection() const
{
    return liveSectionName.isEmpty()
               ? QStringLiteral("c") + pageNumber() + QStringLiteral("extraForm")
               : liveSectionName;
}

// --- construction ---

TComponentForm::TComponentForm(const PageTraits &traits, QWidget *parent)
    : QMainWindow(parent), m_traits(traits), m_transmit(Shell::instance())
{
    setObjectName(traits.formName);
    setWindowTitle(traits.caption);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);

    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(8, 8, 8, 4);
    m_body = new QWidget(central);
    auto *bodyLayout = new QVBoxLayout(m_body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(6);
    m_across = new QVBoxLayout;
    m_across->setSpacing(6);
    bodyLayout->addLayout(m_across);
    m_columns = new QHBoxLayout;
    bodyLayout->addLayout(m_columns, 1);
    outer->addWidget(m_body, 1);
    m_actions = new QHBoxLayout;
    m_actions->addStretch(1);
    const bool newer = traits.isNewer();
    const QString prefix = traits.controlPrefix();
    m_getButton = new QPushButton(QStringLiteral("&Načíst data"), central);
    m_getButton->setObjectName(newer ? QStringLiteral("getButton") : prefix + "GetButton");
    m_getButton->setToolTip(
        QStringLiteral("Načte aktuální nastavenou konfiguraci z paměti přístroje."));
    m_sendButton = new QPushButton(QStringLiteral("&Uložit data"), central);
    m_sendButton->setObjectName(newer ? QStringLiteral("sendButton") : prefix + "SendButton");
    m_sendButton->setToolTip(QStringLiteral("Uloží do paměti přístroje nastavenou konfiguraci."));
    m_getButton->setMinimumWidth(120);
    m_sendButton->setMinimumWidth(120);
    m_actions->addWidget(m_getButton);
    m_actions->addWidget(m_sendButton);
    outer->addLayout(m_actions);
    setCentralWidget(central);
    connect(m_getButton, &QPushButton::clicked, this, [this] { getButtonClick(); });
    connect(m_sendButton, &QPushButton::clicked, this, [this] { sendButtonClick(); });

    buildMenus();
    buildStatusBar();
    // "&Načíst data" and the menu "&Nápověda" share Alt+N: the button has it.
    new MnemonicPriority(*this);

    m_loadTimer = new QTimer(this);
    m_loadTimer->setObjectName(newer ? QStringLiteral("loadDataAfterStartTimer")
                                     : QStringLiteral("cLoadDataAfterStartTimer"));
    m_loadTimer->setInterval(1);
    m_loadTimer->setSingleShot(true);
    connect(m_loadTimer, &QTimer::timeout, this, [this] {
        m_loadTimer->stop();
        getButtonClick();
    });
    if (Shell::isInstalled() && Shell::instance().loadDataAfterStart())
        m_loadTimer->start();

    m_idleRetry = new QTimer(this);
    m_idleRetry->setSingleShot(true);
    m_idleRetry->setInterval(10);
    connect(m_idleRetry, &QTimer::timeout, this, [this] { runIdleCalls(); });

    // Floating hints: 12000 ms, and off with mmShowHint.
    qApp->installEventFilter(this);
}

TComponentForm::~TComponentForm()
{
    if (m_live)
        m_live->shutdown(false);
    delete m_live.data();
    delete m_testWindow.data();
}

Shell &TComponentForm::shell() const
{
    return Shell::instance();
}

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

void TComponentForm::finishCreate()
{
    if (m_created)
        return;
    m_created = true;
    adjustSize();
    setFixedSize(sizeHint().expandedTo(minimumSizeHint()));
    loadWindowPosition();
    if (m_traits.liveWindow) {
        const Profile positions(workingFile(QStringLiteral("windowPosition.ini")));
        m_mmOpenAfterStart->setChecked(
            positions.readBool(m_traits.liveSection(), QStringLiteral("AfterStart"), false));
        if (m_mmOpenAfterStart->isChecked())
            openLiveWindow();
    }
    markChanged(false);
}

void TComponentForm::showEvent(QShowEvent *event)
{
    finishCreate();
    QMainWindow::showEvent(event);
}

// --- page operations ---

void TComponentForm::destroyPage()
{
    deleteLater();
}

void TComponentForm::commitPendingEdit()
{
    if (m_lastEdited)
        fieldExit(*m_lastEdited);
}

void TComponentForm::clearInvalidMarks()
{
    for (auto &r : m_required) {
        if (r.marker) {
            r.marker->setStyleSheet(QString());
            r.marker->setProperty("invalidMark", false);
        }
    }
    for (TRadioGroup *g : m_requiredGroups)
        markGroupRed(g, false);
}

bool TComponentForm::validateSelections()
{
    bool ok = true;
    for (auto &r : m_required) {
        if (r.combo->currentIndex() < 0) {
            ok = false;
            if (r.marker) {
                r.marker->setStyleSheet(QStringLiteral("color: red"));
                r.marker->setProperty("invalidMark", true);
            }
        }
    }
    for (TRadioGroup *g : m_requiredGroups) {
        if (g->itemIndex() < 0) {
            ok = false;
            markGroupRed(g, true);
        }
    }
    return ok;
}

void TComponentForm::required(TRadioGroup &group)
{
    m_requiredGroups.push_back(&group);
    // Choosing an item takes the mark away at once, as a list's choice does its label's.
    connect(&group, &TRadioGroup::clicked, this, [g = &group](int index) {
        if (index >= 0)
            markGroupRed(g, false);
    });
}

void TComponentForm::intPlusMaskEditExit(TNumericField &field)
{
    field.acceptText();
}

void TComponentForm::flMinusMaskEditExit(TNumericField &field)
{
    field.acceptText();
}

void TComponentForm::flPlusMaskEditExit(TNumericField &field)
{
    field.acceptText();
}

void TComponentForm::fieldEdited(TNumericField &field)
{
    m_lastEdited = &field;
}

void TComponentForm::fieldExit(TNumericField &field)
{
    // A rejected entry is no pending edit any more: its fallback text must not count as
    // an accepted value (the invalid-input flag stays until a field accepts a value).
    struct Consumed {
        TComponentForm *page;
        TNumericField *field;
        ~Consumed()
        {
            if (page->m_invalidInput && page->m_lastEdited == field)
                page->m_lastEdited = nullptr;
        }
    } consumed{this, &field};
    switch (field.kind()) {
    case FieldKind::Whole:
        intPlusMaskEditExit(field);
        break;
    case FieldKind::SignedDecimal:
        flMinusMaskEditExit(field);
        break;
    case FieldKind::UnsignedDecimal:
        flPlusMaskEditExit(field);
        break;
    }
}

// --- documented handlers by sender ---

TNumericField *TComponentForm::fieldOf(QObject *sender) const
{
    for (const auto &f : m_fields)
        if (sender == f->edit() || sender == f->bar() || sender == f.get())
            return f.get();
    return nullptr;
}

void TComponentForm::exitOf(QObject *sender)
{
    if (TNumericField *f = fieldOf(sender))
        fieldExit(*f);
}

bool TComponentForm::keyPressOf(QObject *sender, QChar key)
{
    TNumericField *f = fieldOf(sender);
    if (!f)
        return false;
    fieldEdited(*f);
    if (key == QLatin1Char('\r') || key == QLatin1Char('\n')) {
        fieldExit(*f);
        f->edit()->selectAll();
        f->edit()->setFocus();
        return false;
    }
    if (key == QChar(8))
        return true;
    const bool accepted = f->keyAccepted(key);
    if (!accepted)
        Prompts::instance().beep();
    return accepted;
}

void TComponentForm::scrollOf(QObject *sender)
{
    if (TNumericField *f = fieldOf(sender))
        f->barChanged();
}

void TComponentForm::changeOf(QObject *sender)
{
    if (auto *combo = qobject_cast<QComboBox *>(sender))
        if (QLabel *label = labelOf(combo))
            label->setStyleSheet(QString());
    markChanged(true);
}

void TComponentForm::setInvalidInput(bool invalid)
{
    m_invalidInput = invalid;
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

// --- live window ---

TExtraForm *TComponentForm::liveWindow() const
{
    return m_live;
}

void TComponentForm::openLiveWindow()
{
    if (!m_traits.liveWindow || m_live)
        return;
    m_mmLoadExtra->setChecked(true);
    showStatusMessage(message(26));
    TExtraForm *window = createLiveWindow();
    if (!window) {
        m_mmLoadExtra->setChecked(false);
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
    if (m_mmLoadExtra)
        m_mmLoadExtra->setChecked(false);
    showStatusMessage(message(27));
}

// --- handlers ---

void TComponentForm::getButtonClick()
{
    if (testActive())
        return;
    if (m_live && m_live->reader() && m_live->reader()->isRunning())
        m_live->reader()->handOver(1);
    else
        readAll();
}

void TComponentForm::sendButtonClick()
{
    if (testActive())
        return;
    if (m_live && m_live->reader() && m_live->reader()->isRunning())
        m_live->reader()->handOver(2);
    else
        writeAll();
}

void TComponentForm::mmShowHintClick()
{
    m_mmShowHint->trigger();
}

void TComponentForm::mmOpenAfterStartClick()
{
    if (m_mmOpenAfterStart)
        m_mmOpenAfterStart->trigger();
}

void TComponentForm::mmLoadExtraClick()
{
    if (m_mmLoadExtra)
        m_mmLoadExtra->trigger();
}

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
        deferClose();
        return;
    }
    if (m_testWindow) {
        // The test window puts the module's settings back as it closes; the page follows.
        event->ignore();
        m_testWindow->close();
        if (!m_testWindow)
            deferClose();
        return;
    }
    // A Get or Send handed to the reader runs while the page is still there, its boxes over
    // it, and its result is part of what the close question asks about.
    if (commandsQueued()) {
        event->ignore();
        deferClose();
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

void TComponentForm::deferClose()
{
    if (m_closeDeferred)
        return;
    m_closeDeferred = true;
    whenIdle(
        [this] {
            m_closeDeferred = false;
            close();
        },
        true);
}

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
    if (window == this || (m_testWindow && window == m_testWindow))
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
