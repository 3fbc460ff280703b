#include "pages/sensors/TcForm5.h"

#include "pages/framework/Fields.h"
#include "pages/framework/NumberText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QScrollBar>

namespace {

const QStringList kModels = {QStringLiteral("T6yR")};
constexpr int kClientWidth = 600;

QStringList sensitivities()
{
    QStringList items = {QStringLiteral("HW zesílení 4x"), QStringLiteral("HW zesílení 2x"),
                         QStringLiteral("HW zesílení 1x")};
    for (int lsb = 1; lsb <= 8; ++lsb)
        items << QStringLiteral("SW maskovaní %1 lsb").arg(lsb);
    return items;
}

// The response time is a multiple of 0,2 s: odd tenths go up.
double evenTenths(double seconds)
{
    const int tenths = roundPosition(seconds * 10, Rounding::Truncate);
    return tenths % 2 == 1 && tenths >= 1 && tenths <= 509 ? (tenths + 1) / 10.0 : seconds;
}

} // namespace

TcForm5::TcForm5(QWidget *parent)
    : TComponentForm(PageTraits::classic(QStringLiteral("cForm5"), QStringLiteral("T6yR"), kModels)
                         .firmwarePanelWidth(100)
                         .messagePanelWidth(300),
                     parent)
{
    auto &basic = group(QStringLiteral("Základní nastavení"));
    m_text = &customerText(basic, QStringLiteral("c5ZdTextEdit"));
    m_speed = &baudList(basic, QStringLiteral("c5SkSpdComboBox"), baudRates(),
                        QStringLiteral("Rozsah 1 200 - 19 200Bd"),
                        QStringLiteral("Komunikační rychlost"));
    m_address = &networkAddress(basic, QStringLiteral("c5SkAdrComboBox"));
    m_sensitivity =
        &combo(basic, QStringLiteral("c5SkCitComboBox"), QStringLiteral("Citlivost snímače"),
               sensitivities(), QString(), QStringLiteral("Citlivost snímače"));
    required(*m_sensitivity);

    auto &extended = group(QStringLiteral("Rozšiřující nastavení"));
    const QString lightHint =
        QStringLiteral("Hodnota je vztažena k měřené hodnotě intenzity osvětlení");
    const QString lightRange = QStringLiteral("Rozsah 0 až 65 535");
    const Rule light = Rule::whole(0, 65535).length(5);
    m_zero = &numeric(extended, QStringLiteral("c5ZdNpr"),
                      QStringLiteral("Hodnota odpovídající  0% zákaznického rozsahu osvětlení"),
                      light, QString(), lightRange, lightHint);
    m_full = &numeric(extended, QStringLiteral("c5ZdSpr"),
                      QStringLiteral("Hodnota odpovídající  100% zákaznického rozsahu osvětlení"),
                      light, QString(), lightRange, lightHint);

    auto &timing = group(QStringLiteral("Nastavení časové odezvy"));
    // Steps of 0,2 s: position = seconds x 5.
    m_delay = &numeric(timing, QStringLiteral("c5ZdTod"), QStringLiteral("Časová odezva snímače"),
                       Rule::unsignedDecimal(0, 51)
                           .scaled(5)
                           .barRange(0, 255)
                           .quantize(evenTenths)
                           .barOnlyShows()
                           .length(4),
                       QStringLiteral("s"), QStringLiteral("Rozsah 0,0 až 51,0s"),
                       QStringLiteral("Udává čas mezi dvěmi výstupními hodnotami intenzity "
                                      "osvětlení. Používá se pro nastavení necitlivosti snímače "
                                      "při krátkodobém zastínění."));

    // 0x2008: sensitivity in the high byte, response time in the low byte.
    QComboBox *sensitivity = m_sensitivity;
    TNumericField *delay = m_delay;
    block(0x2001, 9)
        .text(*m_text, 10)
        .position(*m_zero)
        .position(*m_full)
        .custom(
            1,
            [sensitivity, delay](quint16 *r) {
                *r = static_cast<quint16>(((registerFromComboIndex(sensitivity) & 0xFF) << 8) |
                                          (delay->position() & 0xFF));
            },
            [sensitivity, delay](const quint16 *r) {
                sensitivity->setCurrentIndex(comboIndexFromRegister(sensitivity, *r >> 8));
                delay->decode(*r & 0xFF);
            })
        .bytes(*m_address, *m_speed);

    saved(
        {m_text, m_sensitivity, m_speed, m_address, m_zero->bar(), m_full->bar(), m_delay->bar()});
    alignColumns(kClientWidth);
    finishCreate();
}

TExtraForm *TcForm5::createLiveWindow()
{
    return new Tc5extForm(*this);
}

// --- live window ---

Tc5extForm::Tc5extForm(TComponentForm &page) : TExtraForm(page)
{
    auto *box = new QGroupBox(QStringLiteral("Měřená hodnota vstupního signálu"), this);
    box->setObjectName(QStringLiteral("measureGroupBox"));
    auto *grid = new QGridLayout(box);
    const QString widest = QStringLiteral("65535");
    const QString hint = QStringLiteral("Měřená intenzita osvětlení");
    const QString percentHint = QStringLiteral("Měřená intenzita osvětlení v %");
    measureIntenzityMemo = memoRow(*grid, 0, QStringLiteral("measureIntenzityMemo"),
                                   QStringLiteral("Intenzita osvětlení"), hint, hint,
                                   QStringLiteral("0"), QString(), QString(), widest)
                               .memo;
    measurePercentIntenzityMemo =
        memoRow(*grid, 1, QStringLiteral("measurePercentIntenzityMemo"),
                QStringLiteral("Intenzita osvětlení v %"), percentHint, percentHint,
                QStringLiteral("0,0"), QStringLiteral("measurePercentIntenzityULabel"),
                QStringLiteral("%"), widest)
            .memo;
    contentLayout()->addWidget(box);
    setReader(new Tc5extThread(page, *this));
}

Tc5extThread::Tc5extThread(TComponentForm &page, Tc5extForm &window)
    : TFormThread(page, window), m_form(window)
{
}

bool Tc5extThread::readValues()
{
    checkIdentification(kModels);
    const auto measured = readRegisters(0x0004, 2);
    values[0] = static_cast<qint16>(measured.at(0));
    values[1] = static_cast<qint16>(measured.at(1));
    return true;
}

void Tc5extThread::showValues()
{
    // Both registers are unsigned.
    m_form.measureIntenzityMemo->setText(QString::number(static_cast<quint16>(values[0])));
    m_form.measurePercentIntenzityMemo->setText(
        formatFixed(static_cast<quint16>(values[1]) / 10.0, 1));
}
