#include "pages/sensors/TcForm14.h"

#include "pages/sensors/WallLive.h"

#include "pages/framework/Pictures.h"

#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QScrollBar>

namespace {

WallModuleDeclaration declaration()
{
    WallModuleDeclaration d;
    d.model = QStringLiteral("GWR1");
    d.fastChoices = gwr1FastChoices();
    d.correctionTitle = QStringLiteral("Konfigurace korekce teploty");
    d.reads = {{0x0008, 2}, {0x001D, 5}, {0x0028, 29}, {0x004C, 64}};
    return d;
}

const QStringList kBarGraphs = {QStringLiteral("bez bargrafu"), QStringLiteral("relativní bargraf"),
                                QStringLiteral("absolutní bargraf"),
                                QStringLiteral("konstantní bargraf")};

} // namespace

TcForm14::TcForm14(QWidget *parent)
    : TWallModuleForm(PageTraits::newer(QStringLiteral("cForm14"), QStringLiteral("GWR1"),
                                        {QStringLiteral("GWR1")})
                          .verifyDelay(0),
                      declaration(), parent)
{
    QGroupBox &box = correctionGroup();
    const auto barGraphList = [&](const QString &name, const QString &caption,
                                  const QString &hint) {
        QComboBox &c = combo(box, name, caption, {}, QString(), hint);
        {
            const QSignalBlocker quiet(&c);
            fillPictureCombo(&c, PictureList::BarGraphs, kBarGraphs);
            c.setCurrentIndex(0);
        }
        required(c);
        stackRow(box, &c);
        connect(&c, &QComboBox::activated, this, [this, &c] { changeOf(&c); });
        return &c;
    };
    startBarGraph = barGraphList(
        QStringLiteral("BOTValueComboBoxEx"),
        QStringLiteral("Zobrazení bargrafu pod žádanou korekcí teploty"),
        QStringLiteral("Zobrazení bargrafu pod hodnotou požadovaná korekce teploty v úvodní "
                       "obrazovce."));
    correctionBarGraph = barGraphList(
        QStringLiteral("reqTempFormatComboBoxEx"),
        QStringLiteral("Zobrazení bargrafu při korekci teploty"),
        QStringLiteral("Zobrazení bargrafu pod hodnotou korekce teploty v obrazovce "
                       "nastavování teploty."));
    correctionText = &combo(box, QStringLiteral("textReqTempComboBox"),
                            QStringLiteral("Popisný text při korekci teploty"),
                            {QStringLiteral("Korekce teploty"), QStringLiteral("Žádaná teplota")},
                            QString(),
                            QStringLiteral("Určuje popisný text v obrazovce nastavování teploty."));
    correctionText->setCurrentIndex(-1);
    stackRow(box, correctionText);
    required(*correctionText);
    connect(correctionText, &QComboBox::activated, this, [this] { changeOf(correctionText); });
    for (QComboBox *c : bridge)
        required(*c);

    block(0x0008, 2).position(*reqTemp).unused(1).afterWrite(command(0xC001));
    auto &user = block(0x001D, 5);
    fastChoiceSlots(user);
    user.gap(1).combo(*startBarGraph).position(*contrast).afterWrite(command(0xC002));
    auto &settings = block(0x0028, 28);
    textToPrescalerSlots(settings);
    settings.positions({tempLow, tempHigh}).unused(14);
    // The temperature-correction screen: bar graph in bits 0-1, text in bit 10.
    block(0x0044, 1).custom(
        1,
        [this](quint16 *r) {
            *r = quint16(std::max(0, correctionBarGraph->currentIndex()) +
                         1024 * std::max(0, correctionText->currentIndex()));
        },
        [this](const quint16 *r) {
            correctionBarGraph->setCurrentIndex(*r & 3);
            correctionText->setCurrentIndex((*r >> 10) & 1);
        });
    modeAndSymbolSlots(block(0x004C, 32).position(*off).gap(7));

    savedBasics();
    registerControl(startBarGraph, 0);
    registerControl(correctionBarGraph, 0);
    registerControl(correctionText, 0);
    savedEditors();

    layOut();
    finishCreate();
}

TExtraForm *TcForm14::createLiveWindow()
{
    return new Tc14extForm(*this);
}
