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

const QStringList &TConverterForm::baudRates()
{
    static const QStringList items = {"1200", "2400", "4800", "9600", "19200"};
    return items;
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
    m_text = &textField(basic, p + "ZdTextEdit", QStringLiteral("Zákaznické textové pole"), 10,
                        QStringLiteral("Zákaznické textové pole (max. 10 znaků)"));
    m_type = &combo(basic, p + "ZdIntComboBox", d.typeCaption, {}, QString(),
                    QStringLiteral("Typ snímače"), d.typeLabelHint);
    {
        const QSignalBlocker quiet(m_type);
        setCodeTable(m_type, d.types);
    }
    m_off = &numeric(basic, p + "ZdOff", QStringLiteral("Korekční posuv měřené teploty"),
                     temperature(-100, 100), QStringLiteral("°C"),
                     QStringLiteral("Rozsah -100,0 až 100,0"));
    m_speed = &combo(basic, p + "SkSpdComboBox", QStringLiteral("Komunikační rychlost"),
                     d.baudItems, QStringLiteral("Bd"), d.baudHint);
    m_address =
        &addressCombo(basic, p + "SkAdrComboBox", QStringLiteral("Síťová adresa"),
                      QStringLiteral("Rozsah 1 - 254"), QStringLiteral("Síťová adresa regulátoru"));
    required(*m_speed);
    required(*m_address);
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

void TConverterForm::alignColumns(int clientWidth)
{
    const auto boxes = findChildren<QGroupBox *>();
    int captions = 0;
    for (QGroupBox *box : boxes)
        for (QLabel *label : box->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly))
            if (label->objectName().endsWith(QStringLiteral("Label")) &&
                !label->objectName().endsWith(QStringLiteral("ULabel")))
                captions = std::max(captions, label->sizeHint().width());
    const auto fields = findChildren<TNumericField *>();
    int edits = 0;
    for (TNumericField *f : fields)
        edits = std::max(edits, f->edit()->width());
    for (TNumericField *f : fields)
        f->edit()->setFixedWidth(edits);
    // The text and the lists end on one line.
    QList<QWidget *> lists{m_text};
    for (QComboBox *c : findChildren<QComboBox *>())
        lists << c;
    int width = 0;
    for (QWidget *w : lists)
        width = std::max({width, w->minimumWidth(), w->sizeHint().width()});
    for (QWidget *w : lists)
        w->setFixedWidth(width);
    for (QGroupBox *box : boxes)
        if (auto *grid = qobject_cast<QGridLayout *>(box->layout()))
            grid->setColumnMinimumWidth(0, captions);
    centralWidget()->setMinimumWidth(clientWidth);
}

TNumericField *TConverterForm::fieldOf(QObject *sender) const
{
    for (TNumericField *f : findChildren<TNumericField *>())
        if (sender == f->edit() || sender == f->bar() || sender == f)
            return f;
    return nullptr;
}

void TConverterForm::exitOf(QObject *sender)
{
    if (TNumericField *f = fieldOf(sender))
        fieldExit(*f);
}

bool TConverterForm::keyPressOf(QObject *sender, QChar key)
{
    TNumericField *f = fieldOf(sender);
    if (!f)
        return false;
    fieldEdited(*f);
    if (key == QLatin1Char('\r') || key == QLatin1Char('\n')) {
        fieldExit(*f);
        f->edit()->selectAll();
        f->edit()->setFocus();
        return false;
    }
    if (key == QChar(8))
        return true;
    const bool accepted = f->keyAccepted(key);
    if (!accepted)
        Prompts::instance().beep();
    return accepted;
}

void TConverterForm::scrollOf(QObject *sender)
{
    if (TNumericField *f = fieldOf(sender))
        f->barChanged();
}

void TConverterForm::changeOf(QObject *sender)
{
    if (auto *combo = qobject_cast<QComboBox *>(sender))
        if (QLabel *label = labelOf(combo))
            label->setStyleSheet(QString());
    markChanged(true);
}
