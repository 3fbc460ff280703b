#include "pages/sensors/TcForm13.h"

#include "pages/sensors/WallLive.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>

namespace {

WallModuleDeclaration declaration()
{
    WallModuleDeclaration d;
    d.model = QStringLiteral("CWR1");
    d.humidity = true;
    d.fastChoices = cwr1FastChoices();
    d.correctionTitle = QStringLiteral("Konfigurace korekce teploty a vlhkosti");
    d.reads = {{0x0008, 2}, {0x001D, 5}, {0x0028, 24}, {0x004C, 64}};
    return d;
}

} // namespace

TcForm13::TcForm13(QWidget *parent)
    : TWallModuleForm(PageTraits::newer(QStringLiteral("cForm13"), QStringLiteral("CWR1"),
                                        {QStringLiteral("CWR1")})
                          .verifyDelay(0),
                      declaration(), parent)
{
    const QString humRange = QStringLiteral("Rozsah nastavení -100,0 až 100,0 %.");
    QGroupBox &box = correctionGroup();
    humLow = &limitField(box, QStringLiteral("reqHumidityLowLimit"),
                         QStringLiteral("Dolní limit žádané vlhkosti vzduchu"), false, true,
                         humHigh, QStringLiteral("%"),
                         QStringLiteral("Zadání spodního limitu nastavení žádané vlhkosti "
                                        "tlačítky. Například při nastavení 20 a registru Dolního "
                                        "limitu žádané vlhkosti vzduchu na 80 bude rozsah "
                                        "nastavení z klávesnice přístroje 20 ÷ 80 %."),
                         humRange);
    humHigh = &limitField(box, QStringLiteral("reqHumidityHighLimit"),
                          QStringLiteral("Horní limit žádané vlhkosti vzduchu"), false, false,
                          humLow, QStringLiteral("%"),
                          QStringLiteral("Zadání horního limitu nastavení žádané vlhkosti "
                                         "tlačítky."),
                          humRange);
    reqHum = &requiredField(box, QStringLiteral("reqHumidity"),
                            QStringLiteral("Žádaná relativní vlhkost vzduchu"), false, humLow,
                            humHigh, QStringLiteral("%"),
                            QStringLiteral("Meze rozsahu nastavení tlačítky jsou vymezeny "
                                           "nastavením Dolní/Horní limit žádané vlhkosti "
                                           "vzduchu."));
    humHigh->setPosition(100);
    for (QComboBox *c : bridge)
        required(*c, c); // the list itself turns red

    block(0x0008, 2).position(*reqTemp).position(*reqHum).afterWrite(command(0xC001));
    auto &user = block(0x001D, 5);
    fastChoiceSlots(user);
    user.gap(2).position(*contrast).afterWrite(command(0xC002));
    auto &settings = block(0x0028, 24);
    textToPrescalerSlots(settings);
    settings.positions({tempLow, tempHigh, humLow, humHigh}).unused(8);
    modeAndSymbolSlots(block(0x004C, 32).positions({off, humOff}).gap(6));

    savedBasics();
    registerControl(humLow->bar(), 0);
    registerControl(humHigh->bar(), 100);
    registerControl(reqHum->bar(), 0);
    savedEditors();

    layOut();
    finishCreate();
}

TExtraForm *TcForm13::createLiveWindow()
{
    return new Tc13extForm(*this);
}
