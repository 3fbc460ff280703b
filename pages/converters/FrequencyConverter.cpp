#include "pages/converters/FrequencyConverter.h"

#include "pages/framework/Fields.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QScrollBar>
#include <algorithm>

namespace {

constexpr int kClientWidth = 632;

} // namespace

TFrequencyConverterForm::TFrequencyConverterForm(const PageTraits &traits,
                                                 const FrequencyConverterDeclaration &d,
                                                 QWidget *parent)
    : TConverterForm(traits, parent), m_minFrequency(d.minFrequency)
{
    const QString &p = d.prefix;
    basicSettings(d);

    auto &fault = group(QStringLiteral("Nastavení poruchové hodnoty"));
    m_sp = &frequency(fault, p + "AuSp",
                      QStringLiteral("Hodnota výstupu při poruše teplotního čidla"));

    auto &ranges = group(QStringLiteral("Nastavení rozsahů"));
    inputRange(ranges, p);
    m_o1 = &frequency(ranges, p + "AuO1", QStringLiteral("Počáteční hodnota výstupního rozsahu"));
    m_o2 = &frequency(ranges, p + "AuO2", QStringLiteral("Koncová hodnota výstupního rozsahu"));
    m_fl = &frequency(ranges, p + "AuFl", QStringLiteral("Spodní omezení výstupní frekvence"),
                      QStringLiteral("Hodnota určuje spodní dorazovou hodnotu výstupní "
                                     "frekvence při podtečení vstupního teplotního rozsahu."));
    m_fh = &frequency(ranges, p + "AuFh", QStringLiteral("Horní omezení výstupní frekvence"),
                      QStringLiteral("Hodnota určuje horní dorazovou hodnotu výstupní "
                                     "frekvence při přetečení vstupního teplotního rozsahu."));
    for (TNumericField *f : {m_o1, m_o2, m_fl, m_fh})
        f->onAccepted([this, f] { keepLimitsAroundOutputRange(*f); });

    alignColumns(kClientWidth);

    // Design-time values: the whole output range, limits at its ends.
    m_o2->setPosition(20000);
    m_fh->setPosition(20000);
}

TNumericField &TFrequencyConverterForm::frequency(QGroupBox &group, const QString &name,
                                                  const QString &caption, const QString &labelHint)
{
    const QString hint = QStringLiteral("Rozsah %1 - 20 000").arg(m_minFrequency);
    // Text that is not a number falls back to the lowest frequency, so the edit shows what
    // the bar (and a write) holds.
    return numeric(group, name, caption,
                   Rule::whole(m_minFrequency, 20000)
                       .length(5)
                       .fallback(QString::number(m_minFrequency), m_minFrequency),
                   QStringLiteral("Hz"), hint, labelHint);
}

void TFrequencyConverterForm::rangeSlots(RegisterBlock &block)
{
    block.positions({m_i1, m_i2, m_o1, m_o2, m_sp, m_fl, m_fh});
}

void TFrequencyConverterForm::savedControls(bool withType)
{
    registerControl(m_text, 0);
    if (withType)
        registerControl(m_type, 0);
    for (QWidget *w : {static_cast<QWidget *>(m_off->bar()), static_cast<QWidget *>(m_speed),
                       static_cast<QWidget *>(m_address)})
        registerControl(w, 0);
    for (TNumericField *f : {m_i1, m_i2, m_o1, m_o2, m_fl, m_fh, m_sp})
        registerControl(f->bar(), 0);
}

void TFrequencyConverterForm::keepLimitsAroundOutputRange(TNumericField &changed)
{
    // The limits always enclose the output range: Fl <= min(O1, O2), Fh >= max(O1, O2).
    // A limit that has to move takes the output edge; its own rules then hold at once.
    const int o1 = m_o1->position();
    const int o2 = m_o2->position();
    const int lo = std::min(o1, o2);
    const int hi = std::max(o1, o2);
    if (&changed == m_o1 || &changed == m_o2) {
        const int o = &changed == m_o1 ? o1 : o2;
        if (o < m_fl->position())
            m_fl->setPosition(o);
        if (m_fh->position() < o)
            m_fh->setPosition(o);
    } else if (&changed == m_fh && m_fh->position() < hi) {
        m_fh->setPosition(hi);
    } else if (&changed == m_fl && m_fl->position() > lo) {
        m_fl->setPosition(lo);
    }
}
