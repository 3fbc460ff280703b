#include "shell/TrafficMonitor.h"

#include "link/Messages.h"
#include "link/Traffic.h"
#include "platform/Prompts.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The bytes last: they are long, and the outcome must stay in sight.
enum Column { Time, Direction, Address, Function, Outcome, Bytes, Columns };

QString functionName(quint8 f)
{
    switch (f) {
    case 3:
        return QStringLiteral("3 čtení registrů");
    case 4:
        return QStringLiteral("4 čtení vstupních registrů");
    case 5:
        return QStringLiteral("5 zápis cívky");
    case 6:
        return QStringLiteral("6 zápis registru");
    case 16:
        return QStringLiteral("16 zápis registrů");
    default:
        break;
    }
    if (f >= 0x80)
        return QStringLiteral("%1 výjimka").arg(f);
    return QString::number(f);
}

} // namespace

TTrafficMonitor::TTrafficMonitor(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TrafficMonitor"));
    setWindowTitle(QStringLiteral("Monitor komunikace"));
    m_table = new QTableWidget(0, Columns, this);
    m_table->setObjectName(QStringLiteral("trafficTable"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Čas"), QStringLiteral("Směr"),
                                        QStringLiteral("Adresa"), QStringLiteral("Funkce"),
                                        QStringLiteral("Výsledek"), QStringLiteral("Data")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    m_table->setFont(mono);
    m_table->verticalHeader()->setDefaultSectionSize(QFontMetrics(mono).height() + 4);
    // Widths from what the columns hold (no measuring of 10,000 rows); the bytes take the
    // rest, a long error message is cut with its whole text in the hint.
    const QFontMetrics fm(mono);
    const char *const widest[] = {"00:00:00.000", "požadavek", "Adresa",
                                  "4 čtení vstupních registrů", "chyba 29: Chyba CRC"};
    for (int c = 0; c < Bytes; ++c)
        m_table->setColumnWidth(c, fm.horizontalAdvance(QString::fromUtf8(widest[c])) + 12);
    m_table->horizontalHeader()->setSectionResizeMode(Bytes, QHeaderView::Stretch);

    m_pause = new QPushButton(QStringLiteral("Pozastavit"), this);
    m_pause->setObjectName(QStringLiteral("pauseButton"));
    auto *clear = new QPushButton(QStringLiteral("Vymazat"), this);
    clear->setObjectName(QStringLiteral("clearButton"));
    auto *copy = new QPushButton(QStringLiteral("Kopírovat"), this);
    copy->setObjectName(QStringLiteral("copyButton"));
    auto *save = new QPushButton(QStringLiteral("Uložit…"), this);
    save->setObjectName(QStringLiteral("saveButton"));
    connect(m_pause, &QPushButton::clicked, this, [this] { setPaused(!m_paused); });
    connect(clear, &QPushButton::clicked, this, [this] { clearFrames(); });
    connect(copy, &QPushButton::clicked, this, [this] { copySelection(); });
    connect(save, &QPushButton::clicked, this, [this] {
        const QString file = Prompts::instance().saveFileName(
            QStringLiteral("Uložit záznam komunikace"), QStringLiteral("Textové soubory (*.txt)"));
        if (!file.isEmpty() && !saveTo(file))
            Prompts::instance().message(QStringLiteral("Záznam nelze uložit do souboru ") + file,
                                        QStringLiteral("Chyba"), PromptIcon::Error);
    });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_pause);
    buttons->addWidget(clear);
    buttons->addWidget(copy);
    buttons->addWidget(save);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    resize(1040, 440);

    m_timer = new QTimer(this);
    m_timer->setInterval(200);
    connect(m_timer, &QTimer::timeout, this, [this] { refresh(); });
}

TTrafficMonitor::~TTrafficMonitor()
{
    Traffic::setRecording(false);
}

void TTrafficMonitor::showEvent(QShowEvent *event)
{
    // Only what happens while the window is open is recorded.
    if (!Traffic::recording()) {
        Traffic::since(0, &m_last);
        Traffic::setRecording(true);
    }
    m_timer->start();
    QWidget::showEvent(event);
}

void TTrafficMonitor::closeEvent(QCloseEvent *event)
{
    m_timer->stop();
    Traffic::setRecording(false);
    QWidget::closeEvent(event);
}

void TTrafficMonitor::refresh()
{
    if (m_paused)
        return;
    const std::vector<Traffic::Frame> frames = Traffic::since(m_last, &m_last);
    if (frames.empty())
        return;
    const bool atEnd = m_table->rowCount() == 0 || m_table->verticalScrollBar()->value() ==
                                                       m_table->verticalScrollBar()->maximum();
    m_table->setUpdatesEnabled(false);
    for (size_t i = 0; i < frames.size(); ++i) {
        const Traffic::Frame &f = frames[i];
        // A port that did not open let no request out: one row says so, under the request's
        // address and function.
        const bool unsent = f.reply ? f.error == ErrPortClosed
                                    : i + 1 < frames.size() && frames[i + 1].reply &&
                                          frames[i + 1].error == ErrPortClosed;
        if (unsent && !f.reply)
            continue;
        const QByteArray &b = unsent && i > 0 ? frames[i - 1].bytes : f.bytes;
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        QString outcome;
        if (f.reply)
            outcome = f.error == 0
                          ? QStringLiteral("OK")
                          : QStringLiteral("chyba %1: %2").arg(f.error).arg(message(f.error));
        QString cells[Columns];
        cells[Time] =
            QDateTime::fromMSecsSinceEpoch(f.timeMs).toString(QStringLiteral("HH:mm:ss.zzz"));
        cells[Direction] = unsent    ? QStringLiteral("—")
                           : f.reply ? QStringLiteral("odpověď")
                                     : QStringLiteral("požadavek");
        cells[Address] = b.size() > 0 ? QString::number(quint8(b[0])) : QString();
        cells[Function] = b.size() > 1 ? functionName(quint8(b[1])) : QString();
        cells[Outcome] = outcome;
        if (unsent)
            cells[Bytes] = QStringLiteral("(nic neodešlo)");
        else
            cells[Bytes] = b.isEmpty() ? QStringLiteral("(nic nepřišlo)")
                                       : QString::fromLatin1(b.toHex(' ').toUpper());
        for (int c = 0; c < Columns; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (c == Outcome || c == Bytes)
                item->setToolTip(cells[c]);
            if (f.reply && f.error != 0)
                item->setForeground(Qt::red);
            m_table->setItem(row, c, item);
        }
    }
    // The last 10,000 frames at most.
    const int surplus = m_table->rowCount() - Traffic::kCapacity;
    for (int i = 0; i < surplus; ++i)
        m_table->removeRow(0);
    m_table->setUpdatesEnabled(true);
    if (atEnd)
        m_table->scrollToBottom();
}

void TTrafficMonitor::setPaused(bool paused)
{
    m_paused = paused;
    m_pause->setText(paused ? QStringLiteral("Pokračovat") : QStringLiteral("Pozastavit"));
    if (!paused)
        refresh();
}

void TTrafficMonitor::clearFrames()
{
    m_table->setRowCount(0);
    Traffic::clear();
}

QString TTrafficMonitor::lineText(int row) const
{
    QStringList cells;
    for (int c = 0; c < Columns; ++c) {
        const QTableWidgetItem *item = m_table->item(row, c);
        cells << (item ? item->text() : QString());
    }
    return cells.join(QLatin1Char('\t'));
}

QString TTrafficMonitor::selectedText() const
{
    QList<int> rows;
    for (const QModelIndex &i : m_table->selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (int r : rows)
        lines << lineText(r);
    return lines.join(QLatin1Char('\n'));
}

void TTrafficMonitor::copySelection()
{
    QApplication::clipboard()->setText(selectedText());
}

bool TTrafficMonitor::saveTo(const QString &path) const
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    for (int r = 0; r < m_table->rowCount(); ++r)
        f.write((lineText(r) + QLatin1Char('\n')).toUtf8());
    return f.error() == QFileDevice::NoError;
}
