#pragma once

// The live windows of the converters: one measured value in a group, read from holding
// register 0x0000 after the identification check. The universal-input converters also
// read the input type first and show the value as it says.

#include "pages/framework/TExtraForm.h"

#include <QStringList>

class QLabel;
class QLineEdit;

struct TemperatureLiveTexts {
    QString group = QStringLiteral("Měřená teplota modulu");
    QString label = QStringLiteral("Měřená teplota");
    QString labelHint = QStringLiteral("Měřená teplota modulu");
    QString memoHint = QStringLiteral("Měřená teplota");
};

// The measured value: the memo with its "°C" unit.
class TTemperatureLiveForm : public TExtraForm
{
    Q_OBJECT
public:
    explicit TTemperatureLiveForm(TComponentForm &page,
                                  const TemperatureLiveTexts &texts = TemperatureLiveTexts());

    QLineEdit *measureTemperatureMemo = nullptr;
    QLabel *measureTemperatureULabel = nullptr;
};

// Polls the measured value (holding register 0x0000) in tenths of a degree. With the
// input type (typed), it reads the type first (low byte of 0x2006) and shows the value in
// tenths of a degree with the unit for a thermometer (codes below 4), else as a plain
// number without it.
class TConverterThread : public TFormThread
{
    Q_OBJECT
public:
    TConverterThread(TComponentForm &page, TTemperatureLiveForm &window, const QStringList &models,
                     bool typed);

protected:
    bool readValues() override;
    void showValues() override;

private:
    TTemperatureLiveForm &m_form;
    QStringList m_models;
    bool m_typed;
    int m_code = 0;      // type of the last poll, for the unit
    int m_valueCode = 0; // type with which values[0] was read
};
