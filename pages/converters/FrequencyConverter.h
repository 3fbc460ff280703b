#pragma once

// What the T4yJ and ZK pages share: the same register block 0x2001-0x200F, the same
// controls (customer text, input type, correction, baud rate, address, input range, output
// frequency range, limits and fault value), and the rules that keep the frequency limits
// around the output range. The pages add their own type list, block slots and live window.

#include "pages/framework/Fields.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"

#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class TNumericField;

// "Firmware: 115" in full; the message panel takes what the window leaves.
constexpr int kFirmwarePanelWidth = 100;
constexpr int kMessagePanelWidth = 300;
constexpr int kClientWidth = 632;

struct FrequencyConverterDeclaration {
    QString prefix;        // "c1": prefix of every control name
    QString typeCaption;   // caption of the input type list
    CodeTable types;       // its items with their codes in register 0x2006
    QStringList baudItems; // "1200" ...
    int minFrequency = 1;  // lower bound of the five frequency fields
};

class TFrequencyConverterForm : public TComponentForm
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
    TNumericField *o1() const { return m_o1; }
    TNumericField *o2() const { return m_o2; }
    TNumericField *sp() const { return m_sp; }
    TNumericField *fl() const { return m_fl; }
    TNumericField *fh() const { return m_fh; }

    // "Ni 1000/5000ppm" 0, "Ni 1000/6180ppm" 1, "Pt 1000/3850ppm" 2.
    static const CodeTable &thermometerTypes();

protected:
    TFrequencyConverterForm(const PageTraits &traits, const FrequencyConverterDeclaration &d,
                            QWidget *parent);

    // Registers 0x2009-0x200F: input range, output range, fault value, limits.
    void rangeSlots(RegisterBlock &block);
    // The saved controls in their file order; the type list only where the page saves it.
    void savedControls(bool withType);

    QLineEdit *m_text = nullptr;
    QComboBox *m_type = nullptr;
    QComboBox *m_speed = nullptr;
    QComboBox *m_address = nullptr;
    TNumericField *m_off = nullptr;
    TNumericField *m_i1 = nullptr;
    TNumericField *m_i2 = nullptr;
    TNumericField *m_o1 = nullptr;
    TNumericField *m_o2 = nullptr;
    TNumericField *m_sp = nullptr;
    TNumericField *m_fl = nullptr;
    TNumericField *m_fh = nullptr;

private:
    TNumericField &frequency(QGroupBox &group, const QString &name, const QString &caption,
                             const QString &labelHint = QString());
    void keepLimitsAroundOutputRange(TNumericField &changed);
    void alignColumns();

    int m_minFrequency;
};

// The measured temperature of a converter: group "Měřená teplota modulu" with the memo.
class TTemperatureLiveForm : public TExtraForm
{
    Q_OBJECT
public:
    explicit TTemperatureLiveForm(TComponentForm &page);

    QLineEdit *measureTemperatureMemo = nullptr;
    QLabel *measureTemperatureULabel = nullptr;
};
