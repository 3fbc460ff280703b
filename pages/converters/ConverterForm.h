#pragma once

// What every converter page shares: the basic settings (customer text, input type,
// correction, baud rate, address), the input range, the documented handlers that act on
// whichever control sent the event, and one column of captions and values through all
// groups. The frequency converters (T4yJ, ZK) and the PWM converters (T4yG, ZG) add their
// output settings.

#include "pages/framework/Fields.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"

#include <QStringList>

class QComboBox;
class QGroupBox;
class QLineEdit;
class TNumericField;

// "Firmware: 115" in full; the message panel takes what the window leaves.
constexpr int kFirmwarePanelWidth = 100;
constexpr int kMessagePanelWidth = 300;

struct ConverterDeclaration {
    QString prefix;      // "c1": prefix of every control name
    QString typeCaption; // caption of the input type list
    QString typeLabelHint = QStringLiteral("Určuje typ teplotního odporového snímače");
    CodeTable types;       // its items with their codes in register 0x2006
    QStringList baudItems; // "1200" ...
    QString baudHint;
};

class TConverterForm : public TComponentForm
{
    Q_OBJECT
public:
    QLineEdit *textEdit() const { return m_text; }
    QComboBox *typeCombo() const { return m_type; }
    QComboBox *speedCombo() const { return m_speed; }
    QComboBox *addressList() const { return m_address; }
    TNumericField *off() const { return m_off; }
    TNumericField *i1() const { return m_i1; }
    TNumericField *i2() const { return m_i2; }
    TNumericField *sp() const { return m_sp; }

    // "Ni 1000/5000ppm" 0, "Ni 1000/6180ppm" 1, "Pt 1000/3850ppm" 2.
    static const CodeTable &thermometerTypes();
    // Temperatures in tenths of a degree, truncated; their bars only show the value.
    static Rule temperature(double min, double max);

protected:
    TConverterForm(const PageTraits &traits, QWidget *parent);

    // "Základní nastavení": text, type list, correction, baud rate, address (the two lists
    // required). Correction 0,0 at design time.
    QGroupBox &basicSettings(const ConverterDeclaration &d);
    // Input range start and end in tenths of a degree, -100,0 and 400,0 at design time.
    void inputRange(QGroupBox &group, const QString &prefix);

    QLineEdit *m_text = nullptr;
    QComboBox *m_type = nullptr;
    QComboBox *m_speed = nullptr;
    QComboBox *m_address = nullptr;
    TNumericField *m_off = nullptr;
    TNumericField *m_i1 = nullptr;
    TNumericField *m_i2 = nullptr;
    TNumericField *m_sp = nullptr;
};
