#include "pages/controllers/TcForm12.h"

#include "pages/framework/Fields.h"
#include "pages/framework/InputTypes.h"
#include "pages/framework/NumberText.h"
#include "pages/framework/Shape.h"
#include "platform/Prompts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

const QStringList kModels = {QStringLiteral("ZSL")};
const QString kTemperatureHint = QStringLiteral("Rozsah -99,9 až 999,9");
constexpr int kRangeMin = -999;
constexpr int kRangeMax = 9999;

struct DotPosition {
    const char *text;
    int code;
    int places;
    const char *hint;
};
const DotPosition kDots[] = {
    {"X X X X", 0xF8, 0, "Rozsah -999 až 9999"},
    {"X , X X X", 0xFC, 3, "Rozsah -0,999 až 9,999"},
    {"X X , X X", 0xFA, 2, "Rozsah -9,99 až 99,99"},
    {"X X X , X", 0xF9, 1, "Rozsah -99,9 až 999,9"},
};
// The item a read gives for a code it does not know.
constexpr int kDotFallbackItem = 3;

const CodeTable kOutputTypes = {{QStringLiteral("napětí 0 - 10V"), 0x80},
                                {QStringLiteral("proud 0 - 20mA"), 0x90},
                                {QStringLiteral("proud 4 - 20mA"), 0x9B}};

const QStringList kBaudRates = {"1200",  "2400",  "4800",   "9600",   "19200",
                                "38400", "57600", "115200", "128000", "230400"};

void enableField(TNumericField *f, bool on)
{
    f->edit()->setEnabled(on);
    f->bar()->setEnabled(on);
}

void setHint(TNumericField *f, const QString &hint)
{
    f->edit()->setToolTip(hint);
    f->bar()->setToolTip(hint);
}

} // namespace

int TcForm12::dotCode(int item)
{
    return item >= 0 && item < 4 ? kDots[item].code : kDots[kDotFallbackItem].code;
}

int TcForm12::dotItem(int code)
{
    for (int i = 0; i < 4; ++i)
        if (kDots[i].code == code)
            return i;
    return kDotFallbackItem;
}

TcForm12::TcForm12(QWidget *parent)
    : TComponentForm(PageTraits::classic(QStringLiteral("cForm12"), QStringLiteral("ZSL"), kModels)
                         .controlPrefix(QStringLiteral("c"))
                         .verifyDelay(6000)
                         .messagePanelWidth(360),
                     parent)
{
    auto &basic = group(QStringLiteral("Základní nastavení"), 0);
    m_text = &customerText(basic, QStringLiteral("cZdTextEdit"));
    m_address = &networkAddress(basic, QStringLiteral("cSkAdrComboBox"), /*labelHint=*/QString());
    m_speed = &baudList(basic, QStringLiteral("cSkSpdComboBox"), kBaudRates,
                        QStringLiteral("Rozsah 1 200 - 230 400Bd"));
    m_input = &codedCombo(basic, QStringLiteral("cZdIntComboBox"),
                          QStringLiteral("Typ vstupního signálu"), inputTypeCodes(), QString(),
                          QStringLiteral("Určuje typ vstupního signálu"));
    m_off = &numeric(basic, QStringLiteral("cZdOff"), QStringLiteral("Korekční posuv měřené teploty"),
                     Rule::signedDecimal(-100, 100).truncate().length(6), QStringLiteral("°C"),
                     QStringLiteral("Rozsah -100,0 až 100,0"));

    // Range values: the bar holds the register (-999..9999); the edit shows and takes it
    // with the decimals the input and the decimal point say (a thermometer's values are
    // tenths whatever the point says, except on the display pair). Six characters: "-0,999".
    const Rule display = Rule::signedDecimal(kRangeMin / 10.0, kRangeMax / 10.0)
                             .nearest()
                             .placesFrom([this] { return m_dot ? dotPlaces() : 1; })
                             .barOnlyShows()
                             .length(6)
                             .largeStep(100);
    const Rule range = Rule(display).placesFrom(
        [this] { return m_dot && !m_temperature ? dotPlaces() : 1; });
    const QString degrees = QStringLiteral("°C");
    auto &dac = group(QStringLiteral("Nastavení DAC"), 0);
    m_i1 = &numeric(dac, QStringLiteral("cZdI1"),
                    QStringLiteral("Počáteční hodnota vstupního rozsahu pro DAC výstup"), range,
                    degrees, kTemperatureHint);
    m_i2 = &numeric(dac, QStringLiteral("cZdI2"),
                    QStringLiteral("Koncová hodnota vstupního rozsahu pro DAC výstup"), range,
                    degrees, kTemperatureHint);
    m_sp = &numeric(dac, QStringLiteral("cAuSp"), QStringLiteral("Hodnota DAC výstupu při poruše"),
                    range, degrees, kTemperatureHint);
    m_output = &codedCombo(dac, QStringLiteral("cZdOutComboBox"),
                           QStringLiteral("Typ výstupního analogového signálu"), kOutputTypes,
                           QString(), QStringLiteral("Určuje typ výstupního analogového signálu"));
    requiredUnmarked(*m_output);
    m_dac = &radioGroup(dac, QStringLiteral("cDacERadioGroup"), QString(),
                        {QString(), QStringLiteral("Aktivace DAC")});
    m_dac->hide();

    auto &outs = group(QStringLiteral("Nastavení OUT1 a OUT2"), 1);
    m_lim1 = &numeric(outs, QStringLiteral("cAuLim1"),
                      QStringLiteral("Střední komparační hodnota pro OUT1"), range, degrees,
                      kTemperatureHint);
    m_lim2 = &numeric(outs, QStringLiteral("cAuLim2"),
                      QStringLiteral("Střední komparační hodnota pro OUT2"), range, degrees,
                      kTemperatureHint);
    m_hys1 = &numeric(outs, QStringLiteral("cAuHys1"), QStringLiteral("Hysterze pro OUT1"), range,
                      degrees, kTemperatureHint);
    m_hys2 = &numeric(outs, QStringLiteral("cAuHys2"), QStringLiteral("Hysterze pro OUT2"), range,
                      degrees, kTemperatureHint);
    const QStringList modes = {QStringLiteral("Režim \"chlazení\""),
                               QStringLiteral("Režim \"ohřev\"")};
    m_rel1 = &radioGroup(outs, QStringLiteral("cRel1RadioGroup"), QStringLiteral("Režim OUT1"),
                         modes, QString(), 2);
    m_rel2 = &radioGroup(outs, QStringLiteral("cRel2RadioGroup"), QStringLiteral("Režim OUT2"),
                         modes, QString(), 2);

    for (TRadioGroup *g : {m_rel1, m_rel2, m_dac})
        required(*g);

    QStringList dots;
    for (const DotPosition &d : kDots)
        dots << QString::fromUtf8(d.text);
    m_dot = new TRadioGroup(
        QStringLiteral("Poloha desetinné tečky pro lin. odpory, proudové a napěťové signály"), dots,
        this, 4);
    m_dot->setObjectName(QStringLiteral("cDotPositionRadioGroup"));
    m_dot->setToolTip(
        QStringLiteral("Poloha desetinné tečky pro lineární odpory, napěťové a proudové signály"));
    columnLayout(1)->insertWidget(columnLayout(1)->indexOf(&outs) + 1, m_dot);

    auto &ranges = group(QStringLiteral("Nastavení rozsahů"), 0);
    m_i1b = &numeric(ranges, QStringLiteral("cZdI1b"),
                     QStringLiteral("Nastavení počáteční hodnoty vstupního rozsahu (zobrazení)"),
                     display, QString(), kDots[0].hint);
    m_i2b = &numeric(ranges, QStringLiteral("cZdI2b"),
                     QStringLiteral("Nastavení koncové hodnoty vstupního rozsahu (zobrazení)"),
                     display, QString(), kDots[0].hint);
    // Their documented names carry the suffix after the kind.
    m_i1b->edit()->setObjectName(QStringLiteral("cZdI1MaskEdit2"));
    m_i1b->bar()->setObjectName(QStringLiteral("cZdI1ScrollBar2"));
    m_i2b->edit()->setObjectName(QStringLiteral("cZdI2MaskEdit2"));
    m_i2b->bar()->setObjectName(QStringLiteral("cZdI2ScrollBar2"));

    // Both bars of the range start (and of the end) always hold one position; a fallback
    // moves a bar quietly, and its pair follows all the same.
    for (const auto &pair : {std::pair{m_i1, m_i1b}, std::pair{m_i2, m_i2b}}) {
        // Named copies: a lambda may not capture a structured binding in C++17.
        auto *a = pair.first;
        auto *b = pair.second;
        connect(a->bar(), &QScrollBar::valueChanged, b->bar(), &QScrollBar::setValue);
        connect(b->bar(), &QScrollBar::valueChanged, a->bar(), &QScrollBar::setValue);
        a->onAccepted([a, b] { b->setPosition(a->position()); });
        b->onAccepted([a, b] { a->setPosition(b->position()); });
    }
    connect(m_input, &QComboBox::currentIndexChanged, this, [this] { cZdIntComboBoxChange(); });
    connect(m_dot, &TRadioGroup::clicked, this, [this] {
        markChanged(true);
        cDotPositionRadioGroupClick();
    });
    connect(m_dac, &TRadioGroup::clicked, this, [this] { cDacERadioGroupClick(); });
    connect(m_rel1, &TRadioGroup::clicked, this, [this] { relayHint(*m_rel1, "OUT1"); });
    connect(m_rel2, &TRadioGroup::clicked, this, [this] { relayHint(*m_rel2, "OUT2"); });
    for (QComboBox *c : {m_speed, m_address, m_output})
        connect(c, &QComboBox::activated, this, [this, c] { changeOf(c); });
    connect(m_text, &QLineEdit::textChanged, this, [this] { changeOf(m_text); });

    block(0x2000, 17)
        .bits({m_rel1, m_rel2, m_dac})
        .text(*m_text, 10)
        .bytes(*m_input, *m_output)
        .position(*m_off)
        .bytes(*m_address, *m_speed)
        .positions({m_i1, m_i2, m_sp})
        .custom(
            1, [this](quint16 *r) { *r = quint16(dotCode(m_dot->itemIndex())); },
            [this](const quint16 *r) { m_dot->setItemIndex(dotItem(*r & 0xFF)); }, 0x00FF)
        .positions({m_lim1, m_lim2, m_hys1, m_hys2});

    saved({m_text, m_speed, m_address, m_input, m_output, m_off->bar(), m_lim1->bar(),
           m_lim2->bar(), m_hys1->bar(), m_hys2->bar()});
    registerControl(m_i1->bar(), kRangeMin);
    registerControl(m_i2->bar(), kRangeMax);
    registerControl(m_i1b->bar(), kRangeMin);
    registerControl(m_i2b->bar(), kRangeMax);
    saved({m_sp->bar()});
    savedBooleans({m_dac, m_rel1, m_rel2});
    saved({m_dot});

    // Design time: the first items, DAC inactive, the whole range.
    m_input->setCurrentIndex(0);
    m_output->setCurrentIndex(0);
    m_rel1->setItemIndex(0);
    m_rel2->setItemIndex(0);
    m_dot->setItemIndex(0);
    m_dac->setItemIndex(0);
    m_i1->setPosition(kRangeMin);
    m_i2->setPosition(kRangeMax);
    m_off->setPosition(0);
    cDacERadioGroupClick();
    // Two columns of long captions: shorter bars keep the window on a laptop screen.
    for (TNumericField *f : findChildren<TNumericField *>())
        f->bar()->setMinimumWidth(100);
    // The edits of the left column's groups on one line.
    int captions = 0;
    for (QGroupBox *box : {&basic, &dac, &ranges})
        for (QLabel *l : box->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly))
            if (!l->objectName().endsWith(QStringLiteral("ULabel")))
                captions = std::max(captions, l->sizeHint().width());
    for (QGroupBox *box : {&basic, &dac, &ranges})
        static_cast<QGridLayout *>(box->layout())->setColumnMinimumWidth(0, captions);
    finishCreate();
}

std::vector<TNumericField *> TcForm12::rangeFields() const
{
    return {m_lim1, m_lim2, m_hys1, m_hys2, m_i1, m_i2, m_sp, m_i1b, m_i2b};
}

TExtraForm *TcForm12::createLiveWindow()
{
    return new Tc12extForm(*this);
}

int TcForm12::dotPlaces() const
{
    const int item = m_dot->itemIndex();
    return kDots[item >= 0 && item < 4 ? item : kDotFallbackItem].places;
}

void TcForm12::relayHint(TRadioGroup &group, const QString &out)
{
    group.setToolTip(QStringLiteral("Měřená hodnota < komparační hodnota ") + out + " = " + out +
                     (group.itemIndex() == 1 ? QStringLiteral(" je aktivní")
                                             : QStringLiteral(" není aktivní")));
    markChanged(true);
}

void TcForm12::dacHint()
{
    m_dac->setToolTip(m_dac->itemIndex() == 1 ? QStringLiteral("Modul je aktivní")
                                              : QStringLiteral("Modul není aktivní"));
}

void TcForm12::cDacERadioGroupClick()
{
    dacHint();
    // The bars of the kind of input in use give the position to the others.
    if (m_temperature) {
        m_i1b->bar()->setValue(m_i1->position());
        m_i2b->bar()->setValue(m_i2->position());
    } else {
        m_i1->bar()->setValue(m_i1b->position());
        m_i2->bar()->setValue(m_i2b->position());
    }
    m_output->setEnabled(m_dac->itemIndex() == 1);
    markChanged(true);
    inputTypeRules();
}

void TcForm12::inputTypeRules()
{
    const int item = m_input->currentIndex();
    // A code the list does not know leaves the mode as it was.
    if (item >= 0)
        m_temperature = isThermometerItem(item);
    const bool dacOn = m_dac->itemIndex() == 1;
    // Disabled for a linear input, the correction still shows the value it keeps and writes.
    enableField(m_off, m_temperature);
    for (TNumericField *f : {m_lim1, m_lim2, m_hys1, m_hys2, m_i1, m_i2})
        f->unitLabel()->setVisible(m_temperature);
    m_dot->setEnabled(!m_temperature);
    for (TNumericField *f : {m_i1b, m_i2b})
        enableField(f, !m_temperature);
    for (TNumericField *f : {m_i1, m_i2, m_sp})
        enableField(f, m_temperature && dacOn);
    decimalPointRules();
    if (QLabel *label = labelOf(m_input))
        label->setStyleSheet(QString());
    markChanged(true);
}

void TcForm12::decimalPointRules()
{
    const int item = m_dot->itemIndex();
    const QString dotHint = QString::fromUtf8(kDots[item >= 0 && item < 4 ? item : kDotFallbackItem].hint);
    // A thermometer's values are tenths of a degree whatever the decimal point says.
    for (TNumericField *f : {m_lim1, m_lim2, m_hys1, m_hys2, m_i1, m_i2})
        setHint(f, m_temperature ? kTemperatureHint : dotHint);
    for (TNumericField *f : {m_i1b, m_i2b})
        setHint(f, dotHint);
    setHint(m_sp, kTemperatureHint);
    // The failure value too: its text must always be that of the position written.
    for (TNumericField *f : rangeFields())
        f->edit()->setText(f->positionText());
}

void TcForm12::normaliseDecimalPoint()
{
    // No selection is sent as the item a read would show, never as a silent default.
    if (m_dot->itemIndex() < 0)
        m_dot->setItemIndex(kDotFallbackItem);
}

bool TcForm12::validateSelections()
{
    normaliseDecimalPoint();
    return TComponentForm::validateSelections();
}

void TcForm12::settleAfterRead(bool)
{
    cDacERadioGroupClick();
}

void TcForm12::controlsLoaded()
{
    normaliseDecimalPoint();
    relayHint(*m_rel1, "OUT1");
    relayHint(*m_rel2, "OUT2");
    cDacERadioGroupClick();
}

// --- live window ---

Tc12extForm::Tc12extForm(TComponentForm &page) : TExtraForm(page)
{
    auto *input = new QGroupBox(QStringLiteral("Aktuální hodnota na vstupu"), this);
    auto *grid = new QGridLayout(input);
    const MemoRow r = memoRow(*grid, 0, QStringLiteral("measureTemperatureMemo"),
                              QStringLiteral("Měřená hodnota"), QStringLiteral("Měřená hodnota"),
                              QStringLiteral("Měřená vstupní hodnota"), QStringLiteral("0,0"),
                              QStringLiteral("measureTemperatureULabel"), QStringLiteral("°C"));
    measureTemperatureMemo = r.memo;
    measureTemperatureULabel = r.unit;
    contentLayout()->addWidget(input);

    auto *relays = new QGroupBox(QStringLiteral("Stav výstupních relé"), this);
    auto *rgrid = new QGridLayout(relays);
    rgrid->setContentsMargins(6, 6, 6, 6);
    rele1Shape = new TShape(QStringLiteral("rele1Shape"), relays);
    rele2Shape = new TShape(QStringLiteral("rele2Shape"), relays);
    int row = 0;
    for (auto [shape, caption] : {std::pair{rele1Shape, "Relé na výstupu out1"},
                                  std::pair{rele2Shape, "Relé na výstupu out2"}}) {
        auto *label = new QLabel(QString::fromUtf8(caption), relays);
        label->setObjectName(shape->objectName().chopped(5) + QStringLiteral("Label"));
        shape->setState(QColor(0x80, 0, 0), QStringLiteral("Rozepnuto"));
        rgrid->addWidget(label, row, 0);
        rgrid->addWidget(shape, row, 1);
        ++row;
    }
    rgrid->setColumnStretch(0, 1);
    contentLayout()->addWidget(relays);
    setReader(new Tc12extThread(page, *this));
}

Tc12extThread::Tc12extThread(TComponentForm &page, Tc12extForm &window)
    : TFormThread(page, window), m_form(window)
{
}

bool Tc12extThread::readValues()
{
    checkIdentification(kModels);
    // The unit follows the input type as soon as it is read.
    m_code = readRegisters(0x2006, 1).at(0) >> 8;
    const auto measured = readRegisters(0x0000, 2);
    values[0] = static_cast<qint16>(measured.at(0));
    m_relays = measured.at(1) & 0xFF;
    m_valueCode = m_code;
    return true;
}

void Tc12extThread::showValues()
{
    m_form.measureTemperatureULabel->setVisible(m_code < 4);
    m_form.measureTemperatureMemo->setText(m_valueCode < 4 ? formatFixed(values[0] / 10.0, 1)
                                                           : QString::number(values[0]));
    const QColor on(Qt::red), off(0x80, 0, 0);
    m_form.rele1Shape->setState(m_relays & 1 ? on : off,
                                m_relays & 1 ? QStringLiteral("Sepnuto") : QStringLiteral("Rozepnuto"));
    m_form.rele2Shape->setState(m_relays & 2 ? on : off,
                                m_relays & 2 ? QStringLiteral("Sepnuto") : QStringLiteral("Rozepnuto"));
}
