#include "pages/digital_io/TcForm9.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <cmath>

using namespace digitalio;

namespace {

const QStringList kModels = {QStringLiteral("E-HB5/HN9"), QStringLiteral("E HB5/HN9")};
const QString kAddressKey = QStringLiteral("c9SkAdrComboBox");
const QString kSpeedKey = QStringLiteral("c9SkSpdComboBox");
constexpr int kSnapshot = 10; // the settings block from 0x2000

// What the output test keeps of the block in test.ini, in file order.
std::vector<TestEntry> outputTestEntries(const std::vector<quint16> &r)
{
    std::vector<TestEntry> e = {{QStringLiteral("c9ZdTerScrollBar"), r[6]}};
    addBitEntries(e, QStringLiteral("c9Rout%1CheckBox"), quint8(r[0]), TcForm9::kOutputs);
    e.push_back({kSpeedKey, r[9] & 0xFF});
    // 255 is no address a restore could give the module back.
    e.push_back({kAddressKey, std::min(r[9] >> 8, 254)});
    addBitEntries(e, QStringLiteral("c9Eout%1CheckBox"), quint8(r[7] >> 8), TcForm9::kOutputs);
    return e;
}

// Sampling time in seconds, in steps of 100 us (register 1..65535). The edit shows the step
// the register holds.
Rule samplingTimeRule()
{
    return Rule::unsignedDecimal(0.0001, 6.5535, 4)
        .scaled(10000)
        .singleTruncate()
        .barRange(1, 65535)
        .fallback(QStringLiteral("0,0001"), 1)
        .warnBounds(QStringLiteral("0,0001"), QStringLiteral("6,5535"))
        .length(6)
        .quantize([](double s) {
            return std::trunc(static_cast<double>(static_cast<float>(s * 10000))) / 10000;
        });
}

} // namespace

TcForm9::TcForm9(QWidget *parent)
    : TDigitalIoPage(QStringLiteral("c9"), QStringLiteral("E-HB5/HN9"), kModels, parent)
{
    QGroupBox &basic = inputModuleBasics();
    m_testOut =
        &groupButton(basic, QStringLiteral("c9TestOutButton"), QStringLiteral("Te&st výstupů"));
    m_testIn =
        &groupButton(basic, QStringLiteral("c9TestInButton"), QStringLiteral("&Test vstupů"));
    connect(m_testOut, &QPushButton::clicked, this, [this] { c9TestOutButtonClick(); });
    connect(m_testIn, &QPushButton::clicked, this, [this] { c9TestInButtonClick(); });
    testButtons({m_testOut, m_testIn});

    auto &outputs =
        group(QStringLiteral("Nastavení výstupů"), 1, QStringLiteral("c9OutputGroupBox"));
    auto &still = subGroup(outputs, QStringLiteral("c9StillStatesGroupBox"),
                           QStringLiteral("Nastavení klidových stavů"), 0, 0);
    m_negations = negationBoxes(still, kOutputs);
    auto &faults = subGroup(outputs, QStringLiteral("c9ZdSpGroupBox"),
                            QStringLiteral("Hodnota při poruše"), 0, 1);
    m_faults = faultBoxes(faults, kOutputs);

    auto &inputs = group(QStringLiteral("Nastavení vstupů"), 0, QStringLiteral("c9InputGroupBox"));
    m_ivz = &numeric(inputs, QStringLiteral("c9ZdIvz"),
                     QStringLiteral("Doba vzorkování digitálních vstupů"), samplingTimeRule(),
                     QStringLiteral("s"), QStringLiteral("Rozsah 0,0001 - 6,5535"));
    m_ivz->bar()->setPageStep(1000);
    auto *grid = static_cast<QGridLayout *>(inputs.layout());
    auto *sensitivity = new QGroupBox(QStringLiteral("Nastavení citlivosti na hranu DIx"), &inputs);
    sensitivity->setObjectName(QStringLiteral("c9InputSensitivityGroupBox"));
    sensitivity->setLayout(new QGridLayout);
    grid->addWidget(sensitivity, grid->rowCount(), 0, 1, 4);
    m_edges = edgeGroups(*sensitivity, kInputs, 3);

    block(0x2000, 11)
        .bits({}, m_negations)
        .text(*m_text, 10)
        .position(*m_ter)
        .bits(m_faults)
        .position(*m_ivz)
        .bytes(*m_address, *m_speed)
        .bits(m_edges);

    saved({m_text, m_speed, m_address});
    registerControl(m_ter->bar(), 1);
    registerControl(m_ivz->bar(), 1);
    for (const auto *row : {&m_edges, &m_negations, &m_faults})
        for (QWidget *w : *row)
            registerControl(w, 0);
    finishCreate();
}

TRadioGroup *TcForm9::edge(int i) const
{
    return static_cast<TRadioGroup *>(m_edges[size_t(i)]);
}

QCheckBox *TcForm9::negation(int i) const
{
    return static_cast<QCheckBox *>(m_negations[size_t(i)]);
}

QCheckBox *TcForm9::fault(int i) const
{
    return static_cast<QCheckBox *>(m_faults[size_t(i)]);
}

void TcForm9::c9TestOutButtonClick()
{
    if (!beginTest())
        return;
    OutputTestPlan plan;
    plan.count = kSnapshot;
    plan.leftOvers = {{testKeys(outputTestEntries, kSnapshot), TcForm9Test::restoreOf}};
    plan.entries = outputTestEntries;
    plan.preparation = [](const TTestFile &f) {
        return std::vector<TestWrite>{{0x2000, {0}},
                                      {0x2006, {65000, 0}},
                                      {0x2009, {testAddressRegister(f, kAddressKey, kSpeedKey)}}};
    };
    plan.openWindow = [this] {
        auto *window = new TcForm9Test(*this);
        window->FormCreate();
        return window;
    };
    prepareOutputTest(plan);
}

void TcForm9::c9TestInButtonClick()
{
    if (!beginTest())
        return;
    auto *window = new TcForm9TestDI(*this);
    window->FormCreate();
}

// --- tests ---

TcForm9Test::TcForm9Test(TComponentForm &page)
    : TTwoStateTestForm(page, {QStringLiteral("c9"), QStringLiteral("cForm9Test"),
                               QStringLiteral("E-HB5/HN9 Test  DO.x"), QStringLiteral("E-HB5/HN9"),
                               TcForm9::kOutputs, kAddressKey})
{
}

std::vector<TestWrite> TcForm9Test::restoreWrites(const TTestFile &file)
{
    return restoreOf(file);
}

std::vector<TestWrite> TcForm9Test::restoreOf(const TTestFile &file)
{
    const int outputs = TcForm9::kOutputs;
    return {{0x2000, {file.bits(QStringLiteral("c9Rout%1CheckBox"), outputs)}},
            {0x2006,
             {quint16(file.word(QStringLiteral("c9ZdTerScrollBar"), 1)),
              quint16(file.bits(QStringLiteral("c9Eout%1CheckBox"), outputs) << 8)}},
            {0x2009, {keptAddressRegister(file, kAddressKey, kSpeedKey)}}};
}

TcForm9TestDI::TcForm9TestDI(TComponentForm &page)
    : TDigitalInputTest(page, {QStringLiteral("c9"), QStringLiteral("cForm9TestDI"),
                               QStringLiteral("E-HB5/HN9 Test  DI.x"), QStringLiteral("E-HB5/HN9"),
                               TcForm9::kInputs})
{
}

TInputTestPoll *TcForm9TestDI::createPoll()
{
    return new cForm9TestDIThread(*this);
}

cForm9TestDIThread::cForm9TestDIThread(TcForm9TestDI &window) : TDigitalInputPoll(window, kModels)
{
}
