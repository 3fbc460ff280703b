#include "pages/converters/TcForm1.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

const QStringList kModels = {QStringLiteral("T4yJ"), QStringLiteral("T4yJN")};

FrequencyConverterDeclaration declaration()
{
    FrequencyConverterDeclaration d;
    d.prefix = QStringLiteral("c1");
    d.typeCaption = QStringLiteral("Typ teplotního odporového snímače");
    d.types = TConverterForm::thermometerTypes();
    d.baudItems = QStringList{"1200",  "2400",  "4800",   "9600",   "19200",
                              "38400", "57600", "115200", "128000", "230400"};
    d.minFrequency = 1;
    return d;
}

} // namespace

TcForm1::TcForm1(QWidget *parent)
    : TFrequencyConverterForm(
          PageTraits::classic(QStringLiteral("cForm1"), QStringLiteral("T4yJ"), kModels)
              .firmwarePanelWidth(kFirmwarePanelWidth)
              .messagePanelWidth(kMessagePanelWidth),
          declaration(), parent)
{
    // The sensor is fitted at the factory: shown, never edited, and written back as the
    // device reports it (its low byte; the high byte is written as 0). Not compared.
    m_type->setEnabled(false);

    auto &image = block(0x2001, 15)
                      .text(*m_text, 10)
                      .lowByte(*m_type)
                      .keptFromDevice(0x00FF)
                      .position(*m_off)
                      .bytes(*m_address, *m_speed);
    rangeSlots(image);

    savedControls(false);
    finishCreate();
}

TExtraForm *TcForm1::createLiveWindow()
{
    return new Tc1extForm(*this);
}

// --- live window ---

Tc1extForm::Tc1extForm(TComponentForm &page) : TTemperatureLiveForm(page)
{
    setReader(new Tc1extThread(page, *this));
}

Tc1extThread::Tc1extThread(TComponentForm &page, Tc1extForm &window)
    : TConverterThread(page, window, kModels, false)
{
}
