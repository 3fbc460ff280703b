#include "pages/digital_io/DigitalInputTest.h"

#include "pages/framework/Fields.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
constexpr int kInputStates = 0x0000;
constexpr int kCounters = 0x0008;
constexpr int kCounterCount = 8;
} // namespace

TDigitalInputTest::TDigitalInputTest(TComponentForm &page, const Declaration &d)
    : TInputTestForm(page, d.formName, d.caption)
{
    const QString &p = d.prefix;
    auto *layout = new QVBoxLayout(body());
    layout->setContentsMargins(10, 10, 10, 10);
    auto *panel = new QWidget(body());
    panel->setObjectName(QStringLiteral("Panel1"));
    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 4);
    auto *state = new QLabel(QStringLiteral("Testování přípravku ") + d.model, panel);
    state->setObjectName(p + "TestDIStateLabel");
    panelLayout->addWidget(state);
    layout->addWidget(panel);

    // Both groups only show: the polls fill them.
    auto *twoState = new QGroupBox(QStringLiteral("Dvoustavový režim vstupů"), body());
    twoState->setObjectName(p + "TwoStateModeTestDIGroupBox");
    twoState->setEnabled(false);
    auto *stateGrid = new QGridLayout(twoState);
    auto *counting = new QGroupBox(QStringLiteral("Čítačový režim vstupů"), body());
    counting->setObjectName(p + "CountingModeTestDIGroupBox");
    counting->setEnabled(false);
    auto *countGrid = new QGridLayout(counting);
    const int columns = d.inputs > 4 ? 4 : d.inputs;
    for (int i = 0; i < d.inputs; ++i) {
        const QString input = QStringLiteral("DI.%1").arg(i);
        auto *group =
            new TRadioGroup(input, {QStringLiteral("Low"), QStringLiteral("High")}, twoState, 2);
        group->setObjectName(p + QStringLiteral("DI%1TestDIRadioGroup").arg(i));
        stateGrid->addWidget(group, i / columns, i % columns);
        m_states.push_back(group);

        auto *label = new QLabel(input, counting);
        auto *edit = new QLineEdit(QStringLiteral("0"), counting);
        edit->setObjectName(p + QStringLiteral("DI%1CounterTestDIEdit").arg(i));
        edit->setMaxLength(5);
        edit->setAlignment(Qt::AlignRight);
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
        countGrid->addWidget(label, i / columns, 2 * (i % columns));
        countGrid->addWidget(edit, i / columns, 2 * (i % columns) + 1);
        m_counters.push_back(edit);
    }
    layout->addWidget(twoState);
    layout->addWidget(counting);
}

void TDigitalInputTest::FormCreate()
{
    show();
    start(createPoll());
}

void TDigitalInputTest::showInputs(quint8 states, const std::vector<quint16> &counters)
{
    for (size_t i = 0; i < m_states.size(); ++i) {
        m_states[i]->setItemIndex((states >> i) & 1u);
        if (i < counters.size())
            m_counters[i]->setText(QString::number(counters[i]));
    }
}

TDigitalInputPoll::TDigitalInputPoll(TDigitalInputTest &window, const QStringList &models)
    : TInputTestPoll(window), m_window(window), m_models(models)
{
}

void TDigitalInputPoll::poll()
{
    checkIdentification(m_models);
    const quint8 states = static_cast<quint8>(readRegisters(kInputStates, 1).at(0) >> 8);
    const std::vector<quint16> counters = readRegisters(kCounters, kCounterCount);
    show([&] { m_window.showInputs(states, counters); });
}
