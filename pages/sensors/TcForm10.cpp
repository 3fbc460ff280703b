#include "pages/sensors/TcForm10.h"

#include "pages/framework/Fields.h"
#include "pages/framework/InputTypes.h"
#include "pages/framework/NumberText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace {

const QStringList kModels = {QStringLiteral("E-UV6"), QStringLiteral("E UV6")};
constexpr int kClientWidth = 752;

} // namespace

TcForm10::TcForm10(QWidget *parent)
    : TComponentForm(
          PageTraits::classic(QStringLiteral("cForm10"), QStringLiteral("E-UV6"), kModels)
              .firmwarePanelWidth(100)
              .messagePanelWidth(360),
          parent)
{
    auto &basic = group(QStringLiteral("Základní nastavení"), -1);
    m_text = &customerText(basic, QStringLiteral("c10ZdTextEdit"));
    m_speed = &baudList(basic, QStringLiteral("c10SkSpdComboBox"), baudRates(),
                        QStringLiteral("Rozsah 1 200 - 19 200Bd"),
                        QStringLiteral("Komunikační rychlost"));
    m_address = &networkAddress(basic, QStringLiteral("c10SkAdrComboBox"));

    const QString rangeHint = QStringLiteral("Rozsah -32767 až 32766");
    const QString startCaption = QStringLiteral("Počáteční hodnota vstupního rozsahu");
    const QString endCaption = QStringLiteral("Koncová hodnota vstupního rozsahu");
    const QString offCaption = QStringLiteral("Korekční posuv měřené teploty");
    // The ranges are plain numbers; bars only show their position.
    const Rule range = Rule::signedWhole(-32767, 32766).barOnlyShows().length(6);
    for (int i = 0; i < 4; ++i) {
        const QString n = QString::number(i);
        auto &box = group(QStringLiteral("Nastavení vstupu AI.") + n, i % 2);
        Input &in = m_inputs[i];
        in.type = &codedCombo(box, "c10ZdInt" + n + "ComboBox",
                              QStringLiteral("Typ vstupního signálu AI.") + n, inputTypeCodes(),
                              QString(), QStringLiteral("Typ snímače"),
                              QStringLiteral("Určuje typ teplotního odporového snímače"));
        in.off =
            &numeric(box, "c10ZdOff" + n, offCaption,
                     Rule::signedDecimal(-100, 100).barOnlyShows().length(6), QStringLiteral("°C"),
                     QStringLiteral("Rozsah -100,0 až 100,0"), offCaption);
        in.start =
            &numeric(box, "c10AuIl" + n, startCaption, range, QString(), rangeHint, startCaption);
        in.end = &numeric(box, "c10AuIh" + n, endCaption, range, QString(), rangeHint, endCaption);
        // Design time: the first type, no correction, the whole range.
        in.type->setCurrentIndex(0);
        in.off->setPosition(0);
        in.end->setPosition(32766);
        typeChange(in);
        // Only a user's choice brings the type's range defaults.
        connect(in.type, &QComboBox::activated, this,
                [this, combo = in.type] { c10ZdTextEditChange(combo); });
    }
    connect(m_speed, &QComboBox::activated, this, [this] { c10ZdTextEditChange(m_speed); });
    connect(m_address, &QComboBox::activated, this, [this] { c10ZdTextEditChange(m_address); });

    auto &image = block(0x2001, 20)
                      .text(*m_text, 10)
                      .bytes(*m_address, *m_speed)
                      .bytes(*m_inputs[0].type, *m_inputs[1].type)
                      .bytes(*m_inputs[2].type, *m_inputs[3].type);
    for (const Input &in : m_inputs)
        image.position(*in.off);
    for (const Input &in : m_inputs)
        image.position(*in.start);
    for (const Input &in : m_inputs)
        image.position(*in.end);

    saved({m_text, m_speed, m_address});
    for (const Input &in : m_inputs)
        saved({in.type, in.start->bar(), in.end->bar(), in.off->bar()});

    // Two columns of inputs: shorter bars keep the window about its original width.
    for (TNumericField *f : findChildren<TNumericField *>())
        f->bar()->setMinimumWidth(100);
    for (QGroupBox *box : findChildren<QGroupBox *>())
        if (auto *grid = qobject_cast<QGridLayout *>(box->layout()))
            grid->setColumnMinimumWidth(2, 100);
    alignColumns(kClientWidth);
    finishCreate();
}

TExtraForm *TcForm10::createLiveWindow()
{
    return new Tc10extForm(*this);
}

void TcForm10::c10ZdTextEditChange(QObject *sender)
{
    for (const Input &in : m_inputs)
        if (sender == in.type)
            typeChange(in);
    suppressRangeDefaults = false;
    markChanged(true);
}

void TcForm10::typeChange(const Input &input)
{
    const int item = input.type->currentIndex();
    const bool ranged = item > 3;
    for (TNumericField *f : {input.start, input.end}) {
        f->edit()->setEnabled(ranged);
        f->bar()->setEnabled(ranged);
    }
    input.off->edit()->setEnabled(!ranged);
    input.off->bar()->setEnabled(!ranged);
    if (ranged && !suppressRangeDefaults) {
        const InputType &t = inputTypes()[size_t(item)];
        input.start->setPosition(t.rangeStart);
        input.end->setPosition(t.rangeEnd);
    }
    if (QLabel *label = labelOf(input.type))
        label->setStyleSheet(QString());
}

void TcForm10::settleTypes()
{
    // The enabled fields follow the types read or loaded; their ranges stay.
    for (const Input &in : m_inputs) {
        suppressRangeDefaults = true;
        c10ZdTextEditChange(in.type);
    }
}

void TcForm10::settleAfterRead(bool)
{
    settleTypes();
}

void TcForm10::controlsLoaded()
{
    settleTypes();
}

// --- live window ---

Tc10extForm::Tc10extForm(TComponentForm &page) : TExtraForm(page)
{
    auto *box = new QGroupBox(QStringLiteral("Měření vstupních signálů modulu"), this);
    box->setObjectName(QStringLiteral("measureGroupBox"));
    auto *grid = new QGridLayout(box);
    for (int i = 0; i < 4; ++i) {
        const QString n = QString::number(i);
        const MemoRow r = memoRow(
            *grid, i, "measureTemperature" + n + "Memo", QStringLiteral("Hodnota vstupu AI.") + n,
            QStringLiteral("Hodnota ze vstupu AI.") + n, QStringLiteral("Měřená hodnota"),
            QStringLiteral("0,0"), "measureTemperatureU" + n + "Label", QStringLiteral("°C"),
            QStringLiteral("-32767"));
        measureTemperatureMemo[i] = r.memo;
        measureTemperatureULabel[i] = r.unit;
    }
    contentLayout()->addWidget(box);
    setReader(new Tc10extThread(page, *this));
}

Tc10extThread::Tc10extThread(TComponentForm &page, Tc10extForm &window)
    : TFormThread(page, window), m_form(window)
{
}

bool Tc10extThread::readValues()
{
    checkIdentification(kModels);
    // The units follow the types as soon as they are read, even when the values' read fails.
    const auto types = readRegisters(0x2007, 2);
    for (int i = 0; i < 4; ++i)
        m_codes[i] = i % 2 == 0 ? types.at(size_t(i / 2)) >> 8 : types.at(size_t(i / 2)) & 0xFF;
    const auto measured = readRegisters(0x0000, 4);
    for (int i = 0; i < 4; ++i) {
        values[i] = static_cast<qint16>(measured.at(size_t(i)));
        m_valueCodes[i] = m_codes[i];
    }
    return true;
}

void Tc10extThread::showValues()
{
    for (int i = 0; i < 4; ++i) {
        m_form.measureTemperatureULabel[i]->setVisible(m_codes[i] < 4);
        // A value stays that of the last good poll, shown as its type says.
        m_form.measureTemperatureMemo[i]->setText(
            m_valueCodes[i] < 4 ? formatFixed(values[i] / 10.0, 1) : QString::number(values[i]));
    }
}
