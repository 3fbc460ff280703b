#include "pages/converters/ConverterLive.h"

#include "pages/framework/NumberText.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TTemperatureLiveForm::TTemperatureLiveForm(TComponentForm &page, const TemperatureLiveTexts &texts)
    : TExtraForm(page)
{
    auto *box = new QGroupBox(texts.group, this);
    box->setObjectName(QStringLiteral("measureTemperatureGroupBox"));
    auto *row = new QGridLayout(box);
    const MemoRow r = memoRow(*row, 0, QStringLiteral("measureTemperatureMemo"), texts.label,
                              texts.labelHint, texts.memoHint, QStringLiteral("0,0"),
                              QStringLiteral("measureTemperatureULabel"), QStringLiteral("°C"));
    measureTemperatureMemo = r.memo;
    measureTemperatureULabel = r.unit;
    contentLayout()->addWidget(box);
}

// --- reader ---

TConverterThread::TConverterThread(TComponentForm &page, TTemperatureLiveForm &window,
                                   const QStringList &models, bool typed)
    : TFormThread(page, window), m_form(window), m_models(models), m_typed(typed)
{
}

bool TConverterThread::readValues()
{
    checkIdentification(m_models);
    // The unit follows the type as soon as it is read, even when the value's read fails.
    if (m_typed)
        m_code = readRegisters(0x2006, 1).at(0) & 0xFF;
    values[0] = static_cast<qint16>(readRegisters(0x0000, 1).at(0));
    m_valueCode = m_code;
    return true;
}

void TConverterThread::showValues()
{
    m_form.measureTemperatureULabel->setVisible(m_code < 4);
    // The value stays that of the last good poll, shown as its type says.
    m_form.measureTemperatureMemo->setText(m_valueCode < 4 ? formatFixed(values[0] / 10.0, 1)
                                                           : QString::number(values[0]));
}
