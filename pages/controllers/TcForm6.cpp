#include "pages/controllers/TcForm6.h"

#include "pages/framework/Fields.h"
#include "pages/framework/NumberText.h"
#include "pages/framework/Shape.h"
#include "shell/Shell.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

using Live = KqxVariant::Live;

const KqxVariant kVariants[] = {
    {"T4yR", {"T4yR", "T4yRs"}, true, true, true, true, true, Live::T4yR, "c6extraFormT4yR"},
    {"KQx", {"KQx", "KQ"}, false, false, false, false, false, Live::Kq, "c6extraFormKq"},
    {"KQLx", {"KQLx", "KQL"}, false, true, false, true, true, Live::Kql, "c6extraFormKql"},
    {"VTx", {"VTx", "VT"}, false, false, false, false, true, Live::Kq, "c6extraFormVt"},
    {"VTLx", {"VTLx", "VTL"}, false, true, false, true, true, Live::Kql, "c6extraFormVtl"},
};

int chooseVariant(int requested)
{
    // A number from outside indexes nothing unchecked.
    if (requested < 0)
        requested = Shell::isInstalled() ? Shell::instance().componentType() : 0;
    return requested >= 0 && requested < 5 ? requested : 0;
}

PageTraits traitsOf(const KqxVariant &v)
{
    return PageTraits::classic(QStringLiteral("cForm6"), v.model, v.models)
        .sections(v.model, QStringLiteral("cForm6") + v.model, v.liveSection)
        .messagePanelWidth(300);
}

const QColor kSetbackOn(0x00, 0xFF, 0x00);  // lime
const QColor kSetbackOff(0x00, 0x80, 0x00); // green

} // namespace

const KqxVariant &TcForm6::variantOf(int componentType)
{
    return kVariants[chooseVariant(componentType)];
}

TcForm6::TcForm6(QWidget *parent, int variant)
    : TComponentForm(traitsOf(variantOf(chooseVariant(variant))), parent),
      m_variant(chooseVariant(variant))
{
    const KqxVariant &v = this->variant();
    auto &basic = group(QStringLiteral("Základní nastavení"));
    m_text = &customerText(basic, QStringLiteral("c6ZdTextEdit"));
    m_speed = &baudList(basic, QStringLiteral("c6SkSpdComboBox"), baudRates(),
                        QStringLiteral("Rozsah 1 200 - 19 200Bd"));
    m_address = &networkAddress(basic, QStringLiteral("c6SkAdrComboBox"));
    m_sensor = &combo(basic, QStringLiteral("c6ZdIntComboBox"),
                      QStringLiteral("Typ teplotního odporového snímače"),
                      {QStringLiteral("Ni 1000/5000ppm"), QStringLiteral("Ni 1000/6180ppm"),
                       QStringLiteral("Pt 1000/3850ppm")},
                      QString(), QStringLiteral("Typ snímače"),
                      QStringLiteral("Určuje typ teplotního odporového snímače"));
    // Seen, never changed: the write sends back what the device holds.
    m_sensor->setEnabled(false);
    m_sensor->setCurrentIndex(-1);
    m_sensor->setVisible(v.sensorShown);
    labelOf(m_sensor)->setVisible(v.sensorShown);

    m_advance = &group(QStringLiteral("Rozšiřující nastavení"), 0,
                       QStringLiteral("c6AdvanceSettingsGroupBox"));
    m_off = &numeric(*m_advance, QStringLiteral("c6ZdOff"),
                     QStringLiteral("Korekční posuv měřené teploty"),
                     Rule::signedDecimal(-100, 100).length(6).largeStep(100), QStringLiteral("°C"),
                     QStringLiteral("Rozsah -100,0 až 100,0"));
    m_off->setPosition(0);
    m_advance->setVisible(v.correctionShown);

    for (QComboBox *c : {m_speed, m_address})
        connect(c, &QComboBox::activated, this, [this, c] { c6ZdTextEditChange(c); });
    connect(m_text, &QLineEdit::textChanged, this, [this] { c6ZdTextEditChange(m_text); });

    auto &image = block(0x2001, 9).text(*m_text, 10);
    QComboBox *sensor = m_sensor;
    TNumericField *off = m_off;
    // Every field is read whatever the variant, the hidden ones too.
    if (v.keepsSensorByte)
        image.lowByte(*m_sensor).keptFromDevice(0x00FF);
    else
        image.custom(
            1, [](quint16 *r) { *r = 0xFFFF; },
            [sensor](const quint16 *r) {
                sensor->setCurrentIndex(comboIndexFromRegister(sensor, *r & 0xFF));
            },
            0);
    if (v.writesCorrection)
        image.position(*m_off);
    else
        image.custom(
            1, [](quint16 *r) { *r = 0xFFFF; },
            [off](const quint16 *r) { off->decode(static_cast<qint16>(*r)); }, 0);
    image.gap(1).bytes(*m_address, *m_speed);

    saved({m_text, m_speed, m_address});
    if (v.savesCorrection)
        registerControl(m_off->bar(), -100);
    // Room for the status panels, as the original window had.
    alignColumns(560);
    finishCreate();
}

TExtraForm *TcForm6::createLiveWindow()
{
    switch (variant().live) {
    case Live::T4yR:
        return new Tc6extFormT4yR(*this);
    case Live::Kq:
        return new Tc6extFormKq(*this);
    case Live::Kql:
    default:
        return new Tc6extFormKql(*this);
    }
}

int TcForm6::writeCoil(int coil, bool on)
{
    return writeCoilAction(coil, on).error;
}

void TcForm6::extraOperationWithArgument(quint8 argument)
{
    writeCoil(argument >> 1, argument & 1);
}

// --- live windows ---

Tc6extBase::Tc6extBase(TcForm6 &page) : TExtraForm(page) {}

void Tc6extBase::temperatureGroup(bool withCorrection)
{
    auto *box = new QGroupBox(QStringLiteral("Měřená teplota modulu"), this);
    auto *grid = new QGridLayout(box);
    measureTemperatureMemo =
        memoRow(*grid, 0, QStringLiteral("measureTemperatureMemo"), QStringLiteral("Měřená teplota"),
                QStringLiteral("Měřená teplota"), QStringLiteral("Měřená teplota"),
                QStringLiteral("0,0"), QStringLiteral("measureTemperatureULabel"),
                QStringLiteral("°C"))
            .memo;
    if (withCorrection)
        temperatureCorrectionMemo =
            memoRow(*grid, 1, QStringLiteral("temperatureCorrectionMemo"),
                    QStringLiteral("Korekce teploty"), QStringLiteral("Korekce nastavené teploty"),
                    QStringLiteral("Korekce nastavené teploty"), QStringLiteral("0"))
                .memo;
    contentLayout()->addWidget(box);
}

TShape *Tc6extBase::setbackGroup(const QString &shapeName, const QString &buttonPrefix)
{
    auto *box = new QGroupBox(QStringLiteral("Stav režimu útlum"), this);
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(6, 6, 6, 6);
    auto *shape = new TShape(shapeName, box);
    shape->setState(kSetbackOff, QStringLiteral("Vypnuto"));
    auto *label = new QLabel(QStringLiteral("Stav tlačítka režimu útlum"), box);
    label->setObjectName(shapeName.chopped(5) + QStringLiteral("Label"));
    setbackOnButton = new QPushButton(QStringLiteral("On"), box);
    setbackOnButton->setObjectName(buttonPrefix + QStringLiteral("OnButton"));
    setbackOffButton = new QPushButton(QStringLiteral("Off"), box);
    setbackOffButton->setObjectName(buttonPrefix + QStringLiteral("OffButton"));
    for (QPushButton *b : {setbackOnButton, setbackOffButton})
        b->setFixedWidth(48);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(setbackOnButton);
    buttons->addWidget(setbackOffButton);
    grid->addWidget(label, 0, 0);
    grid->addWidget(shape, 0, 1);
    grid->addLayout(buttons, 1, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    connect(setbackOnButton, &QPushButton::clicked, this, [this] { handOverCoil(0, true); });
    connect(setbackOffButton, &QPushButton::clicked, this, [this] { handOverCoil(0, false); });
    contentLayout()->addWidget(box);
    return shape;
}

void Tc6extBase::handOverCoil(int coil, bool on)
{
    if (reader())
        reader()->handOver(7, TcForm6::coilArgument(coil, on));
}

Tc6extFormT4yR::Tc6extFormT4yR(TcForm6 &page) : Tc6extBase(page)
{
    temperatureGroup(false);
    setReader(new Tc6extThreadT4yR(page, *this));
}

Tc6extFormKq::Tc6extFormKq(TcForm6 &page) : Tc6extBase(page)
{
    temperatureGroup(true);
    buttonStatusShape = setbackGroup(QStringLiteral("buttonStatusShape"),
                                     QStringLiteral("buttonStatus"));
    setReader(new Tc6extThreadKq(page, *this));
}

TButtonPaintBox::TButtonPaintBox(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("buttonStatusPaintBox"));
    setFixedSize(20, 20);
}

void TButtonPaintBox::setState(int state)
{
    // Any other value leaves the picture as it is.
    if (state < 0 || state > 2 || state == m_state)
        return;
    m_state = state;
    update();
}

void TButtonPaintBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (m_state == 0)
        return;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.setBrush(Qt::black);
    const QPolygon up({QPoint(0, 20), QPoint(20, 20), QPoint(10, 0)});
    const QPolygon down({QPoint(0, 0), QPoint(20, 0), QPoint(10, 20)});
    p.drawPolygon(m_state == 1 ? up : down);
}

Tc6extFormKql::Tc6extFormKql(TcForm6 &page) : Tc6extBase(page)
{
    temperatureGroup(true);
    inhibitionStatusShape = setbackGroup(QStringLiteral("inhibitionStatusShape"),
                                         QStringLiteral("inhibitionStatus"));

    auto *buttons = new QGroupBox(QStringLiteral("Stavy tlačítek"), this);
    auto *brow = new QHBoxLayout(buttons);
    brow->setContentsMargins(6, 6, 6, 6);
    buttonStatusLabel = new QLabel(QStringLiteral("Nezmáčknuto žádné tlačítko"), buttons);
    buttonStatusLabel->setObjectName(QStringLiteral("buttonStatusLabel"));
    buttonStatusPaintBox = new TButtonPaintBox(buttons);
    brow->addWidget(buttonStatusLabel, 1);
    brow->addWidget(buttonStatusPaintBox);
    contentLayout()->addWidget(buttons);

    auto *bits = new QGroupBox(QStringLiteral("Stavy bitů"), this);
    auto *grid = new QGridLayout(bits);
    grid->setContentsMargins(6, 6, 6, 6);
    auto *window = new QLabel(QStringLiteral("Okenní kontakt:"), bits);
    window->setObjectName(QStringLiteral("windowContactLabel"));
    windowContactValueLabel = new QLabel(QStringLiteral("ROZEPNUTO"), bits);
    windowContactValueLabel->setObjectName(QStringLiteral("windowContactValueLabel"));
    auto *transistor = new QLabel(QStringLiteral("Výstupní tranzistor OUT:"), bits);
    transistor->setObjectName(QStringLiteral("tranzistorLabel"));
    tranzistorValueLabel = new QLabel(QStringLiteral("ROZEPNUTO"), bits);
    tranzistorValueLabel->setObjectName(QStringLiteral("tranzistorValueLabel"));
    transistorOnButton = new QPushButton(QStringLiteral("On"), bits);
    transistorOnButton->setObjectName(QStringLiteral("transistorOnButton"));
    transistorOffButton = new QPushButton(QStringLiteral("Off"), bits);
    transistorOffButton->setObjectName(QStringLiteral("transistorOffButton"));
    for (QPushButton *b : {transistorOnButton, transistorOffButton})
        b->setFixedWidth(48);
    grid->setHorizontalSpacing(4);
    grid->addWidget(window, 0, 0);
    grid->addWidget(windowContactValueLabel, 0, 1);
    // The transistor's caption is long for the narrow window: its state goes below it,
    // beside its switches.
    grid->addWidget(transistor, 1, 0, 1, 2);
    auto *switches = new QHBoxLayout;
    switches->addWidget(tranzistorValueLabel);
    switches->addStretch(1);
    switches->addWidget(transistorOnButton);
    switches->addWidget(transistorOffButton);
    grid->addLayout(switches, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    connect(transistorOnButton, &QPushButton::clicked, this, [this] { handOverCoil(2, true); });
    connect(transistorOffButton, &QPushButton::clicked, this, [this] { handOverCoil(2, false); });
    contentLayout()->addWidget(bits);
    setReader(new Tc6extThreadKql(page, *this));
}

// --- readers ---

Tc6extThreadT4yR::Tc6extThreadT4yR(TcForm6 &page, Tc6extBase &window, int count)
    : TFormThread(page, window), m_models(page.variant().models), m_base(window), m_count(count)
{
}

bool Tc6extThreadT4yR::readValues()
{
    checkIdentification(m_models);
    const auto r = readRegisters(0x0004, m_count);
    for (int i = 0; i < m_count && i < 4; ++i)
        m_values[i] = r.at(size_t(i));
    return true;
}

void Tc6extThreadT4yR::showValues()
{
    m_base.measureTemperatureMemo->setText(formatFixed(qint16(m_values[0]) / 10.0, 1));
    if (m_base.temperatureCorrectionMemo)
        m_base.temperatureCorrectionMemo->setText(QString::number(qint16(m_values[1])));
}

Tc6extThreadKq::Tc6extThreadKq(TcForm6 &page, Tc6extFormKq &window)
    : Tc6extThreadT4yR(page, window, 3), m_form(window)
{
}

void Tc6extThreadKq::showValues()
{
    Tc6extThreadT4yR::showValues();
    const bool on = m_values[2] != 0;
    m_form.buttonStatusShape->setState(on ? kSetbackOn : kSetbackOff,
                                       on ? QStringLiteral("Zapnuto") : QStringLiteral("Vypnuto"));
}

Tc6extThreadKql::Tc6extThreadKql(TcForm6 &page, Tc6extFormKql &window)
    : Tc6extThreadT4yR(page, window, 4), m_form(window)
{
}

void Tc6extThreadKql::showValues()
{
    Tc6extThreadT4yR::showValues();
    const quint16 bits = m_values[2];
    m_form.inhibitionStatusShape->setState(bits & 1 ? kSetbackOn : kSetbackOff,
                                           bits & 1 ? QStringLiteral("Zapnuto")
                                                    : QStringLiteral("Vypnuto"));
    for (auto [label, bit] : {std::pair{m_form.windowContactValueLabel, 2},
                              std::pair{m_form.tranzistorValueLabel, 4}}) {
        const bool set = bits & bit;
        label->setText(set ? QStringLiteral("SEPNUTO") : QStringLiteral("ROZEPNUTO"));
        label->setStyleSheet(set ? QStringLiteral("color: green") : QStringLiteral("color: red"));
        label->setToolTip(set ? QStringLiteral("1 - sepnuto") : QStringLiteral("0 - rozepnuto"));
    }
    static const QString texts[] = {QStringLiteral("Nezmáčknuto žádné tlačítko"),
                                    QStringLiteral("Zmáčknuto tlačítko nahoru"),
                                    QStringLiteral("Zmáčknuto tlačítko dolů")};
    // Any other value leaves picture and text as they are.
    if (m_values[3] <= 2) {
        m_form.buttonStatusPaintBox->setState(m_values[3]);
        m_form.buttonStatusLabel->setText(texts[m_values[3]]);
    }
}
