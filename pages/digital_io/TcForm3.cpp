#include "pages/digital_io/TcForm3.h"

#include "pages/digital_io/TcForm3Test.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace digitalio;

namespace {

const QStringList kModels = {QStringLiteral("E-HN2"), QStringLiteral("E HN2")};

QString named(const char *stem, int i, const char *suffix = "")
{
    return QStringLiteral("c3%1%2%3").arg(QLatin1String(stem)).arg(i).arg(QLatin1String(suffix));
}

QString output(int i)
{
    return QStringLiteral("DO.%1").arg(i);
}

constexpr int kSnapshot = 25; // the settings block from 0x2000
const QString kAddressKey = QStringLiteral("c3SkAdrComboBox");
const QString kSpeedKey = QStringLiteral("c3SkSpdComboBox");

// What each test keeps of the block in test.ini, in file order.
std::vector<TestEntry> twoStateEntries(const std::vector<quint16> &r)
{
    std::vector<TestEntry> e = {{QStringLiteral("c3ZdTerScrollBar"), r[6]}};
    addBitEntries(e, QStringLiteral("c3Pdo%1RadioGroup"), quint8(r[0] >> 8), TcForm3::kOutputs);
    addBitEntries(e, QStringLiteral("c3Eout%1CheckBox"), quint8(r[0]), TcForm3::kOutputs);
    e.push_back({kSpeedKey, r[24] & 0xFF});
    e.push_back({kAddressKey, r[24] >> 8});
    addBitEntries(e, QStringLiteral("c3Rout%1CheckBox"), quint8(r[7] >> 8), TcForm3::kOutputs);
    return e;
}

std::vector<TestEntry> proportionalEntries(const std::vector<quint16> &r)
{
    std::vector<TestEntry> e;
    for (int i = 0; i < TcForm3::kOutputs; ++i) {
        const quint16 pair = r[size_t(0x0B - i / 2)];
        e.push_back({QStringLiteral("ZdT%1").arg(i), i % 2 ? pair >> 8 : pair & 0xFF});
    }
    for (int i = TcForm3::kOutputs - 1; i >= 0; --i)
        e.push_back({QStringLiteral("ZdK%1").arg(i), r[size_t(0x13 - i)]});
    e.push_back({QStringLiteral("c3ZdTerScrollBar"), r[6]});
    e.push_back({kSpeedKey, r[24] & 0xFF});
    e.push_back({kAddressKey, r[24] >> 8});
    addBitEntries(e, QStringLiteral("c3Pdo%1RadioGroup"), quint8(r[0] >> 8), TcForm3::kOutputs);
    addBitEntries(e, QStringLiteral("c3Eout%1CheckBox"), quint8(r[0]), TcForm3::kOutputs);
    return e;
}

// A left-over test.ini of either test: the proportional one by its pulse keys, any other with
// the page's keys as the two-state one.
std::vector<TestKind> leftOvers()
{
    QStringList pulses;
    for (int i = 0; i < TcForm3::kOutputs; ++i)
        pulses << QStringLiteral("ZdT%1").arg(i) << QStringLiteral("ZdK%1").arg(i);
    return {{pulses, TcForm3TestP::restoreOf},
            {testKeys(twoStateEntries, kSnapshot), TcForm3Test::restoreOf}};
}

} // namespace

TcForm3::TcForm3(QWidget *parent)
    : TDigitalIoPage(QStringLiteral("c3"), QStringLiteral("E-HN2"), kModels, parent)
{
    auto &basic =
        group(QStringLiteral("Základní nastavení"), 0, QStringLiteral("c3BasicSettingsGroupBox"));
    customerText(basic);
    failureTimeField(basic);
    addressField(basic);
    speedField(basic, QStringLiteral("Rozsah 1 200Bd - 19 200Bd"));
    m_testD =
        &groupButton(basic, QStringLiteral("c3TestDButton"), QStringLiteral("&Dvoustavový TEST"));
    m_testP =
        &groupButton(basic, QStringLiteral("c3TestPButton"), QStringLiteral("&Proporční TEST"));
    connect(m_testD, &QPushButton::clicked, this, [this] { c3TestDButtonClick(); });
    connect(m_testP, &QPushButton::clicked, this, [this] { c3TestPButtonClick(); });
    testButtons({m_testD, m_testP});

    auto &modes = group(QStringLiteral("Režim"), 0, QStringLiteral("c3ModeGroupBox"));
    for (int i = 0; i < kOutputs; ++i) {
        TRadioGroup &mode = radioGroup(modes, named("Pdo", i, "RadioGroup"), output(i),
                                       {QStringLiteral("D"), QStringLiteral("P")},
                                       QStringLiteral("Běžný dvoustavový výstup"), 2);
        mode.setItemIndex(0);
        connect(&mode, &TRadioGroup::clicked, this,
                [this, &mode] { c3Pdo0RadioGroupClick(&mode); });
        m_mode[size_t(i)] = &mode;
    }
    arrange(modes, {m_mode.begin(), m_mode.end()}, 4);
    auto *legend = static_cast<QGridLayout *>(modes.layout());
    legend->addWidget(new QLabel(QStringLiteral("D - dvoustavový"), &modes), 2, 0, 1, 2);
    legend->addWidget(new QLabel(QStringLiteral("P - proporční"), &modes), 2, 2, 1, 2);

    auto &faultGroup = group(QStringLiteral("Hodnota výstupů při poruše - dvoustavový výstup"), 0,
                             QStringLiteral("c3ZdSpGroupBox"));
    const auto faults = faultBoxes(faultGroup, kOutputs, 4);
    auto &still = group(QStringLiteral("Nastavení klidových stavů výstupů (negace)"), 0,
                        QStringLiteral("c3StillStatesGroupBox"));
    const auto negations = negationBoxes(still, kOutputs, 4);
    for (int i = 0; i < kOutputs; ++i) {
        m_fault[size_t(i)] = static_cast<QCheckBox *>(faults[size_t(i)]);
        m_negation[size_t(i)] = static_cast<QCheckBox *>(negations[size_t(i)]);
    }

    auto &steps = group(QStringLiteral("Nastavení počtu kroků pro jednu periodu "), 1,
                        QStringLiteral("c3NumberOfStepsGroupBox"));
    auto &failure = group(QStringLiteral("Hodnota výstupu při poruše - proporční výstup"), 1,
                          QStringLiteral("c3ZdEGroupBox"));
    auto &times = group(QStringLiteral("Nastavení času trvaní jednoho kroku"), 2,
                        QStringLiteral("c3TimeLastGroupBox"));
    for (int i = 0; i < kOutputs; ++i) {
        TNumericField &t =
            numeric(steps, named("ZdT", i), output(i), stepsRule(), QString(),
                    QStringLiteral("Rozsah 1 - 255"),
                    QStringLiteral("Hodnota určuje počet kroků pro jednu periodu v daném kanále"));
        t.bar()->setPageStep(10);
        // The value on a failure takes at most the output's steps per period.
        TNumericField &e = numeric(
            failure, named("ZdE", i), output(i),
            Rule::whole(1, 255)
                .limitsFrom([&t] { return std::make_pair(1.0, double(t.position())); })
                .barRange(1, 1)
                .fallback(QStringLiteral("1"), 1)
                .length(3),
            QString(), QStringLiteral("Rozsah závisí na nastavení počtu kroků pro jednu periodu"),
            QStringLiteral("Stav digitálních výstupů v proporčním režimu při poruše komunikace"));
        e.bar()->setPageStep(10);
        TNumericField &k =
            numeric(times, named("ZdK", i), output(i), stepTimeRule(), QStringLiteral("ms"),
                    QStringLiteral("Rozsah 0,04 - 2621,4"),
                    QStringLiteral("Určuje čas trvaní jednoho kroku v daném kanále. Základní "
                                   "časová jednotka je 40µs. "));
        k.bar()->setPageStep(100);
        connect(t.bar(), &QScrollBar::valueChanged, this,
                [this, &t] { c3ZdE0ScrollBarChange(t.bar()); });
        m_t[size_t(i)] = &t;
        m_e[size_t(i)] = &e;
        m_k[size_t(i)] = &k;
    }
    // Narrow bars: eight rows of three kinds side by side.
    for (QGroupBox *box : {&steps, &failure, &times})
        static_cast<QGridLayout *>(box->layout())->setColumnMinimumWidth(2, 100);
    for (int i = 0; i < kOutputs; ++i)
        for (TNumericField *f : {m_t[size_t(i)], m_e[size_t(i)], m_k[size_t(i)]})
            f->bar()->setMinimumWidth(100);

    // Registers 0x2008-0x2013: T and K from DO.7 down, T two outputs a register.
    auto &image =
        block(0x2000, 25)
            .bits({m_mode.begin(), m_mode.end()}, {m_negation.begin(), m_negation.end()})
            .text(*m_text, 10)
            .position(*m_ter)
            .bits({m_fault.begin(), m_fault.end()}, {}, [this] { return proportionalOutputs(); });
    for (int i = kOutputs - 1; i > 0; i -= 2)
        image.bytes(*m_t[size_t(i)], *m_t[size_t(i - 1)]);
    for (int i = kOutputs - 1; i >= 0; --i)
        image.position(*m_k[size_t(i)]);
    for (int i = kOutputs - 1; i > 0; i -= 2)
        image.bytes(*m_e[size_t(i)], *m_e[size_t(i - 1)]);
    image.bytes(*m_address, *m_speed);

    // The file keeps E before T; a load applies T first, so a saved E is not cut to the T the
    // page happens to show.
    saved({m_text, m_ter->bar(), m_speed, m_address});
    for (QWidget *w : m_mode)
        registerControl(w, 0);
    for (QWidget *w : m_fault)
        registerControl(w, 0);
    for (QWidget *w : m_negation)
        registerControl(w, 0);
    for (TNumericField *e : m_e)
        registerControl(e->bar(), 1, 1);
    for (TNumericField *t : m_t)
        registerControl(t->bar(), 1);
    for (TNumericField *k : m_k)
        registerControl(k->bar(), 0);

    for (int i = 0; i < kOutputs; ++i)
        showMode(i);
    finishCreate();
}

int TcForm3::outputOf(QObject *sender) const
{
    for (int i = 0; i < kOutputs; ++i) {
        const size_t n = size_t(i);
        if (sender == m_mode[n] || sender == m_fault[n] || sender == m_negation[n])
            return i;
        for (TNumericField *f : {m_t[n], m_e[n], m_k[n]})
            if (sender == f || sender == f->edit() || sender == f->bar())
                return i;
    }
    return -1;
}

quint8 TcForm3::proportionalOutputs() const
{
    return bitsOf({m_mode.begin(), m_mode.end()});
}

void TcForm3::showMode(int output)
{
    const size_t n = size_t(output);
    const bool proportional = m_mode[n]->itemIndex() == 1;
    for (TNumericField *f : {m_t[n], m_e[n], m_k[n]}) {
        f->edit()->setEnabled(proportional);
        f->bar()->setEnabled(proportional);
    }
    m_k[n]->unitLabel()->setEnabled(proportional);
    m_fault[n]->setEnabled(!proportional);
    m_mode[n]->setToolTip(proportional ? QStringLiteral("Proporční výstup")
                                       : QStringLiteral("Běžný dvoustavový výstup"));
}

void TcForm3::c3Pdo0RadioGroupClick(QObject *sender)
{
    const int i = outputOf(sender);
    if (i >= 0)
        showMode(i);
    markChanged(true);
}

void TcForm3::c3ZdE0ScrollBarChange(QObject *sender)
{
    const int i = outputOf(sender);
    if (i < 0)
        return;
    const size_t n = size_t(i);
    // A lower T takes the E above it along (the E bar's own change shows it).
    if (sender == m_t[n]->bar())
        m_e[n]->bar()->setMaximum(m_t[n]->position());
    showMode(i);
}

void TcForm3::c3TestDButtonClick()
{
    if (!beginTest())
        return;
    OutputTestPlan plan;
    plan.count = kSnapshot;
    plan.leftOvers = leftOvers();
    plan.afterSnapshot = [this](const QString &ident) {
        showDeviceName(ident);
        readAndShowFirmware();
    };
    plan.entries = twoStateEntries;
    plan.preparation = [](const TTestFile &f) {
        return std::vector<TestWrite>{{0x2000, {0}},
                                      {0x2006, {1}},
                                      {0x2006, {65000}},
                                      {0x2007, {0}},
                                      {0x2018, {testAddressRegister(f, kAddressKey, kSpeedKey)}}};
    };
    plan.openWindow = [this] {
        auto *window = new TcForm3Test(*this);
        window->FormCreate();
        return window;
    };
    prepareOutputTest(plan);
}

void TcForm3::c3TestPButtonClick()
{
    if (!beginTest())
        return;
    OutputTestPlan plan;
    plan.count = kSnapshot;
    plan.leftOvers = leftOvers();
    plan.entries = proportionalEntries;
    plan.preparation = [](const TTestFile &f) {
        // Every output proportional with one step of 40 us.
        return std::vector<TestWrite>{
            {0x2000, {0xFF00}},
            {0x2006, {65000}},
            {0x2008, {0x0101, 0x0101, 0x0101, 0x0101, 1, 1, 1, 1, 1, 1, 1, 1}},
            {0x2018, {testAddressRegister(f, kAddressKey, kSpeedKey)}}};
    };
    plan.openWindow = [this] {
        auto *window = new TcForm3TestP(*this);
        window->FormCreate();
        return window;
    };
    prepareOutputTest(plan);
}
