#include "shell/ScanDialog.h"

#include "link/Messages.h"
#include "platform/Prompts.h"
#include "shell/ListWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kStart = QStringLiteral("&Hledat");
const QString kStop = QStringLiteral("&Zastavit");

QSpinBox *spin(QWidget *parent, const char *name, int min, int max, int value, const QString &hint)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(min, max);
    box->setValue(value);
    box->setToolTip(hint);
    return box;
}

} // namespace

TScanDialog::TScanDialog(PortOwner &owner, const PortSettings &settings, quint32 currentRate,
                         QWidget *parent)
    : QDialog(parent), m_owner(owner), m_settings(settings)
{
    qRegisterMetaType<BusScanHit>();
    qRegisterMetaType<BusScanResult>();
    setObjectName(QStringLiteral("scanDialog"));
    setWindowTitle(QStringLiteral("Najít zařízení na sběrnici"));

    auto *rates = new QGroupBox(QStringLiteral("Komunikační rychlosti"), this);
    rates->setObjectName(QStringLiteral("scanRatesGroupBox"));
    auto *rateRow = new QHBoxLayout(rates);
    for (int i = 0; i < 5; ++i) {
        const quint32 rate = BusScan::knownRates().at(i);
        auto *box = new QCheckBox(QString::number(rate), rates);
        box->setObjectName(QStringLiteral("scanRate%1CheckBox").arg(rate));
        box->setChecked(rate == currentRate);
        rateCheckBoxes[i] = box;
        rateRow->addWidget(box);
    }
    rateRow->addWidget(new QLabel(QStringLiteral("Bd"), rates));
    rateRow->addStretch(1);

    const int defaultWait = settings.firstByteTimeoutMs > 0 ? settings.firstByteTimeoutMs
                                                            : BusScanOptions::kDefaultFirstByteMs;
    scanFirstSpinBox = spin(this, "scanFirstSpinBox", 1, 254, 1, QStringLiteral("Rozsah 1 - 254"));
    scanLastSpinBox = spin(this, "scanLastSpinBox", 1, 254, 254, QStringLiteral("Rozsah 1 - 254"));
    scanTimeoutSpinBox =
        spin(this, "scanTimeoutSpinBox", 1, 5000, defaultWait,
             QStringLiteral("Jak dlouho čekat na začátek odpovědi: doba obratu zařízení, u "
                            "síťové brány i cesta sítí"));
    scanTimeoutSpinBox->setSuffix(QStringLiteral(" ms"));

    auto *limits = new QGridLayout;
    limits->addWidget(new QLabel(QStringLiteral("Adresy od"), this), 0, 0);
    limits->addWidget(scanFirstSpinBox, 0, 1);
    limits->addWidget(new QLabel(QStringLiteral("do"), this), 0, 2);
    limits->addWidget(scanLastSpinBox, 0, 3);
    limits->addWidget(new QLabel(QStringLiteral("Čekání na odpověď"), this), 1, 0);
    limits->addWidget(scanTimeoutSpinBox, 1, 1);
    limits->setColumnStretch(4, 1);

    scanStartButton = new QPushButton(kStart, this);
    scanStartButton->setObjectName(QStringLiteral("scanStartButton"));
    scanCloseButton = new QPushButton(QStringLiteral("Za&vřít"), this);
    scanCloseButton->setObjectName(QStringLiteral("scanCloseButton"));
    connect(scanStartButton, &QPushButton::clicked, this, [this] {
        if (running())
            stop();
        else
            start();
    });
    connect(scanCloseButton, &QPushButton::clicked, this, &QDialog::close);

    scanProgressBar = new QProgressBar(this);
    scanProgressBar->setObjectName(QStringLiteral("scanProgressBar"));
    scanProgressBar->setValue(0);
    scanStateLabel = new QLabel(this);
    scanStateLabel->setObjectName(QStringLiteral("scanStateLabel"));

    scanResultTable = new QTableWidget(0, 6, this);
    scanResultTable->setObjectName(QStringLiteral("scanResultTable"));
    scanResultTable->setHorizontalHeaderLabels(
        {QStringLiteral("Adresa"), QStringLiteral("Rychlost"), QStringLiteral("Model"),
         QStringLiteral("Firmware"), QStringLiteral("Zákaznický text"), QStringLiteral("Stav")});
    scanResultTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    scanResultTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    scanResultTable->setSelectionMode(QAbstractItemView::SingleSelection);
    scanResultTable->verticalHeader()->hide();
    scanResultTable->horizontalHeader()->setStretchLastSection(true);
    scanResultTable->setToolTip(QStringLiteral("Dvojklik otevře stránku zařízení na jeho adrese "
                                               "a rychlosti"));
    connect(scanResultTable, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { rowActivated(row); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(scanProgressBar, 1);
    buttons->addWidget(scanStartButton);
    buttons->addWidget(scanCloseButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(rates);
    layout->addLayout(limits);
    layout->addLayout(buttons);
    layout->addWidget(scanStateLabel);
    layout->addWidget(scanResultTable, 1);
    fitWindowToTable(*this, *scanResultTable, QSize(620, 420));
}

TScanDialog::~TScanDialog()
{
    stop();
    waitForEnd();
}

BusScanOptions TScanDialog::options() const
{
    BusScanOptions o;
    o.baudRates.clear();
    for (QCheckBox *box : rateCheckBoxes)
        if (box->isChecked())
            o.baudRates << box->text().toUInt();
    o.firstAddress = scanFirstSpinBox->value();
    o.lastAddress = scanLastSpinBox->value();
    o.firstByteMs = scanTimeoutSpinBox->value();
    return o;
}

bool TScanDialog::running() const
{
    return m_thread != nullptr;
}

void TScanDialog::start()
{
    if (running())
        return;
    const BusScanOptions o = options();
    if (o.baudRates.isEmpty() || o.firstAddress > o.lastAddress) {
        Prompts::instance().message(QStringLiteral("Zvolte alespoň jednu rychlost a adresy od "
                                                   "nižší do vyšší"),
                                    QStringLiteral("Varování"), PromptIcon::Warning);
        return;
    }
    m_hits.clear();
    scanResultTable->setRowCount(0);
    scanProgressBar->setRange(0, (o.lastAddress - o.firstAddress + 1) * int(o.baudRates.size()));
    scanProgressBar->setValue(0);
    scanStartButton->setText(kStop);
    m_cancel = false;
    m_thread = QThread::create([this, o] {
        BusScan scan(m_owner, m_settings);
        const BusScanResult result = scan.run(
            o,
            [this](int address, quint32 rate, int done, int total) {
                post([=] { progress(address, rate, done, total); });
            },
            [this](const BusScanHit &hit) { post([=] { found(hit); }); },
            &m_cancel);
        post([=] { ended(result); });
    });
    m_thread->start();
}

void TScanDialog::stop()
{
    m_cancel = true;
}

void TScanDialog::waitForEnd()
{
    if (!m_thread)
        return;
    // The thread only posts to us: waiting for it needs no events served. Its last post
    // (ended) then cleans up.
    m_thread->wait();
    QCoreApplication::sendPostedEvents(this);
    if (m_thread) {
        delete m_thread;
        m_thread = nullptr;
    }
}

void TScanDialog::post(std::function<void()> news)
{
    {
        const std::lock_guard<std::mutex> lock(m_queueMutex);
        m_queued.push_back(std::move(news));
    }
    QMetaObject::invokeMethod(this, "serveQueued", Qt::QueuedConnection);
}

void TScanDialog::serveQueued()
{
    std::vector<std::function<void()>> news;
    {
        const std::lock_guard<std::mutex> lock(m_queueMutex);
        news.swap(m_queued);
    }
    for (const auto &n : news)
        n();
}

void TScanDialog::progress(int address, quint32 rate, int done, int)
{
    scanProgressBar->setValue(done);
    scanStateLabel->setText(QStringLiteral("Zkouším adresu %1 (%2 Bd)").arg(address).arg(rate));
}

void TScanDialog::found(const BusScanHit &hit)
{
    m_hits.push_back(hit);
    const int row = scanResultTable->rowCount();
    scanResultTable->insertRow(row);
    const QStringList cells{QString::number(hit.address),
                            QString::number(hit.baudRate),
                            hit.model,
                            hit.firmware,
                            hit.customerText,
                            hit.kindText()};
    for (int c = 0; c < cells.size(); ++c)
        scanResultTable->setItem(row, c, new QTableWidgetItem(cells[c]));
    fitWindowToTable(*this, *scanResultTable, QSize(620, 420));
}

void TScanDialog::ended(const BusScanResult &result)
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    scanStartButton->setText(kStart);
    scanProgressBar->setValue(result.tried);
    const int devices = static_cast<int>(std::count_if(
        m_hits.begin(), m_hits.end(),
        [](const BusScanHit &h) { return h.kind == BusScanHit::Kind::Device; }));
    QString state = QStringLiteral("%1: nalezeno zařízení %2, vyzkoušeno adres %3, %4 s")
                        .arg(result.cancelled ? QStringLiteral("Zastaveno")
                                              : QStringLiteral("Hotovo"))
                        .arg(devices)
                        .arg(result.tried)
                        .arg(QString::number(result.elapsedMs / 1000.0, 'f', 1).replace('.', ','));
    if (result.error != 0)
        state = message(result.error);
    scanStateLabel->setText(state);
    emit finished();
    if (result.error != 0)
        Prompts::instance().message(message(result.error), QStringLiteral("Chyba"),
                                    PromptIcon::Error);
}

void TScanDialog::rowActivated(int row)
{
    if (row < 0 || row >= int(m_hits.size()))
        return;
    const BusScanHit &hit = m_hits[size_t(row)];
    if (hit.kind != BusScanHit::Kind::Device || hit.listIndex < 0)
        return;
    emit deviceChosen(hit);
}

void TScanDialog::closeEvent(QCloseEvent *event)
{
    stop();
    waitForEnd();
    QDialog::closeEvent(event);
}
