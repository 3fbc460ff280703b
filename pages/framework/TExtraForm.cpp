#include "pages/framework/TExtraForm.h"

#include "link/Messages.h"
#include "pages/framework/TComponentForm.h"
#include "platform/Profile.h"
#include "shell/Shell.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

// --- TFormThread ---

TFormThread::TFormThread(TComponentForm &page, TExtraForm &window)
    : m_page(page), m_window(window), m_transmit(Shell::instance())
{
}

TFormThread::~TFormThread()
{
    requestStop();
    wait();
}

void TFormThread::handOver(int command, quint8 argument)
{
    // Number and argument in one word: a command handed over while the reader takes the
    // previous one never pairs with the other's argument.
    m_command.store((command & 0xFF) | (int(argument) << 8), std::memory_order_relaxed);
    // The reader reads the number only after it has seen the flag.
    m_commandPending.store(true, std::memory_order_release);
}

void TFormThread::resumeReader()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // One kept resume at most: a resume that comes early is not lost, and a second one
        // does not skip a later pause.
        m_resumes = 1;
    }
    m_wake.notify_all();
}

void TFormThread::requestStop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop.store(true);
    }
    m_wake.notify_all();
}

void TFormThread::pause()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_paused.store(true);
    m_wake.wait(lock, [this] { return m_resumes > 0 || m_stop.load(); });
    if (m_resumes > 0)
        --m_resumes;
    m_paused.store(false);
}

void TFormThread::onUiThread(const std::function<void()> &f)
{
    if (QThread::currentThread() == m_window.thread()) {
        f();
        return;
    }
    // The blocking call orders both sides already; the release/acquire pairs on m_handover
    // state that order in our own code too, where a race detector can see it.
    m_handover.fetch_add(1, std::memory_order_release);
    QMetaObject::invokeMethod(
        &m_window,
        [this, &f] {
            m_handover.load(std::memory_order_acquire);
            f();
            m_handover.fetch_add(1, std::memory_order_release);
        },
        Qt::BlockingQueuedConnection);
    m_handover.load(std::memory_order_acquire);
}

QString TFormThread::checkIdentification(const QStringList &models, bool newer)
{
    QString ident;
    result = newer ? m_transmit.readNewIdentification(ident) : m_transmit.readIdentification(ident);
    if (result.error != 0)
        throw PageError(result.error);
    for (const QString &m : models)
        if (ident == m.leftJustified(16, QLatin1Char(' '), true))
            return ident;
    throw PageError(ErrWrongDevice);
}

std::vector<quint16> TFormThread::readRegisters(int start, int count)
{
    m_transmit.clear();
    m_transmit.setFunction(3);
    m_transmit.setStart(start);
    m_transmit.setCount(static_cast<qint16>(count));
    if (!m_transmit.buildRequest())
        throw PageError(ErrInternal);
    result = m_transmit.transact(nullptr);
    if (result.error != 0)
        throw PageError(result.error);
    std::vector<quint16> v;
    v.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        v.push_back(static_cast<quint16>(m_transmit.nextValue()));
    return v;
}

void TFormThread::runCommand(int command, quint8 argument)
{
    switch (command) {
    case 1:
        onUiThread([this] { m_page.readAll(); });
        break;
    case 2:
        onUiThread([this] { m_page.writeAll(); });
        break;
    case 3:
        onUiThread([this] { m_page.extraOperation(); });
        break;
    case 7:
        onUiThread([this, argument] { m_page.extraOperationWithArgument(argument); });
        break;
    case 5: {
        // The page may have been restored before the command got here.
        bool hidden = false;
        onUiThread([this, &hidden] {
            hidden = m_page.isMinimisedFlag();
            if (hidden)
                m_window.hideForMinimise();
        });
        if (hidden)
            m_suspendRequest.store(true);
        break;
    }
    case 6:
        m_stop.store(true);
        break;
    default:
        break;
    }
}

void TFormThread::run()
{
    while (!m_stop.load()) {
        bool good = false;
        try {
            good = readValues();
        } catch (...) {
            good = false;
        }
        if (good)
            m_readCount.fetch_add(1);
        else {
            m_errorCount.fetch_add(1);
            m_errorFlag = true;
        }
        // A failed write request fails the cycle (once: a failed poll already did).
        bool written = false;
        try {
            writeRequests();
            written = true;
        } catch (...) {
        }
        if (!written && !m_errorFlag) {
            m_errorCount.fetch_add(1);
            m_errorFlag = true;
        }
        // One hand-over per cycle: counters and values together.
        onUiThread([this] {
            m_window.showCounts();
            showValues();
        });
        if (m_errorFlag) {
            if (!m_window.closing()) {
                onUiThread([this] { m_window.startResumeTimer(); });
                pause();
            }
            m_errorFlag = false;
        }
        if (m_commandPending.load(std::memory_order_acquire)) {
            m_commandPending.store(false);
            // Taken and set to 0 in one step: a command handed over while this one runs
            // must not be wiped out when it ends.
            const int word = m_command.exchange(0);
            runCommand(word & 0xFF, static_cast<quint8>(word >> 8));
        }
        if (m_suspendRequest.exchange(false))
            pause();
    }
}

// --- TExtraForm ---

TExtraForm::TExtraForm(TComponentForm &page, QWidget *parent)
    : QWidget(parent ? parent : &page,
              Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      m_page(page)
{
    setObjectName(page.traits().liveSection());
    setWindowTitle(QStringLiteral("Provozní data"));
    setFixedWidth(242);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    outer->setSpacing(6);
    auto *counters = new QGridLayout;
    counters->setHorizontalSpacing(4);
    eCounterReadingLabel = new QLabel(QStringLiteral("Číslo čtení:"), this);
    eCounterReadingLabel->setObjectName(QStringLiteral("eCounterReadingLabel"));
    eCounterReadingNumberLabel = new QLabel(QStringLiteral("0"), this);
    eCounterReadingNumberLabel->setObjectName(QStringLiteral("eCounterReadingNumberLabel"));
    eCounterReadingNumberLabel->setStyleSheet(QStringLiteral("color: green"));
    eCounterErrorLabel = new QLabel(QStringLiteral("Chybová čtení:"), this);
    eCounterErrorLabel->setObjectName(QStringLiteral("eCounterErrorLabel"));
    eCounterErrorLabel->installEventFilter(this);
    eCounterErrorNumberLabel = new QLabel(QStringLiteral("0"), this);
    eCounterErrorNumberLabel->setObjectName(QStringLiteral("eCounterErrorNumberLabel"));
    eCounterErrorNumberLabel->setStyleSheet(QStringLiteral("color: red"));
    counters->addWidget(eCounterReadingLabel, 0, 0);
    counters->addWidget(eCounterReadingNumberLabel, 0, 1);
    counters->addWidget(eCounterErrorLabel, 0, 2);
    counters->addWidget(eCounterErrorNumberLabel, 0, 3);
    counters->setColumnStretch(1, 1);
    counters->setColumnStretch(3, 1);
    outer->addLayout(counters);
    m_content = new QVBoxLayout;
    outer->addLayout(m_content);
    outer->addStretch(1);

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(resumeDelayMs());
    connect(Timer, &QTimer::timeout, this, [this] {
        Timer->stop();
        if (m_reader)
            m_reader->resumeReader();
    });
    ShowTimer = new QTimer(this);
    ShowTimer->setObjectName(QStringLiteral("ShowTimer"));
    ShowTimer->setInterval(10);
    connect(ShowTimer, &QTimer::timeout, this, [this] {
        ShowTimer->stop();
        activateWindow();
        raise();
    });
    ShowTimer->start();
}

TExtraForm::~TExtraForm()
{
    // Normally the reader has ended in shutdown(); never leave one running.
    if (m_reader) {
        stopReader();
        delete m_reader;
        m_reader = nullptr;
    }
}

void TExtraForm::stopReader()
{
    if (!m_reader || !m_reader->isRunning())
        return;
    m_reader->handOver(6);
    m_reader->resumeReader();
    // Keep serving the reader's hand-overs (its last showValues) until it has ended.
    QEventLoop loop;
    connect(m_reader, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    if (!m_reader->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_reader->wait();
}

void TExtraForm::setReader(TFormThread *reader)
{
    m_reader = reader;
}

void TExtraForm::placeAtPage()
{
    adjustSize();
    const int left = m_page.x() + m_page.width() - width() - 2;
    const int top = m_page.y() + 28;
    const Profile positions(workingFile(QStringLiteral("windowPosition.ini")));
    const QString section = objectName();
    move(positions.readInteger(section, QStringLiteral("Left"), left),
         positions.readInteger(section, QStringLiteral("Top"), top));
}

void TExtraForm::startReading()
{
    if (m_reader && !m_reader->isRunning())
        m_reader->start(QThread::HighestPriority);
}

void TExtraForm::hideForMinimise()
{
    m_hiddenForMinimise = true;
    hide();
}

void TExtraForm::showAgain()
{
    if (!m_hiddenForMinimise)
        return;
    m_hiddenForMinimise = false;
    if (m_reader)
        m_reader->resumeReader();
    show();
}

void TExtraForm::showCounts()
{
    if (!m_reader)
        return;
    eCounterReadingNumberLabel->setText(QString::number(m_reader->readCount()));
    eCounterErrorNumberLabel->setText(QString::number(m_reader->errorCount()));
}

void TExtraForm::startResumeTimer()
{
    Timer->start();
}

void TExtraForm::liveWindowClosed()
{
    m_page.liveWindowGone(this);
}

void TExtraForm::destroyLiveWindow()
{
    deleteLater();
}

void TExtraForm::shutdown(bool notifyPage)
{
    if (m_closed)
        return;
    m_closed = true;
    m_closing.store(true);
    stopReader();
    Timer->stop();
    Profile positions(workingFile(QStringLiteral("windowPosition.ini")));
    positions.beginBatch();
    positions.writeInteger(objectName(), QStringLiteral("Top"), y());
    positions.writeInteger(objectName(), QStringLiteral("Left"), x());
    positions.endBatch();
    hide();
    if (notifyPage)
        liveWindowClosed();
    delete m_reader;
    m_reader = nullptr;
    if (notifyPage)
        destroyLiveWindow();
}

void TExtraForm::closeEvent(QCloseEvent *event)
{
    shutdown(true);
    event->accept();
}

bool TExtraForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == eCounterErrorLabel) {
        switch (event->type()) {
        case QEvent::Enter:
            eCounterErrorLabel->setCursor(Qt::PointingHandCursor);
            eCounterErrorLabel->setText(QStringLiteral("Nulovat chyby"));
            break;
        case QEvent::Leave:
            eCounterErrorLabel->unsetCursor();
            eCounterErrorLabel->setText(QStringLiteral("Chybová čtení"));
            break;
        case QEvent::MouseButtonRelease:
            eCounterErrorLabelClick();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TExtraForm::eCounterErrorLabelClick()
{
    if (m_reader)
        m_reader->resetErrorCount();
    eCounterErrorNumberLabel->setText(QStringLiteral("0"));
}
