#include "pages/digital_io/TcForm7.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <cmath>

using namespace digitalio;

namespace {

const QStringList kModels = {QStringLiteral("E-HB2"), QStringLiteral("E HB2")};

// Sampling time in milliseconds, in steps of 25 us (register 1..65535); microseconds that are
// no multiple of 25 are lowered to one.
Rule samplingTimeRule()
{
    return Rule::unsignedDecimal(0.025, 1638.375, 3)
        .scaled(40)
        .singleTruncate()
        .barRange(1, 65535)
        .fallback(QStringLiteral("0,025"), 1)
        .warnBounds(QStringLiteral("0,025"), QStringLiteral("1638,375"))
        .length(8)
        .quantize([](double ms) {
            double us = std::trunc(static_cast<double>(static_cast<float>(ms * 1000)));
            if (us > 25 && us < 1638375)
                us -= std::fmod(us, 25);
            return us / 1000;
        });
}

} // namespace

TcForm7::TcForm7(QWidget *parent)
    : TDigitalIoPage(QStringLiteral("c7"), QStringLiteral("E-HB2"), kModels, parent)
{
    QGroupBox &basic = inputModuleBasics();
    m_testIn =
        &groupButton(basic, QStringLiteral("c7TestInButton"), QStringLiteral("&Test vstupů"));
    connect(m_testIn, &QPushButton::clicked, this, [this] { c7TestInButtonClick(); });
    testButtons({m_testIn});

    auto &advanced = group(QStringLiteral("Rozšiřující nastavení"), 0,
                           QStringLiteral("c7AdvanceSettingsGroupBox"));
    const QString range = QStringLiteral("Rozsah 0,025 až 1 638,375");
    m_ivz = &numeric(advanced, QStringLiteral("c7ZdIvz"),
                     QStringLiteral("Doba vzorkování digitálních vstupů"), samplingTimeRule(),
                     QStringLiteral("ms"), range);
    m_ivz->bar()->setPageStep(100);

    auto &edges = group(QStringLiteral("Nastavení citlivosti na hranu vstupů DIx"), 1,
                        QStringLiteral("c7InputSensitivityGroupBox"));
    m_edges = edgeGroups(edges, kInputs, 2);

    block(0x2000, 10)
        .bits(m_edges)
        .text(*m_text, 10)
        .position(*m_ter)
        .gap(1)
        .position(*m_ivz)
        .bytes(*m_address, *m_speed);

    saved({m_text, m_speed, m_address});
    registerControl(m_ter->bar(), 1);
    registerControl(m_ivz->bar(), 1);
    for (QWidget *w : m_edges)
        registerControl(w, 0);
    finishCreate();
}

TRadioGroup *TcForm7::edge(int i) const
{
    return static_cast<TRadioGroup *>(m_edges[size_t(i)]);
}

void TcForm7::c7TestInButtonClick()
{
    if (!beginTest())
        return;
    auto *window = new TcForm7TestDI(*this);
    window->FormCreate();
}

TcForm7TestDI::TcForm7TestDI(TComponentForm &page)
    : TDigitalInputTest(page, {QStringLiteral("c7"), QStringLiteral("cForm7TestDI"),
                               QStringLiteral("E-HB2 Test DI.x"), QStringLiteral("E-HB2"),
                               TcForm7::kInputs})
{
}

TInputTestPoll *TcForm7TestDI::createPoll()
{
    return new cForm7TestDIThread(*this);
}

cForm7TestDIThread::cForm7TestDIThread(TcForm7TestDI &window) : TDigitalInputPoll(window, kModels)
{
}
