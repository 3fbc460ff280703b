#pragma once

// ZSL: universal-input transmitter with two relay outputs and an analogue (DAC) output.
// The range values (relay comparisons and hystereses, the DAC range and failure value) are
// tenths of a degree for a thermometer input and plain numbers with a chosen decimal point
// for the linear inputs.

#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"

class QComboBox;
class QLabel;
class QLineEdit;
class TShape;

class TcForm12 : public TComponentForm
{
    Q_OBJECT
public:
    explicit TcForm12(QWidget *parent = nullptr);

    TExtraForm *createLiveWindow() override;
    bool validateSelections() override;
    void controlsLoaded() override;
    void settleAfterRead(bool ok) override;

    // Documented handlers.
    void cZdIntComboBoxChange() { inputTypeRules(); }
    void cDotPositionRadioGroupClick() { decimalPointRules(); }
    void cDacERadioGroupClick();

    QLineEdit *textEdit() const { return m_text; }
    QComboBox *speedCombo() const { return m_speed; }
    QComboBox *addressList() const { return m_address; }
    QComboBox *inputCombo() const { return m_input; }
    QComboBox *outputCombo() const { return m_output; }
    TNumericField *off() const { return m_off; }
    TNumericField *i1() const { return m_i1; }
    TNumericField *i2() const { return m_i2; }
    TNumericField *sp() const { return m_sp; }
    TNumericField *lim1() const { return m_lim1; }
    TNumericField *lim2() const { return m_lim2; }
    TNumericField *hys1() const { return m_hys1; }
    TNumericField *hys2() const { return m_hys2; }
    TNumericField *i1Display() const { return m_i1b; }
    TNumericField *i2Display() const { return m_i2b; }
    TRadioGroup *relay1() const { return m_rel1; }
    TRadioGroup *relay2() const { return m_rel2; }
    TRadioGroup *dacActive() const { return m_dac; }
    TRadioGroup *decimalPoint() const { return m_dot; }
    bool temperatureInput() const { return m_temperature; }

    // The decimal-point position: register code of an item, item of a code (3 for any
    // other code).
    static int dotCode(int item);
    static int dotItem(int code);

private:
    void inputTypeRules();
    void decimalPointRules();
    // 10^places of the decimal point (no selection counts as the item a read gives).
    int dotPlaces() const;
    void relayHint(TRadioGroup &group, const QString &out);
    void dacHint();
    void normaliseDecimalPoint();
    std::vector<TNumericField *> rangeFields() const;

    QLineEdit *m_text = nullptr;
    QComboBox *m_speed = nullptr;
    QComboBox *m_address = nullptr;
    QComboBox *m_input = nullptr;
    QComboBox *m_output = nullptr;
    TNumericField *m_off = nullptr;
    TNumericField *m_i1 = nullptr;
    TNumericField *m_i2 = nullptr;
    TNumericField *m_sp = nullptr;
    TNumericField *m_lim1 = nullptr;
    TNumericField *m_lim2 = nullptr;
    TNumericField *m_hys1 = nullptr;
    TNumericField *m_hys2 = nullptr;
    TNumericField *m_i1b = nullptr;
    TNumericField *m_i2b = nullptr;
    TRadioGroup *m_rel1 = nullptr;
    TRadioGroup *m_rel2 = nullptr;
    TRadioGroup *m_dac = nullptr;
    TRadioGroup *m_dot = nullptr;
    bool m_temperature = true;
};

class Tc12extForm : public TExtraForm
{
    Q_OBJECT
public:
    explicit Tc12extForm(TComponentForm &page);

    QLineEdit *measureTemperatureMemo = nullptr;
    QLabel *measureTemperatureULabel = nullptr;
    TShape *rele1Shape = nullptr;
    TShape *rele2Shape = nullptr;
};

class Tc12extThread : public TFormThread
{
    Q_OBJECT
public:
    Tc12extThread(TComponentForm &page, Tc12extForm &window);

protected:
    bool readValues() override;
    void showValues() override;

private:
    Tc12extForm &m_form;
    int m_code = 0;      // input code of the last poll (unit label)
    int m_valueCode = 0; // input code with which the value was read
    int m_relays = 0;
};
