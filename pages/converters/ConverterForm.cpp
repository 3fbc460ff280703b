#include "pages/converters/ConverterForm.h"

#include "platform/Prompts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <algorithm>

const CodeTable &TConverterForm::thermometerTypes()
{
    static const CodeTable types = {{QStringLiteral("Ni 1000/5000ppm"), 0},
                                    {QStringLiteral("Ni 1000/6180ppm"), 1},
                                    {QStringLiteral("Pt 1000/3850ppm"), 2}};
    return types;
}

Rule TConverterForm::temperature(double min, double max)
{
    return Rule::signedDecimal(min, max).truncate().barOnlyShows().length(6);
}

TConverterForm::TConverterForm(const PageTraits &traits, QWidget *parent)
    : TComponentForm(traits, parent)
{
}

QGroupBox &TConverterForm::basicSettings(const ConverterDeclaration &d)
{
    const QString &p = d.prefix;
    auto &basic = group(QStringLiteral("Základní nastavení"));
    m_text = &customerText(basic, p + "ZdTextEdit");
    m_type = &combo(basic, p + "ZdIntComboBox", d.typeCaption, {}, QString(),
                    QStringLiteral("Typ snímače"), d.typeLabelHint);
    {
        const QSignalBlocker quiet(m_type);
        setCodeTable(m_type, d.types);
    }
    m_off = &numeric(basic, p + "ZdOff", QStringLiteral("Korekční posuv měřené teploty"),
                     temperature(-100, 100), QStringLiteral("°C"),
                     QStringLiteral("Rozsah -100,0 až 100,0"));
    m_speed = &baudList(basic, p + "SkSpdComboBox", d.baudItems, d.baudHint);
    m_address = &networkAddress(basic, p + "SkAdrComboBox");
    // A bar starts at its minimum; the correction starts at none.
    m_off->setPosition(0);
    return basic;
}

void TConverterForm::inputRange(QGroupBox &group, const QString &prefix)
{
    const QString hint = QStringLiteral("Rozsah -100,0 až 400,0");
    m_i1 = &numeric(group, prefix + "AuI1", QStringLiteral("Počáteční hodnota vstupního rozsahu"),
                    temperature(-100, 400), QStringLiteral("°C"), hint);
    m_i2 = &numeric(group, prefix + "AuI2", QStringLiteral("Koncová hodnota vstupního rozsahu"),
                    temperature(-100, 400), QStringLiteral("°C"), hint);
    m_i2->setPosition(4000);
}

