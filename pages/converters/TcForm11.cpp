#include "pages/converters/TcForm11.h"

#include "pages/framework/InputTypes.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>

namespace {

const QStringList kModels = {QStringLiteral("ZG")};
constexpr int kClientWidth = 670;

PwmConverterDeclaration declaration()
{
    PwmConverterDeclaration d;
    d.prefix = QStringLiteral("c11");
    d.typeCaption = QStringLiteral("Typ vstupního signálu");
    d.typeLabelHint = QStringLiteral("Typ snímače");
    d.types = inputTypeCodes();
    d.timeBaseShown = true;
    return d;
}

} // namespace

TcForm11::TcForm11(QWidget *parent)
    : TUniversalInputPage(
          PageTraits::classic(QStringLiteral("cForm11"), QStringLiteral("ZG"), kModels)
              .verifyDelay(1500)
              .firmwarePanelWidth(kFirmwarePanelWidth)
              .messagePanelWidth(kMessagePanelWidth),
          declaration(), parent)
{
    // The output range of the plain input types, disabled while a thermometer is chosen.
    const QString hint = QStringLiteral("Rozsah -32768 až 32767");
    const QString start = QStringLiteral("Počáteční hodnota výstupního rozsahu");
    const QString end = QStringLiteral("Koncová hodnota výstupního rozsahu");
    m_u1 = &numeric(*m_ranges, "c11AuU1", start, Rule::signedWhole(-32768, 32767).length(6),
                    QString(), hint, start);
    m_u2 = &numeric(*m_ranges, "c11AuU2", end, Rule::signedWhole(-32768, 32767).length(6),
                    QString(), hint, end);
    m_u2->setPosition(32767);
    for (TNumericField *f : {m_u1, m_u2}) {
        f->bar()->setPageStep(100);
        f->edit()->setEnabled(false);
        f->bar()->setEnabled(false);
    }
    attachInput(m_u1, m_u2);

    auto &image = block(0x2000, 16);
    headSlots(image, false);
    m_input.rangeSlot(image, *m_i1);
    m_input.rangeSlot(image, *m_i2);
    tailSlots(image);
    // The output range only for the plain types: a thermometer leaves the device's own.
    const auto plain = [this] { return m_input.plainTypeSelected(); };
    m_input.rangeSlot(image, *m_u1).writtenWhen(plain);
    m_input.rangeSlot(image, *m_u2).writtenWhen(plain);

    for (QWidget *w :
         std::initializer_list<QWidget *>{m_text, m_speed, m_address, m_type, m_off->bar(),
                                          m_i1->bar(), m_i2->bar(), m_u1->bar(), m_u2->bar()})
        registerControl(w, 0);
    savedPwmControls();

    alignColumns(kClientWidth);
    finishCreate();
}

TExtraForm *TcForm11::createLiveWindow()
{
    return new Tc11extForm(*this);
}

// --- live window ---

Tc11extForm::Tc11extForm(TComponentForm &page)
    : TTemperatureLiveForm(page, {QStringLiteral("Měřená hodnota vstupního signálu"),
                                  QStringLiteral("Měřená hodnota"),
                                  QStringLiteral("Měřená hodnota modulu"),
                                  QStringLiteral("Měřená hodnota modulu")})
{
    setReader(new Tc11extThread(page, *this));
}

Tc11extThread::Tc11extThread(TComponentForm &page, Tc11extForm &window)
    : TConverterThread(page, window, kModels, true)
{
}
