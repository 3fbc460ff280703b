#include "pages/converters/PwmConverter.h"

#include "pages/converters/PwmTimeBase.h"
#include "pages/framework/NumberText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace {

const QStringList kResolutions = {QStringLiteral("8 bitů, tedy 256 úrovní"),
                                  QStringLiteral("16 bitů, tedy 65536 úrovní")};
const QStringList kDirections = {
    QStringLiteral("Při vzrůstajícím vstupním signálu výstupní PWM signál stoupá"),
    QStringLiteral("Při vzrůstajícím vstupním signálu výstupní PWM signál klesá")};
const QStringList kTypeSettings = {QStringLiteral("Periodu (ms)"),
                                   QStringLiteral("Frekvenci (Hz)")};

} // namespace

TPwmConverterForm::TPwmConverterForm(const PageTraits &traits, const PwmConverterDeclaration &d,
                                     QWidget *parent)
    : TConverterForm(traits, parent)
{
    const QString &p = d.prefix;
    basicSettings(d);
    pwmSettings(d);

    auto &fault = group(QStringLiteral("Nastavení poruchové hodnoty"));
    m_sp = &numeric(
        fault, p + "AuSp", QStringLiteral("Hodnota výstupu při poruše teplotního čidla"),
        temperature(-100, 400), QStringLiteral("°C"), QStringLiteral("Rozsah -100,0 až 400,0"),
        QStringLiteral("Hodnota výstupu  při poruše teplotního čidla. Hodnota určuje "
                       "teplotu , která nahradí nekorektní hodnotu z čidla pro výpočet "
                       "výstupního PWM signálu"));
    m_sp->setPosition(0);

    m_ranges = &group(QStringLiteral("Nastavení rozsahů"));
    inputRange(*m_ranges, p);
}

void TPwmConverterForm::pwmSettings(const PwmConverterDeclaration &d)
{
    const QString &p = d.prefix;
    auto &box = group(QStringLiteral("Nastaven PWM signálu"));
    auto *grid = static_cast<QGridLayout *>(box.layout());
    m_pwm16 =
        &radioGroup(box, p + "Pwm16RadioGroup",
                    QStringLiteral("Nastavení rozlišení výstupního PWM signálu"), kResolutions);
    m_typeSetting = &radioGroup(box, p + "PWMTypeSettingRadioGroup",
                                QStringLiteral("Chci nastavovat PWM signál jako"), kTypeSettings);
    // The two short groups side by side, their items in a row; the direction below them.
    auto *pair = new QHBoxLayout;
    for (TRadioGroup *g : {m_pwm16, m_typeSetting}) {
        g->setColumns(2);
        grid->removeWidget(g);
        pair->addWidget(g);
    }
    grid->addLayout(pair, grid->rowCount(), 0, 1, 4);
    m_pinv = &radioGroup(box, p + "PInvRadioGroup",
                         QStringLiteral("Nastavení směru přírůstku výstupního PWM signálu"),
                         kDirections);

    m_pwm = &numeric(box, p + "PWM", QStringLiteral("Perioda PWM výstupního signálu"),
                     Rule::openDecimal(3).barRange(0, 246).barOnlyShows().length(8),
                     QStringLiteral("ms"));
    m_pwm->edit()->setObjectName(p + "PWMEdit");
    // The edit shows the time base's period or frequency, not position / scale.
    m_pwm->setEditFollowsBar(false);
    m_pwm->bar()->setPageStep(10);

    QStringList items;
    for (int tb = 0; tb <= 255; ++tb)
        items << QString::number(tb);
    m_tb = &combo(box, p + "AuTbComboBox", QStringLiteral("Časová báze výstupního PWM signálu"),
                  items, d.timeBaseShown ? QStringLiteral("bitů") : QString());
    m_tb->setEnabled(false);
    if (!d.timeBaseShown) {
        m_tb->hide();
        labelOf(m_tb)->hide();
    }

    connect(m_pwm->bar(), &QScrollBar::valueChanged, this, [this] { pwmScrollBarChange(); });
    connect(m_pwm16, &TRadioGroup::clicked, this, [this] { radioGroupClick(m_pwm16); });
    connect(m_pinv, &TRadioGroup::clicked, this, [this] { radioGroupClick(m_pinv); });
    connect(m_typeSetting, &TRadioGroup::clicked, this, [this] { pwmTypeSettingClick(); });

    // Design time: 8 bits, rising, a period; the shortest period.
    m_pwm16->setItemIndex(0);
    m_pinv->setItemIndex(0);
    m_typeSetting->setItemIndex(0);
    m_pwm->setPosition(246);
}

bool TPwmConverterForm::sixteenBits() const
{
    return m_pwm16->itemIndex() == 1;
}

bool TPwmConverterForm::frequencyMode() const
{
    return m_typeSetting->itemIndex() == 1;
}

void TPwmConverterForm::pwmScrollBarChange()
{
    const int tb = m_pwm->position();
    m_tb->setCurrentIndex(tb);
    const QString text = formatFixed(pwm::valueOf(tb, {sixteenBits(), frequencyMode()}), 3);
    // The same text keeps a selection the range warning made.
    if (m_pwm->edit()->text() != text)
        m_pwm->edit()->setText(text);
    markChanged(true);
}

void TPwmConverterForm::pwmTypeSettingClick()
{
    const bool frequency = frequencyMode();
    const bool wide = sixteenBits();
    m_typeSetting->setToolTip(frequency ? QStringLiteral("Nastavovat PWM jako frekvenci")
                                        : QStringLiteral("Nastavovat PWM jako periodu"));
    QLabel *label = labelOf(m_pwm->edit());
    label->setText(frequency ? QStringLiteral("Frekvence PWM výstupního signálu")
                             : QStringLiteral("Perioda PWM výstupního signálu"));
    label->setToolTip(frequency ? QStringLiteral("Frekvence PWM výstupního signálu (ms)")
                                : QStringLiteral("Perioda PWM výstupního signálu (ms)"));
    const QString unit = frequency ? QStringLiteral("Hz") : QStringLiteral("ms");
    m_pwm->unitLabel()->setText(unit);
    const auto [lo, hi] = pwm::bounds({wide, frequency});
    const QString hint = QStringLiteral("Rozsah ") + formatShortest(lo) + QStringLiteral(" až ") +
                         formatShortest(hi) + QStringLiteral(" ") + unit;
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_pwm->unitLabel(), m_pwm->edit(), m_pwm->bar()})
        w->setToolTip(hint);
    // The list's time base, within the resolution's limit. The bar must not pass a
    // clamped position on to the list before it takes the list's.
    const int max = pwm::maxTimeBase(wide);
    const int tb =
        std::min(m_tb->currentIndex() >= 0 ? m_tb->currentIndex() : m_pwm->position(), max);
    {
        const QSignalBlocker quiet(m_pwm->bar());
        m_pwm->bar()->setMaximum(max);
        m_pwm->bar()->setValue(tb);
    }
    pwmScrollBarChange();
}

void TPwmConverterForm::radioGroupClick(TRadioGroup *group)
{
    group->setToolTip(group->itemText(group->itemIndex()));
    if (group == m_pwm16)
        pwmTypeSettingClick();
    markChanged(true);
}

void TPwmConverterForm::pwmEditExit()
{
    const pwm::Mode mode{sixteenBits(), frequencyMode()};
    QLineEdit *edit = m_pwm->edit();
    double value = 0;
    if (!parseDecimal(edit->text(), value)) {
        // Not a number: the edit shows the time base kept.
        const int tb = m_pwm->position();
        m_pwm->fallBack(formatFixed(pwm::valueOf(tb, mode), 3), tb);
        return;
    }
    // The value as the edit shows it, three decimals.
    value = std::round(value * 1000.0) / 1000.0;
    edit->setText(formatFixed(value, 3));
    const auto [lo, hi] = pwm::bounds(mode);
    value = clampToRange(edit, value, lo, hi, 3, true);
    setTimeBase(pwm::timeBaseOf(value, mode));
    setInvalidInput(false);
}

void TPwmConverterForm::setTimeBase(int timeBase)
{
    const int tb = std::clamp(timeBase, 0, pwm::maxTimeBase(sixteenBits()));
    m_pwm->setPosition(tb);
    // Shown (and the list set) also when the bar was there already.
    pwmScrollBarChange();
}

void TPwmConverterForm::flMinusMaskEditExit(TNumericField &field)
{
    if (&field == m_pwm)
        pwmEditExit();
    else
        TConverterForm::flMinusMaskEditExit(field);
}

void TPwmConverterForm::headSlots(RegisterBlock &block, bool keepType)
{
    block.bits({m_pwm16, m_pinv}).text(*m_text, 10).lowByte(*m_type);
    if (keepType)
        block.keptFromDevice(0x00FF);
    block.position(*m_off).bytes(*m_address, *m_speed);
}

void TPwmConverterForm::tailSlots(RegisterBlock &block)
{
    block
        .custom(
            1, [this](quint16 *r) { *r = static_cast<quint16>(m_pwm->position()); },
            [this](const quint16 *r) { setTimeBase(*r & 0xFF); }, 0x00FF)
        .gap(1)
        .position(*m_sp);
}

void TPwmConverterForm::savedPwmControls()
{
    registerControl(m_tb, 0);
    savedBooleans({m_pinv, m_pwm16, m_typeSetting});
    registerControl(m_sp->bar(), 0);
}

void TPwmConverterForm::pwmLoaded()
{
    setTimeBase(m_tb->currentIndex() >= 0 ? m_tb->currentIndex() : m_pwm->position());
}
