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
    auto *caption = new QLabel(texts.label, box);
    caption->setObjectName(QStringLiteral("measureTemperatureLabel"));
    caption->setToolTip(texts.labelHint);
    measureTemperatureMemo = new QLineEdit(QStringLiteral("0,0"), box);
    measureTemperatureMemo->setObjectName(QStringLiteral("measureTemperatureMemo"));
    measureTemperatureMemo->setToolTip(texts.memoHint);
    measureTemperatureMemo->setReadOnly(true);
    measureTemperatureMemo->setAlignment(Qt::AlignRight);
    measureTemperatureMemo->setFixedWidth(
        measureTemperatureMemo->fontMetrics().horizontalAdvance(QStringLiteral("-32767,0")) + 16);
    measureTemperatureULabel = new QLabel(QStringLiteral("°C"), box);
    measureTemperatureULabel->setObjectName(QStringLiteral("measureTemperatureULabel"));
    row->addWidget(caption, 0, 0);
    row->addWidget(measureTemperatureMemo, 0, 1);
    row->addWidget(measureTemperatureULabel, 0, 2);
    row->setColumnStretch(0, 1);
    // The unit keeps its place when a page hides it.
    measureTemperatureULabel->setMinimumWidth(
        measureTemperatureULabel->fontMetrics().horizontalAdvance(QStringLiteral("°C")));
    QSizePolicy keep = measureTemperatureULabel->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    measureTemperatureULabel->setSizePolicy(keep);
    contentLayout()->addWidget(box);
}

// --- readers ---

TTemperatureThread::TTemperatureThread(TComponentForm &page, TTemperatureLiveForm &window,
                                       const QStringList &models)
    : TFormThread(page, window), m_form(window), m_models(models)
{
}

bool TTemperatureThread::readValues()
{
    checkIdentification(m_models);
    values[0] = static_cast<qint16>(readRegisters(0x0000, 1).at(0));
    return true;
}

void TTemperatureThread::showValues()
{
    m_form.measureTemperatureMemo->setText(formatFixed(values[0] / 10.0, 1));
}

TInputTypeThread::TInputTypeThread(TComponentForm &page, TTemperatureLiveForm &window,
                                   const QStringList &models)
    : TFormThread(page, window), m_form(window), m_models(models)
{
}

bool TInputTypeThread::readValues()
{
    checkIdentification(m_models);
    // The unit follows the type as soon as it is read, even when the value's read fails.
    m_code = readRegisters(0x2006, 1).at(0) & 0xFF;
    values[0] = static_cast<qint16>(readRegisters(0x0000, 1).at(0));
    m_valueCode = m_code;
    return true;
}

void TInputTypeThread::showValues()
{
    m_form.measureTemperatureULabel->setVisible(m_code < 4);
    // The value stays that of the last good poll, shown as its type says.
    m_form.measureTemperatureMemo->setText(m_valueCode < 4 ? formatFixed(values[0] / 10.0, 1)
                                                           : QString::number(values[0]));
}
