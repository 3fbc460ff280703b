// TComponentForm itself: construction, the page operations of the documented order that
// are not the device's (edits, selections), the handlers by sender, Get and Send. The rest
// lives beside it: PageClosing.cpp (live window, closing), and the collaborators
// DeviceOperations (device operations), TestGate (test windows), PageChrome (menus, status
// bar, hints, minimise), PageFiles (files), PageDeclarations (declarations), PageBusy.

#include "pages/framework/TComponentForm.h"

#include "pages/framework/TExtraForm.h"
#include "shell/Mnemonics.h"
#include "platform/Profile.h"
#include "platform/Prompts.h"
#include "shell/Shell.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

// --- construction ---

TComponentForm::TComponentForm(const PageTraits &traits, QWidget *parent)
    : QMainWindow(parent), m_traits(traits), m_transmit(Shell::instance()),
      m_files(std::make_unique<PageFiles>(*this)),
      m_device(std::make_unique<DeviceOperations>(*this)),
      m_tests(std::make_unique<TestGate>(*this))
{
    setObjectName(traits.formName);
    setWindowTitle(traits.caption);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);

    m_declarations = std::make_unique<PageDeclarations>(*this);
    QWidget *central = m_declarations->central();
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
    m_declarations->actions()->addWidget(m_getButton);
    m_declarations->actions()->addWidget(m_sendButton);
    setCentralWidget(central);
    connect(m_getButton, &QPushButton::clicked, this, [this] { getButtonClick(); });
    connect(m_sendButton, &QPushButton::clicked, this, [this] { sendButtonClick(); });

    m_chrome = std::make_unique<PageChrome>(*this);
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

    m_busy = new PageBusy(
        this, [this] { return commandsQueued(); },
        [this] {
            if (m_live && m_live->reader() && m_live->reader()->isPaused())
                m_live->reader()->resumeReader();
        });

    // Floating hints: 12000 ms, and off with mmShowHint.
    qApp->installEventFilter(this);
}

TComponentForm::~TComponentForm()
{
    if (m_live)
        m_live->shutdown(false);
    delete m_live.data();
    delete testWindow();
    // Gone before the children are: an Operation that ends after this sees no busy state.
    delete m_busy;
    m_busy = nullptr;
}

Shell &TComponentForm::shell() const
{
    return Shell::instance();
}

void TComponentForm::finishCreate()
{
    if (m_created)
        return;
    m_created = true;
    adjustSize();
    setFixedSize(sizeHint().expandedTo(minimumSizeHint()));
    orderTabs();
    loadWindowPosition();
    if (m_traits.liveWindow) {
        const Profile positions(workingFile(QStringLiteral("windowPosition.ini")));
        QAction *afterStart = m_chrome->openAfterStartItem();
        afterStart->setChecked(
            positions.readBool(m_traits.liveSection(), QStringLiteral("AfterStart"), false));
        if (afterStart->isChecked())
            openLiveWindow();
    }
    markChanged(false);
}

void TComponentForm::showEvent(QShowEvent *event)
{
    finishCreate();
    QMainWindow::showEvent(event);
}

void TComponentForm::changeEvent(QEvent *event)
{
    // The window's title and flags are set before the chrome is built.
    if (m_chrome)
        m_chrome->changeEvent(event);
    QMainWindow::changeEvent(event);
}

bool TComponentForm::eventFilter(QObject *watched, QEvent *event)
{
    return (m_chrome && m_chrome->eventFilter(watched, event)) ||
           QMainWindow::eventFilter(watched, event);
}

// --- what the status bar shows ---

void TComponentForm::showDeviceName(const QString &identification)
{
    m_deviceIdentification = identification;
    m_chrome->showDeviceName(identification);
}

void TComponentForm::showFirmware(const QString &text)
{
    m_deviceFirmware = text;
    m_chrome->showFirmware(text);
}

QAction *TComponentForm::menuItem(const QString &name) const
{
    return findChild<QAction *>(name);
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
    m_declarations->clearInvalidMarks();
}

bool TComponentForm::validateSelections()
{
    return m_declarations->validateSelections();
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

// --- operations in flight ---

TComponentForm::Operation::Operation(TComponentForm &page) : m_page(&page)
{
    page.m_busy->enter();
}

TComponentForm::Operation::~Operation()
{
    if (m_page && m_page->m_busy)
        m_page->m_busy->leave();
}

bool TComponentForm::busy() const
{
    return m_busy && m_busy->busy();
}

bool TComponentForm::commandsQueued() const
{
    const TFormThread *reader = m_live ? m_live->reader() : nullptr;
    return reader && reader->isRunning() && !reader->stopping() && reader->pendingCommands() > 0;
}

// --- handlers ---

namespace {

// The operation now, or handed to the running live reader; done hears the final Outcome.
// A running output test refuses it.
Outcome readOrWrite(bool testActive, TExtraForm *live, int command,
                    const std::function<Outcome()> &now, OutcomeCallback done)
{
    if (testActive) {
        if (done)
            done(Outcome::refused());
        return Outcome::refused();
    }
    if (live && live->reader() && live->reader()->isRunning()) {
        live->reader()->handOver(command, 0, std::move(done));
        return Outcome::queued();
    }
    const Outcome outcome = now();
    if (done)
        done(outcome);
    return outcome;
}

} // namespace

Outcome TComponentForm::getButtonClick(OutcomeCallback done)
{
    return readOrWrite(testActive(), m_live, 1, [this] { return readAll(); }, std::move(done));
}

Outcome TComponentForm::sendButtonClick(OutcomeCallback done)
{
    return readOrWrite(testActive(), m_live, 2, [this] { return writeAll(); }, std::move(done));

}

void TComponentForm::mmShowHintClick()
{
    m_chrome->showHintItem()->trigger();
}

void TComponentForm::mmOpenAfterStartClick()
{
    if (QAction *item = m_chrome->openAfterStartItem())
        item->trigger();
}

void TComponentForm::mmLoadExtraClick()
{
    if (QAction *item = m_chrome->loadExtraItem())
        item->trigger();
}
