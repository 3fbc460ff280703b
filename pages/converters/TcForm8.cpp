#include "pages/converters/TcForm8.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>

namespace {

const QStringList kModels = {QStringLiteral("T4yG")};
constexpr int kClientWidth = 670;

PwmConverterDeclaration declaration()
{
    PwmConverterDeclaration d;
    d.prefix = QStringLiteral("c8");
    d.typeCaption = QStringLiteral("Typ teplotního odporového snímače");
    d.types = TConverterForm::thermometerTypes();
    return d;
}

} // namespace

TcForm8::TcForm8(QWidget *parent)
    : TPwmConverterForm(
          PageTraits::classic(QStringLiteral("cForm8"), QStringLiteral("T4yG"), kModels)
              .firmwarePanelWidth(kFirmwarePanelWidth)
              .messagePanelWidth(kMessagePanelWidth),
          declaration(), parent)
{
    // The sensor is fitted at the factory: shown, never edited, written back as the device
    // reports it and not compared.
    m_type->setEnabled(false);

    auto &image = block(0x2000, 14);
    headSlots(image, true);
    image.positions({m_i1, m_i2});
    tailSlots(image);

    for (QWidget *w : std::initializer_list<QWidget *>{m_text, m_speed, m_address, m_off->bar(),
                                                       m_i1->bar(), m_i2->bar()})
        registerControl(w, 0);
    savedPwmControls();

    alignColumns(kClientWidth);
    finishCreate();
}

TExtraForm *TcForm8::createLiveWindow()
{
    return new Tc8extForm(*this);
}

// --- live window ---

Tc8extForm::Tc8extForm(TComponentForm &page)
    : TTemperatureLiveForm(page, {QStringLiteral("Měřená hodnota vstupního signálu"),
                                  QStringLiteral("Měřená teplota"),
                                  QStringLiteral("Měřená teplota modulu"),
                                  QStringLiteral("Měřená teplota")})
{
    setReader(new Tc8extThread(page, *this));
}

Tc8extThread::Tc8extThread(TComponentForm &page, Tc8extForm &window)
    : TConverterThread(page, window, kModels, false)
{
}
