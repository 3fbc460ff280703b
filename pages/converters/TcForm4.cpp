#include "pages/converters/TcForm4.h"

#include <QComboBox>

namespace {

const QStringList kModels = {QStringLiteral("ZK")};

FrequencyConverterDeclaration declaration()
{
    FrequencyConverterDeclaration d;
    d.prefix = QStringLiteral("c4");
    d.typeCaption = QStringLiteral("Typ vstupního signálu");
    d.types = inputTypeCodes();
    d.baudItems = TConverterForm::baudRates();
    d.minFrequency = 0;
    return d;
}

} // namespace

TcForm4::TcForm4(QWidget *parent)
    : TUniversalInputPage(
          PageTraits::classic(QStringLiteral("cForm4"), QStringLiteral("ZK"), kModels)
              .verifyDelay(1500)
              .firmwarePanelWidth(kFirmwarePanelWidth)
              .messagePanelWidth(kMessagePanelWidth),
          declaration(), parent)
{
    attachInput();

    // The type list takes the selection alone: the input mode follows after the read.
    auto &image = block(0x2001, 15)
                      .text(*m_text, 10)
                      .lowByte(*m_type)
                      .position(*m_off)
                      .bytes(*m_address, *m_speed);
    m_input.rangeSlot(image, *m_i1);
    m_input.rangeSlot(image, *m_i2);
    image.positions({m_o1, m_o2, m_sp, m_fl, m_fh});

    savedControls(true);
    finishCreate();
}

TExtraForm *TcForm4::createLiveWindow()
{
    return new Tc4extForm(*this);
}

// --- live window ---

Tc4extForm::Tc4extForm(TComponentForm &page) : TTemperatureLiveForm(page)
{
    setReader(new Tc4extThread(page, *this));
}

Tc4extThread::Tc4extThread(TComponentForm &page, Tc4extForm &window)
    : TConverterThread(page, window, kModels, true)
{
}
