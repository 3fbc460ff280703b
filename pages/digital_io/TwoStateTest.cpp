#include "pages/digital_io/TwoStateTest.h"

#include "pages/framework/Exchanges.h"
#include "pages/framework/Fields.h"
#include "shell/SystemDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kOutputStates = 0x0100;
}

TTwoStateTestForm::TTwoStateTestForm(TComponentForm &page, const Declaration &d)
    : TOutputTestForm(page, d.formName, d.caption), m_d(d)
{
    const QString &p = d.prefix;
    auto *layout = new QVBoxLayout(body());
    layout->setContentsMargins(10, 10, 10, 10);
    m_state = new QLabel(QStringLiteral("Testování přípravku ") + d.model, body());
    m_state->setObjectName(p + "TestStateLabel");
    layout->addWidget(m_state);

    m_mode =
        new TRadioGroup(QStringLiteral("Režim"),
                        {QStringLiteral("Automaticky"), QStringLiteral("Manuálně")}, body(), 2);
    m_mode->setObjectName(p + "TestModeRadioGroup");
    m_mode->setToolTip(
        QStringLiteral("Manuální režim ponechá komponentě nastavení z testovacího rozhraní"));
    m_mode->setItemIndex(0);
    connect(m_mode, &TRadioGroup::clicked, this, [this] { testModeRadioGroupClick(); });
    layout->addWidget(m_mode);

    auto *outputs = new QGroupBox(QStringLiteral("Výstupy"), body());
    outputs->setObjectName(p + "TestOutGroupBox");
    outputs->setToolTip(QStringLiteral("Vyberte výstupy, které chcete otestovat"));
    auto *grid = new QGridLayout(outputs);
    const int rows = (d.outputs + 1) / 2;
    for (int i = 0; i < d.outputs; ++i) {
        auto *box = new QCheckBox(QStringLiteral("DO.%1").arg(i), outputs);
        box->setObjectName(p + QStringLiteral("TestOut%1CheckBox").arg(i));
        box->setToolTip(QStringLiteral("Výstup %1").arg(i));
        box->setEnabled(false);
        grid->addWidget(box, i % rows, i / rows);
        m_boxes.push_back(box);
    }
    layout->addWidget(outputs);

    m_run = new QPushButton(QStringLiteral("Spustit test"), body());
    m_run->setObjectName(p + "TestRunButton");
    m_run->setToolTip(QStringLiteral("Tímto tlačítkem spustíte test"));
    connect(m_run, &QPushButton::clicked, this, [this] { testRunButtonClick(); });
    layout->addWidget(m_run);
}

void TTwoStateTestForm::FormCreate()
{
    show();
    showInfo(QStringLiteral("Pro funkčnost testu je nezbytné nastavit spínače DIP1 a DIP2 do "
                            "polohy OFF"));
}

void TTwoStateTestForm::testModeRadioGroupClick()
{
    const bool manual = m_mode->itemIndex() == 1;
    for (QCheckBox *box : m_boxes)
        box->setEnabled(manual);
}

Outcome TTwoStateTestForm::testRunButtonClick()
{
    const Step step(*this);
    const bool manual = m_mode->itemIndex() == 1;
    const int n = m_d.outputs;
    TSystemDialog *d = dialog();
    if (d) {
        d->showOverPage();
        d->setMaximum(n + 2);
        d->setPosition(1);
        d->setBarVisible(true);
    }
    const Outcome outcome = attempt([&] {
        const int address = moduleAddress(TTestFile(TTestFile::Use::Run), m_d.addressKey);
        quint16 value = 0;
        bool any = false;
        for (int i = 0; i <= n; ++i) {
            if (d)
                d->setPosition(d->position() + 1);
            // An output left out in "Manuálně" is skipped without a wait.
            if (i < n && manual && !m_boxes[size_t(i)]->isChecked())
                continue;
            if (i == n && any)
                continue;
            if (i < n) {
                value = static_cast<quint16>(value | (1u << i));
                any = true;
            }
            exchange::writeSingle(transmit(), kOutputStates, value, nullptr, address);
            noteWritten(kOutputStates, 1);
            waitForNextSecond();
        }
        if (!manual) {
            exchange::writeSingle(transmit(), kOutputStates, 0, nullptr, address);
            noteWritten(kOutputStates, 1);
        }
        if (d)
            d->setPosition(n + 2);
        waitForNextSecond();
    });
    if (d) {
        d->setBarVisible(false);
        d->closeOverPage();
    }
    return stepDone(outcome);
}

void TTwoStateTestForm::beforeRestore()
{
    showInfo(QStringLiteral("Nastavte spínače DIP1 a DIP2 do polohy ON"));
}
