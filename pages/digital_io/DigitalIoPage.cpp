#include "pages/digital_io/DigitalIoPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace digitalio {

namespace {

// The products the device's units are taken from are truncated after rounding to single
// precision (0,006 s is 6 ms, not 5).
double truncatedSingle(double value)
{
    return std::trunc(static_cast<double>(static_cast<float>(value)));
}

} // namespace

Rule failureTimeRule()
{
    return Rule::unsignedDecimal(0.002, 131.07, 3)
        .scaled(500)
        .singleTruncate()
        .barRange(1, 65535)
        .fallback(QStringLiteral("0,002"), 1)
        .warnBounds(QStringLiteral("0,002"), QStringLiteral("131,07"))
        .length(7)
        .quantize([](double seconds) {
            double ms = truncatedSingle(seconds * 1000);
            if (ms > 2 && ms < 131070 && std::fmod(ms, 2) != 0)
                ms += 1;
            return ms / 1000;
        });
}

Rule stepsRule()
{
    return Rule::whole(1, 255).fallback(QStringLiteral("1"), 1).length(3);
}

Rule stepTimeRule()
{
    return Rule::unsignedDecimal(0.04, 2621.4, 2)
        .scaled(25)
        .singleTruncate()
        .barRange(1, 65535)
        .fallback(QStringLiteral("0,04"), 1)
        .warnBounds(QStringLiteral("0,04"), QStringLiteral("2621,40"))
        .length(7)
        .quantize([](double ms) {
            double hundredths = truncatedSingle(ms * 100);
            const double rest = std::fmod(hundredths, 4);
            if (hundredths > 4 && hundredths < 262140 && rest != 0)
                hundredths += 4 - rest;
            return hundredths / 100;
        });
}

const QStringList &baudItems()
{
    static const QStringList items = {QStringLiteral("1200"), QStringLiteral("2400"),
                                      QStringLiteral("4800"), QStringLiteral("9600"),
                                      QStringLiteral("19200")};
    return items;
}

quint16 testAddressRegister(const TTestFile &file, const QString &addressKey,
                            const QString &speedKey)
{
    const int address = std::clamp(file.byte(addressKey, 1), 1, 254);
    const int speed = std::min(file.byte(speedKey, 1), 4);
    return static_cast<quint16>((address << 8) | speed);
}

quint16 keptAddressRegister(const TTestFile &file, const QString &addressKey,
                            const QString &speedKey)
{
    return static_cast<quint16>((file.byte(addressKey, 1) << 8) | file.byte(speedKey, 1));
}

void addBitEntries(std::vector<TestEntry> &entries, const QString &keyPattern, quint8 bits,
                   int count)
{
    for (int i = 0; i < count; ++i)
        entries.push_back({keyPattern.arg(i), (bits >> i) & 1});
}

} // namespace digitalio

TDigitalIoPage::TDigitalIoPage(const QString &prefix, const QString &caption,
                               const QStringList &models, QWidget *parent)
    : TComponentForm(PageTraits::classic(QStringLiteral("cForm") + prefix.mid(1), caption, models)
                         .withoutLiveWindow()
                         .firmwarePanelWidth(100),
                     parent),
      m_prefix(prefix)
{
}

QLineEdit &TDigitalIoPage::customerText(QGroupBox &group, const QString &labelHint)
{
    m_text = &textField(group, m_prefix + "ZdTextEdit", QStringLiteral("Zákaznické textové pole"),
                        10, QStringLiteral("Zákaznické textové pole (max. 10 znaků)"), labelHint);
    return *m_text;
}

TNumericField &TDigitalIoPage::failureTimeField(QGroupBox &group)
{
    m_ter = &numeric(
        group, m_prefix + "ZdTer", QStringLiteral("Čas určující výpadek sériové komunikace"),
        digitalio::failureTimeRule(), QStringLiteral("s"), QStringLiteral("Rozsah 0,002 - 131,070"),
        QStringLiteral("Pokud nadřízený systém po tuto dobu nebude se zařízením "
                       "komunikovat, začne blikat žlutá LED a výstupy se nastaví do "
                       "definovaného stavu"));
    m_ter->bar()->setPageStep(100);
    return *m_ter;
}

QComboBox &TDigitalIoPage::addressField(QGroupBox &group, const QString &labelHint)
{
    m_address = &addressCombo(group, m_prefix + "SkAdrComboBox", QStringLiteral("Síťová adresa"),
                              QStringLiteral("Rozsah 1 - 254"), labelHint);
    required(*m_address);
    return *m_address;
}

QComboBox &TDigitalIoPage::speedField(QGroupBox &group, const QString &hint)
{
    m_speed = &combo(group, m_prefix + "SkSpdComboBox", QStringLiteral("Komunikační rychlost"),
                     digitalio::baudItems(), QStringLiteral("Bd"), hint);
    required(*m_speed);
    return *m_speed;
}

QGroupBox &TDigitalIoPage::inputModuleBasics()
{
    auto &basic = group(QStringLiteral("Základní nastavení"), 0,
                        m_prefix + QStringLiteral("BasicSettingsGroupBox"));
    customerText(basic, QStringLiteral("Zákaznické textové pole (max. 10 znaků)"));
    speedField(basic, QStringLiteral("Rozsah 1 200 - 19 200Bd"));
    addressField(basic, QStringLiteral("Síťová adresa regulátoru"));
    failureTimeField(basic);
    return basic;
}

QPushButton &TDigitalIoPage::groupButton(QGroupBox &group, const QString &name,
                                         const QString &caption)
{
    // The buttons of a group share one row at its end.
    auto *grid = static_cast<QGridLayout *>(group.layout());
    auto *row = group.findChild<QWidget *>(QStringLiteral("buttonRow"));
    if (!row) {
        row = new QWidget(&group);
        row->setObjectName(QStringLiteral("buttonRow"));
        auto *h = new QHBoxLayout(row);
        h->setContentsMargins(0, 6, 0, 0);
        h->addStretch(1);
        grid->addWidget(row, grid->rowCount(), 0, 1, 4);
    }
    auto *button = new QPushButton(caption, row);
    button->setObjectName(name);
    button->setMinimumWidth(130);
    static_cast<QHBoxLayout *>(row->layout())->addWidget(button);
    return *button;
}

QGroupBox &TDigitalIoPage::subGroup(QGroupBox &outer, const QString &name, const QString &title,
                                    int row, int column)
{
    auto *box = new QGroupBox(title, &outer);
    box->setObjectName(name);
    auto *grid = new QGridLayout(box);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(2);
    static_cast<QGridLayout *>(outer.layout())->addWidget(box, row, column);
    return *box;
}

void TDigitalIoPage::faultBoxClick(QObject *sender)
{
    if (auto *box = qobject_cast<QCheckBox *>(sender))
        box->setToolTip(box->isChecked() ? QStringLiteral("Při poruše komunikace sepnuto")
                                         : QStringLiteral("Při poruše komunikace rozepnuto"));
    markChanged(true);
}

void TDigitalIoPage::negationBoxClick(QObject *sender)
{
    if (auto *box = qobject_cast<QCheckBox *>(sender))
        box->setToolTip(box->isChecked() ? QStringLiteral("V klidovém stavu sepnuto")
                                         : QStringLiteral("V klidovém stavu rozepnuto"));
    markChanged(true);
}

std::vector<QWidget *> TDigitalIoPage::faultBoxes(QGroupBox &group, int count, int perRow)
{
    return outputBoxes(group, QStringLiteral("Eout"), count,
                       QStringLiteral("Při poruše komunikace rozepnuto"),
                       &TDigitalIoPage::faultBoxClick, perRow);
}

std::vector<QWidget *> TDigitalIoPage::negationBoxes(QGroupBox &group, int count, int perRow)
{
    return outputBoxes(group, QStringLiteral("Rout"), count,
                       QStringLiteral("V klidovém stavu rozepnuto"),
                       &TDigitalIoPage::negationBoxClick, perRow);
}

std::vector<QWidget *> TDigitalIoPage::outputBoxes(QGroupBox &group, const QString &stem, int count,
                                                   const QString &offHint,
                                                   void (TDigitalIoPage::*changed)(QObject *),
                                                   int perRow)
{
    std::vector<QWidget *> boxes;
    std::vector<QWidget *> cells;
    for (int i = 0; i < count; ++i) {
        QCheckBox &box = checkBox(group, m_prefix + stem + QString::number(i) + "CheckBox",
                                  QStringLiteral("DO.%1").arg(i), offHint);
        connect(&box, &QCheckBox::toggled, this, [this, &box, changed] { (this->*changed)(&box); });
        boxes.push_back(&box);
        cells.push_back(&box);
        cells.push_back(new QLabel(QStringLiteral("ON/OFF"), &group));
    }
    arrange(group, cells, 2 * perRow);
    return boxes;
}

std::vector<QWidget *> TDigitalIoPage::edgeGroups(QGroupBox &group, int count, int columns)
{
    std::vector<QWidget *> edges;
    for (int i = 0; i < count; ++i) {
        TRadioGroup &edge =
            radioGroup(group, m_prefix + "Hdi" + QString::number(i) + "RadioGroup",
                       QStringLiteral("DI.%1").arg(i),
                       {QStringLiteral("Sestupná hrana"), QStringLiteral("Náběžná hrana")},
                       QStringLiteral("Reakce na sestupnou hranu"));
        edge.setItemIndex(0);
        connect(&edge, &TRadioGroup::clicked, this, [this, &edge] { edgeGroupClick(&edge); });
        edges.push_back(&edge);
    }
    arrange(group, edges, columns);
    return edges;
}

void TDigitalIoPage::edgeGroupClick(QObject *sender)
{
    if (auto *edge = qobject_cast<TRadioGroup *>(sender))
        edge->setToolTip(edge->itemIndex() == 1 ? QStringLiteral("Reakce na náběžnou hranu")
                                                : QStringLiteral("Reakce na sestupnou hranu"));
    markChanged(true);
}

void TDigitalIoPage::arrange(QGroupBox &group, const std::vector<QWidget *> &widgets, int columns)
{
    auto *grid = static_cast<QGridLayout *>(group.layout());
    for (QWidget *w : widgets)
        grid->removeWidget(w);
    // The rows the declarations made are empty now: a fresh grid keeps no gaps.
    delete grid;
    grid = new QGridLayout(&group);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(2);
    grid->setHorizontalSpacing(10);
    for (size_t i = 0; i < widgets.size(); ++i)
        grid->addWidget(widgets[i], static_cast<int>(i) / columns, static_cast<int>(i) % columns);
    grid->setColumnStretch(columns, 1);
}
