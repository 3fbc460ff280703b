#include "pages/converters/FrequencyConverter.h"

#include "pages/framework/Fields.h"
#include "pages/framework/NumberText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kTemperatureHint = QStringLiteral("Rozsah -100,0 až 400,0");

// Temperatures in tenths of a degree, truncated; their bars only show the value.
Rule temperature(double min, double max)
{
    return Rule::signedDecimal(min, max).truncate().barOnlyShows().length(6);
}

} // namespace

const CodeTable &TFrequencyConverterForm::thermometerTypes()
{
    static const CodeTable types = {{QStringLiteral("Ni 1000/5000ppm"), 0},
                                    {QStringLiteral("Ni 1000/6180ppm"), 1},
                                    {QStringLiteral("Pt 1000/3850ppm"), 2}};
    return types;
}

TFrequencyConverterForm::TFrequencyConverterForm(const PageTraits &traits,
                                                 const FrequencyConverterDeclaration &d,
                                                 QWidget *parent)
    : TComponentForm(traits, parent), m_minFrequency(d.minFrequency)
{
    const QString &p = d.prefix;
    auto &basic = group(QStringLiteral("Základní nastavení"));
    m_text = &textField(basic, p + "ZdTextEdit", QStringLiteral("Zákaznické textové pole"), 10,
                        QStringLiteral("Zákaznické textové pole (max. 10 znaků)"));
    m_type = &combo(basic, p + "ZdIntComboBox", d.typeCaption, {}, QString(),
                    QStringLiteral("Typ snímače"),
                    QStringLiteral("Určuje typ teplotního odporového snímače"));
    {
        const QSignalBlocker quiet(m_type);
        setCodeTable(m_type, d.types);
    }
    m_off = &numeric(basic, p + "ZdOff", QStringLiteral("Korekční posuv měřené teploty"),
                     temperature(-100, 100), QStringLiteral("°C"),
                     QStringLiteral("Rozsah -100,0 až 100,0"));
    m_speed = &combo(basic, p + "SkSpdComboBox", QStringLiteral("Komunikační rychlost"),
                     d.baudItems, QStringLiteral("Bd"), QStringLiteral("Rozsah 1 200 - 230 400Bd"));
    m_address =
        &addressCombo(basic, p + "SkAdrComboBox", QStringLiteral("Síťová adresa"),
                      QStringLiteral("Rozsah 1 - 254"), QStringLiteral("Síťová adresa regulátoru"));
    required(*m_speed);
    required(*m_address);

    auto &fault = group(QStringLiteral("Nastavení poruchové hodnoty"));
    m_sp = &frequency(fault, p + "AuSp",
                      QStringLiteral("Hodnota výstupu při poruše teplotního čidla"));

    auto &ranges = group(QStringLiteral("Nastavení rozsahů"));
    m_i1 = &numeric(ranges, p + "AuI1", QStringLiteral("Počáteční hodnota vstupního rozsahu"),
                    temperature(-100, 400), QStringLiteral("°C"), kTemperatureHint);
    m_i2 = &numeric(ranges, p + "AuI2", QStringLiteral("Koncová hodnota vstupního rozsahu"),
                    temperature(-100, 400), QStringLiteral("°C"), kTemperatureHint);
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

    alignColumns();

    // Design-time values: no correction, the whole input and output ranges, limits at their
    // ends (a bar starts at its minimum).
    m_off->setPosition(0);
    m_i2->setPosition(4000);
    m_o2->setPosition(20000);
    m_fh->setPosition(20000);
}

void TFrequencyConverterForm::alignColumns()
{
    // One column of captions and one of values through all groups, and the size of the
    // original window, so the status panels have their room.
    const auto boxes = findChildren<QGroupBox *>();
    int captions = 0;
    for (QGroupBox *box : boxes)
        for (QLabel *label : box->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly))
            if (label->objectName().endsWith(QStringLiteral("Label")) &&
                !label->objectName().endsWith(QStringLiteral("ULabel")))
                captions = std::max(captions, label->sizeHint().width());
    int edits = 0;
    for (TNumericField *f : {m_off, m_sp, m_i1, m_i2, m_o1, m_o2, m_fl, m_fh})
        edits = std::max(edits, f->edit()->width());
    for (TNumericField *f : {m_off, m_sp, m_i1, m_i2, m_o1, m_o2, m_fl, m_fh})
        f->edit()->setFixedWidth(edits);
    // The text and the three lists end on one line.
    int lists = 0;
    for (QWidget *w : std::initializer_list<QWidget *>{m_text, m_type, m_speed, m_address})
        lists = std::max({lists, w->minimumWidth(), w->sizeHint().width()});
    for (QWidget *w : std::initializer_list<QWidget *>{m_text, m_type, m_speed, m_address})
        w->setFixedWidth(lists);
    for (QGroupBox *box : boxes)
        if (auto *grid = qobject_cast<QGridLayout *>(box->layout()))
            grid->setColumnMinimumWidth(0, captions);
    centralWidget()->setMinimumWidth(kClientWidth);
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

// --- live window ---

TTemperatureLiveForm::TTemperatureLiveForm(TComponentForm &page) : TExtraForm(page)
{
    auto *box = new QGroupBox(QStringLiteral("Měřená teplota modulu"), this);
    box->setObjectName(QStringLiteral("measureTemperatureGroupBox"));
    auto *row = new QGridLayout(box);
    auto *caption = new QLabel(QStringLiteral("Měřená teplota"), box);
    caption->setObjectName(QStringLiteral("measureTemperatureLabel"));
    caption->setToolTip(QStringLiteral("Měřená teplota modulu"));
    measureTemperatureMemo = new QLineEdit(QStringLiteral("0,0"), box);
    measureTemperatureMemo->setObjectName(QStringLiteral("measureTemperatureMemo"));
    measureTemperatureMemo->setToolTip(QStringLiteral("Měřená teplota"));
    measureTemperatureMemo->setReadOnly(true);
    measureTemperatureMemo->setAlignment(Qt::AlignRight);
    measureTemperatureMemo->setFixedWidth(
        measureTemperatureMemo->fontMetrics().horizontalAdvance(QStringLiteral("-32767,0")) + 16);
    measureTemperatureULabel = new QLabel(QStringLiteral("°C"), box);
    measureTemperatureULabel->setObjectName(QStringLiteral("measureTemperatureULabel"));
    row->addWidget(caption, 0, 0);
    row->addWidget(measureTemperatureMemo, 0, 1);
    row->addWidget(measureTemperatureULabel, 0, 2);
    row->setColumnStretch(0, 1);
    // The unit keeps its place when a page hides it.
    measureTemperatureULabel->setMinimumWidth(
        measureTemperatureULabel->fontMetrics().horizontalAdvance(QStringLiteral("°C")));
    QSizePolicy keep = measureTemperatureULabel->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    measureTemperatureULabel->setSizePolicy(keep);
    contentLayout()->addWidget(box);
}
