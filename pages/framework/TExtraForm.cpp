#include "pages/framework/TExtraForm.h"

#include "link/Messages.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TrendPlot.h"
#include "pages/framework/TrendWindow.h"
#include "platform/Profile.h"
#include "platform/Prompts.h"
#include "shell/Shell.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

// --- TFormThread ---

TFormThread::TFormThread(TComponentForm &page, TExtraForm &window)
    : TPoller(window), m_page(page), m_window(window)
{
}

TFormThread::~TFormThread()
{
    // The loop calls this class's operations: it must end before they go.
    requestStop();
    wait();
    // Whoever waits for a command that never ran hears so (this is the UI thread).
    std::deque<Command> left;
    {
        std::lock_guard<std::mutex> lock(m_commandsMutex);
        left.swap(m_commands);
    }
    for (const Command &c : left)
        if (c.done)
            c.done(Outcome::cancelled());
}

void TFormThread::handOver(int command, quint8 argument, OutcomeCallback done)
{
    std::lock_guard<std::mutex> lock(m_commandsMutex);
    m_commands.push_back({command, argument, std::move(done)});
}

int TFormThread::pendingCommands() const
{
    std::lock_guard<std::mutex> lock(m_commandsMutex);
    return static_cast<int>(m_commands.size());
}

bool TFormThread::nextCommand(Command &command) const
{
    std::lock_guard<std::mutex> lock(m_commandsMutex);
    if (m_commands.empty())
        return false;
    command = m_commands.front();
    return true;
}

void TFormThread::commandDone()
{
    std::lock_guard<std::mutex> lock(m_commandsMutex);
    if (!m_commands.empty())
        m_commands.pop_front();
}

void TFormThread::onPage(const std::function<Outcome()> &operation, const OutcomeCallback &done)
{
    // An operation of the page: closing the page waits for it.
    onUiThread([this, &operation, &done] {
        Outcome outcome = Outcome::failed(ErrInternal, message(ErrInternal));
        try {
            const TComponentForm::Operation running(m_page);
            outcome = operation();
        } catch (const PageError &e) {
            // Told, then passed on to the hand-over's own error box.
            if (done)
                done(Outcome::failed(e.error, message(e.error)));
            throw;
        } catch (...) {
            if (done)
                done(outcome);
            throw;
        }
        if (done)
            done(outcome);
    });
}

void TFormThread::runCommand(const Command &command)
{
    const auto plain = [](const std::function<void()> &f) {
        return [f] {
            f();
            return Outcome::done();
        };
    };
    switch (command.number) {
    case 1:
        onPage([this] { return m_page.readAll(); }, command.done);
        break;
    case 2:
        onPage([this] { return m_page.writeAll(); }, command.done);
        break;
    case 3:
        onPage(plain([this] { m_page.extraOperation(); }), command.done);
        break;
    case 7: {
        const quint8 argument = command.argument;
        onPage(plain([this, argument] { m_page.extraOperationWithArgument(argument); }),
               command.done);
        break;
    }
    case 5: {
        // The page may have been restored before the command got here.
        bool hidden = false;
        onUiThread([this, &hidden, &command] {
            hidden = m_page.isMinimisedFlag();
            if (hidden)
                m_window.hideForMinimise();
            if (command.done)
                command.done(Outcome::done());
        });
        if (hidden)
            m_suspendRequest.store(true);
        break;
    }
    case 6:
        requestStop();
        if (command.done)
            onUiThread([&command] { command.done(Outcome::done()); });
        break;
    default:
        if (command.done)
            onUiThread([&command] { command.done(Outcome::refused()); });
        break;
    }
}

void TFormThread::run()
{
    while (!stopping()) {
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
        onUiThread([this, good] {
            m_window.showCounts();
            showValues();
            if (good)
                m_window.sampleTrend();
        });
        if (m_errorFlag) {
            if (!m_window.closing()) {
                onUiThread([this] { m_window.startResumeTimer(); });
                pause();
            }
            m_errorFlag = false;
        }
        // Every command handed over so far, in order, between this poll and the next. A
        // command leaves the queue when it has run, so the page sees it queued until then.
        Command command{};
        while (!stopping() && nextCommand(command)) {
            runCommand(command);
            commandDone();
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
    m_outer = outer;

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
    // Keep serving the reader's hand-overs (its last showValues, commands still queued
    // before the stop) until it has ended.
    m_reader->join();
}

void TExtraForm::setReader(TFormThread *reader)
{
    m_reader = reader;
}

TExtraForm::MemoRow TExtraForm::memoRow(QGridLayout &grid, int row, const QString &memoName,
                                        const QString &caption, const QString &captionHint,
                                        const QString &memoHint, const QString &initial,
                                        const QString &unitName, const QString &unit,
                                        const QString &widest)
{
    QWidget *box = grid.parentWidget();
    MemoRow r;
    r.caption = new QLabel(caption, box);
    QString labelName = memoName;
    if (labelName.endsWith(QStringLiteral("Memo")))
        labelName.chop(4);
    r.caption->setObjectName(labelName + QStringLiteral("Label"));
    r.caption->setToolTip(captionHint);
    r.memo = new QLineEdit(initial, box);
    r.memo->setObjectName(memoName);
    r.memo->setToolTip(memoHint);
    r.memo->setReadOnly(true);
    r.memo->setAlignment(Qt::AlignRight);
    r.memo->setFixedWidth(r.memo->fontMetrics().horizontalAdvance(widest) + 12);
    // The window is narrow (242 pixels) for long captions.
    grid.setContentsMargins(6, 6, 6, 6);
    grid.setHorizontalSpacing(4);
    grid.addWidget(r.caption, row, 0);
    grid.addWidget(r.memo, row, 1);
    grid.setColumnStretch(0, 1);
    if (!unitName.isEmpty()) {
        r.unit = new QLabel(unit, box);
        r.unit->setObjectName(unitName);
        r.unit->setMinimumWidth(r.unit->fontMetrics().horizontalAdvance(unit));
        QSizePolicy keep = r.unit->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        r.unit->setSizePolicy(keep);
        grid.addWidget(r.unit, row, 2);
    }
    return r;
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

void TExtraForm::sampleTrend()
{
    if (!m_trend) {
        // The value boxes are there once the window's own content is: the trend goes under.
        auto *row = new QVBoxLayout;
        m_trendShown = new QCheckBox(QStringLiteral("Zobrazit průběh"), this);
        m_trendShown->setObjectName(QStringLiteral("trendShown"));
        m_trendShown->setChecked(true);
        auto *save = new QPushButton(QStringLiteral("Uložit CSV"), this);
        save->setObjectName(QStringLiteral("trendSaveButton"));
        save->setToolTip(QStringLiteral("Uloží průběh měřených hodnot do souboru CSV"));
        auto *enlarge = new QPushButton(QStringLiteral("Průběh…"), this);
        enlarge->setObjectName(QStringLiteral("trendWindowButton"));
        enlarge->setToolTip(QStringLiteral("Otevře průběh v okně s osami, které lze zvětšit"));
        // The check box on a line of its own: beside two buttons its caption is cut.
        auto *buttons = new QHBoxLayout;
        buttons->addStretch(1);
        buttons->addWidget(enlarge);
        buttons->addWidget(save);
        row->addWidget(m_trendShown);
        row->addLayout(buttons);
        m_trend = new TTrendPlot(this);
        m_trend->watch(*this);
        const int at = m_outer->count() - 1; // before the closing stretch
        m_outer->insertLayout(at, row);
        m_outer->insertWidget(at + 1, m_trend);
        connect(m_trendShown, &QCheckBox::toggled, this, [this](bool on) { setTrendShown(on); });
        connect(save, &QPushButton::clicked, this, [this] { saveTrendAsked(m_trend->trend()); });
        connect(enlarge, &QPushButton::clicked, this, [this] { showTrendWindow(); });
        connect(m_trend, &TTrendPlot::opened, this, [this] { showTrendWindow(); });
        // The window's own menu (right button) offers the same.
        auto *open = new QAction(QStringLiteral("Průběh…"), this);
        open->setObjectName(QStringLiteral("trendWindowAction"));
        connect(open, &QAction::triggered, this, [this] { showTrendWindow(); });
        auto *export_ = new QAction(QStringLiteral("Uložit CSV…"), this);
        export_->setObjectName(QStringLiteral("trendSaveAction"));
        connect(export_, &QAction::triggered, this, [this] { saveTrendAsked(m_trend->trend()); });
        addAction(open);
        addAction(export_);
        setContextMenuPolicy(Qt::ActionsContextMenu);
        if (m_trend->series().empty()) {
            // Nothing measured to follow in this window.
            m_trendShown->hide();
            save->hide();
            enlarge->hide();
            m_trend->hide();
        }
        adjustSize();
    }
    if (!m_trend->series().empty())
        m_trend->sample(QDateTime::currentMSecsSinceEpoch());
}

void TExtraForm::showTrendWindow()
{
    if (!m_trend || m_trend->series().empty())
        return;
    if (!m_trendWindow) {
        m_trendWindow = new TTrendWindow(*m_trend, this);
        m_trendWindow->resize(m_trendWindow->sizeHint());
    }
    m_trendWindow->show();
    m_trendWindow->raise();
    m_trendWindow->activateWindow();
}

void TExtraForm::setTrendShown(bool shown)
{
    if (!m_trend)
        return;
    if (m_trendShown && m_trendShown->isChecked() != shown)
        m_trendShown->setChecked(shown);
    m_trend->setVisible(shown && !m_trend->series().empty());
    adjustSize();
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
    // The reader may be inside the page's operation (a write's read-back pause): waiting
    // for it here would wait for ourselves. The close follows when the operation ends.
    if (!m_closed && m_page.busy()) {
        event->ignore();
        m_page.closeWhenIdle(*this);
        return;
    }
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
