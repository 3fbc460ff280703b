#include "pages/digital_io/TcForm3Test.h"

#include "pages/digital_io/DigitalIoPage.h"
#include "pages/framework/Exchanges.h"
#include "shell/SystemDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

using namespace digitalio;

namespace {

const QString kAddressKey = QStringLiteral("c3SkAdrComboBox");
const QString kSpeedKey = QStringLiteral("c3SkSpdComboBox");
const QString kTimeKey = QStringLiteral("c3ZdTerScrollBar");
constexpr int kOnTimes = 0x0110;

// 0x2000 as test.ini keeps it: the modes in the high byte, the negations in the low byte.
quint16 modesAndNegations(const TTestFile &file)
{
    return static_cast<quint16>((file.bits(QStringLiteral("c3Pdo%1RadioGroup"), 8) << 8) |
                                file.bits(QStringLiteral("c3Eout%1CheckBox"), 8));
}

} // namespace

// --- two-state test ---

TcForm3Test::TcForm3Test(TComponentForm &page)
    : TTwoStateTestForm(page, {QStringLiteral("c3"), QStringLiteral("cForm3Test"),
                               QStringLiteral("E-HN2 Test (dvoust.)"), QStringLiteral("E-HN2"), 8,
                               kAddressKey})
{
}

std::vector<TestWrite> TcForm3Test::restoreWrites(const TTestFile &file)
{
    return restoreOf(file);
}

std::vector<TestWrite> TcForm3Test::restoreOf(const TTestFile &file)
{
    return {{0x2000, {modesAndNegations(file)}},
            {0x2006, {quint16(file.word(kTimeKey, 2))}},
            {0x2007, {quint16(file.bits(QStringLiteral("c3Rout%1CheckBox"), 8) << 8)}},
            {0x2018, {keptAddressRegister(file, kAddressKey, kSpeedKey)}}};
}

// --- proportional test ---

TcForm3TestP::TcForm3TestP(TComponentForm &page)
    : TOutputTestForm(page, QStringLiteral("cForm3TestP"), QStringLiteral("E-HN2 Test (prop.)"))
{
    m_steps.fill(1);
    auto *layout = new QVBoxLayout(body());
    layout->setContentsMargins(10, 10, 10, 10);
    m_state = new QLabel(QStringLiteral("Testování výstupu DO.0"), body());
    m_state->setObjectName(QStringLiteral("c3TestPStateLabel"));
    layout->addWidget(m_state);

    QStringList items;
    for (int i = 0; i < 8; ++i)
        items << QStringLiteral("DO.%1").arg(i);
    m_outputs = new TRadioGroup(QStringLiteral("Výstupy"), items, body(), 2);
    m_outputs->setObjectName(QStringLiteral("c3TestPOutGroupBox"));
    m_outputs->setToolTip(QStringLiteral("Výběr výstupu, se kterým se bude pracovat"));
    m_outputs->setItemIndex(0);
    connect(m_outputs, &TRadioGroup::clicked, this, [this] { c3TestPOutGroupBoxClick(); });
    layout->addWidget(m_outputs);

    auto *settings = new QGroupBox(QStringLiteral("Nastavení PWM signálu výstupu DO.X"), body());
    settings->setObjectName(QStringLiteral("c3TestPSettingsGroupBox"));
    auto *grid = new QGridLayout(settings);
    grid->setColumnMinimumWidth(2, 120);
    auto row = [&](const QString &prefix, const QString &caption, const Rule &rule,
                   const QString &unit, const QString &hint) {
        auto *field = new TNumericField(*this, prefix, rule, unit, settings);
        auto *label = new QLabel(caption, settings);
        label->setObjectName(prefix + "Label");
        for (QWidget *w : {static_cast<QWidget *>(label), static_cast<QWidget *>(field->edit()),
                           static_cast<QWidget *>(field->bar())})
            w->setToolTip(hint);
        field->edit()->setAlignment(Qt::AlignRight);
        field->edit()->setFixedWidth(64);
        const int r = grid->rowCount();
        grid->addWidget(label, r, 0);
        grid->addWidget(field->edit(), r, 1);
        grid->addWidget(field->bar(), r, 2);
        if (field->unitLabel())
            grid->addWidget(field->unitLabel(), r, 3);
        return field;
    };
    m_t = row(QStringLiteral("c3ZdTTest"), QStringLiteral("Nastavení počtu kroků pro 1 periodu "),
              stepsRule(), QString(), QStringLiteral("Rozsah 1 - 255"));
    m_t->bar()->setPageStep(10);
    m_k = row(QStringLiteral("c3ZdKTest"), QStringLiteral("Nastavení času trvaní jednoho kroku"),
              stepTimeRule(), QStringLiteral("ms"), QStringLiteral("Rozsah 0,04 - 2621,4"));
    m_k->bar()->setPageStep(100);
    m_d =
        row(QStringLiteral("c3TestD0Out"), QStringLiteral("Nastavení poměru OnTime/OffTime "),
            Rule::whole(1, 255)
                .limitsFrom([this] { return std::make_pair(1.0, double(m_t->position())); })
                .barRange(1, 1)
                .fallback(QStringLiteral("1"), 1)
                .length(3),
            QString(), QStringLiteral("Rozsah závisí na nastavení počtu kroků pro jednu periodu"));
    m_d->bar()->setPageStep(10);
    connect(m_t->bar(), &QScrollBar::valueChanged, this, [this] { c3ZdTTestScrollBarChange(); });
    layout->addWidget(settings);

    m_all = new QCheckBox(QStringLiteral("Testovat všechny výstupy najednou"), body());
    m_all->setObjectName(QStringLiteral("allTestPCheckBox"));
    connect(m_all, &QCheckBox::clicked, this, [this] { allTestPCheckBoxClick(); });
    layout->addWidget(m_all);

    m_run = new QPushButton(QStringLiteral("Spustit test"), body());
    m_run->setObjectName(QStringLiteral("c3TestPRunButton"));
    m_run->setToolTip(QStringLiteral("Tímto tlačítkem spustíte test"));
    connect(m_run, &QPushButton::clicked, this, [this] { c3TestPRunButtonClick(); });
    layout->addWidget(m_run);

    // The module's communication-failure time is 130 s during the test.
    m_updateTimer = new QTimer(this);
    m_updateTimer->setObjectName(QStringLiteral("updateTimer"));
    m_updateTimer->setInterval(120000);
    connect(m_updateTimer, &QTimer::timeout, this, [this] { updateTimerTimer(); });
}

void TcForm3TestP::FormCreate()
{
    m_d->bar()->setMaximum(m_t->position());
    m_steps.fill(1);
    m_switchesOn = true;
    show();
}

void TcForm3TestP::c3ZdTTestScrollBarChange()
{
    // A larger on-time drops to the new steps per period (its own bar shows it).
    m_d->bar()->setMaximum(m_t->position());
}

void TcForm3TestP::showOutputLabel()
{
    m_state->setText(m_all->isChecked()
                         ? QStringLiteral("Testování všech výstupu")
                         : QStringLiteral("Testování výstupu DO.%1").arg(m_outputs->itemIndex()));
}

void TcForm3TestP::allTestPCheckBoxClick()
{
    m_outputs->setEnabled(!m_all->isChecked());
    showOutputLabel();
}

void TcForm3TestP::c3TestPOutGroupBoxClick()
{
    showOutputLabel();
}

Outcome TcForm3TestP::c3TestPRunButtonClick()
{
    const Step step(*this);
    // The module's address first: a test.ini that cannot give it stops the run before the
    // technician is sent to the switches or anything is written.
    int address = 0;
    const Outcome file =
        attempt([&] { address = moduleAddress(TTestFile(TTestFile::Use::Run), kAddressKey); });
    if (!file.ok())
        return stepDone(file);
    if (!m_switchesOn) {
        showInfo(QStringLiteral("Přepněte spínače DIP1 a DIP2 do polohy On"));
        m_switchesOn = true;
    }
    m_updateTimer->stop();
    TSystemDialog *d = dialog();
    if (d) {
        d->showOverPage();
        d->setPosition(0);
        d->setBarVisible(true);
    }
    auto finish = [d](bool good) {
        if (!d)
            return;
        if (!good)
            d->setPosition(0);
        d->setBarVisible(false);
        d->closeOverPage();
    };
    const int t = m_t->position();
    const int k = m_k->position();
    const bool all = m_all->isChecked();
    const int output = std::max(0, m_outputs->itemIndex());
    Outcome outcome = attempt([&] {
        if (all) {
            std::vector<quint16> values(4, static_cast<quint16>((t << 8) | t));
            values.insert(values.end(), 8, static_cast<quint16>(k));
            exchange::writeHolding(transmit(), 0x2008, values, bar());
            noteWritten(0x2008, static_cast<int>(values.size()));
            m_steps.fill(t);
            return;
        }
        // Two outputs share a steps register: the other one keeps what it has now.
        m_steps[size_t(output)] = t;
        const size_t even = size_t(output & ~1);
        if (d) {
            d->setMaximum(2);
            d->setPosition(1);
        }
        exchange::writeHolding(transmit(), 0x200B - output / 2,
                               {static_cast<quint16>((m_steps[even + 1] << 8) | m_steps[even])});
        noteWritten(0x200B - output / 2, 1);
        if (d)
            d->setPosition(2);
        exchange::writeHolding(transmit(), 0x2013 - output, {static_cast<quint16>(k)});
        noteWritten(0x2013 - output, 1);
    });
    if (!outcome.ok()) {
        finish(false);
        return stepDone(outcome);
    }
    m_lastAll = all;
    m_lastOutput = output;
    m_lastOnTime = m_d->position();
    showInfo(QStringLiteral("Přepněte spínače DIP1 a DIP2 do polohy Off"));
    m_switchesOn = false;
    bool written = false;
    const Outcome onTime = writeOnTime(address, d, written);
    if (written)
        m_updateTimer->start();
    finish(written);
    outcome.written.insert(outcome.written.end(), onTime.written.begin(), onTime.written.end());
    if (!onTime.ok()) {
        Outcome failed = onTime;
        failed.written = outcome.written;
        return stepDone(failed);
    }
    return stepDone(outcome);
}

Outcome TcForm3TestP::writeOnTime(int address, TransmitProgress *progress, bool &lastWritten)
{
    const int first = m_lastAll ? 0 : m_lastOutput;
    const int count = m_lastAll ? 8 : 1;
    if (progress) {
        progress->setMaximum(count);
        progress->setPosition(0);
    }
    // With all outputs a failed write does not keep the others from their on-time.
    Outcome outcome;
    lastWritten = false;
    for (int r = first; r < first + count; ++r) {
        if (progress)
            progress->setPosition(progress->position() + 1);
        const Outcome one = attempt([&] {
            exchange::writeSingle(transmit(), kOnTimes + r, static_cast<quint16>(m_lastOnTime),
                                  nullptr, address);
            noteWritten(kOnTimes + r, 1);
        });
        lastWritten = one.ok();
        outcome.written.insert(outcome.written.end(), one.written.begin(), one.written.end());
        if (!one.ok() && outcome.ok()) {
            outcome.kind = one.kind;
            outcome.error = one.error;
            outcome.message = one.message;
        }
    }
    return outcome;
}

Outcome TcForm3TestP::updateTimerTimer()
{
    // Exactly the last run again: its outputs and its on-time, whatever the window shows now.
    const Step step(*this);
    int address = 0;
    const Outcome file =
        attempt([&] { address = moduleAddress(TTestFile(TTestFile::Use::Run), kAddressKey); });
    if (!file.ok()) {
        m_updateTimer->stop();
        return stepDone(file);
    }
    bool written = false;
    return stepDone(writeOnTime(address, nullptr, written));
}

void TcForm3TestP::beforeRestore()
{
    m_updateTimer->stop();
    if (!m_switchesOn)
        showInfo(QStringLiteral("Přepněte spínače DIP1 a DIP2 do polohy On"));
    m_state->setText(QStringLiteral("Ukončuji proporční test"));
}

std::vector<TestWrite> TcForm3TestP::restoreWrites(const TTestFile &file)
{
    return restoreOf(file);
}

std::vector<TestWrite> TcForm3TestP::restoreOf(const TTestFile &file)
{
    std::vector<quint16> pulses;
    for (int i = 7; i > 0; i -= 2)
        pulses.push_back(static_cast<quint16>((file.byte(QStringLiteral("ZdT%1").arg(i), 1) << 8) |
                                              file.byte(QStringLiteral("ZdT%1").arg(i - 1), 1)));
    for (int i = 7; i >= 0; --i)
        pulses.push_back(static_cast<quint16>(file.word(QStringLiteral("ZdK%1").arg(i), 1)));
    return {{0x2000, {modesAndNegations(file)}},
            {0x2006, {quint16(file.word(kTimeKey, 2))}},
            {0x2008, pulses},
            {0x2018, {keptAddressRegister(file, kAddressKey, kSpeedKey)}}};
}
