#pragma once

// E-UV6: four-input analogue module page and its live window. Each input's type decides
// what is edited: the correction of a thermometer, or the two values to which the start
// and end of a resistance, voltage or current input are scaled.

#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"

class QComboBox;
class QLabel;
class QLineEdit;

class TcForm10 : public TComponentForm
{
    Q_OBJECT
public:
    explicit TcForm10(QWidget *parent = nullptr);

    TExtraForm *createLiveWindow() override;
    void controlsLoaded() override;
    void settleAfterRead(bool ok) override;

    QLineEdit *textEdit() const { return m_text; }
    QComboBox *speedCombo() const { return m_speed; }
    QComboBox *addressList() const { return m_address; }
    QComboBox *typeCombo(int input) const { return m_inputs[input].type; }
    TNumericField *off(int input) const { return m_inputs[input].off; }
    TNumericField *rangeStart(int input) const { return m_inputs[input].start; }
    TNumericField *rangeEnd(int input) const { return m_inputs[input].end; }

    // Change of the text, the baud and address lists and the four type lists: a type
    // switches its input between correction and range, a user's choice with the type's
    // range defaults.
    void c10ZdTextEditChange(QObject *sender);

    // While set, the next run of the change handler keeps the ranges (reads and loads).
    bool suppressRangeDefaults = false;

private:
    struct Input {
        QComboBox *type = nullptr;
        TNumericField *off = nullptr;
        TNumericField *start = nullptr;
        TNumericField *end = nullptr;
    };
    void typeChange(const Input &input);
    void settleTypes();

    QLineEdit *m_text = nullptr;
    QComboBox *m_speed = nullptr;
    QComboBox *m_address = nullptr;
    Input m_inputs[4];
};

class Tc10extForm : public TExtraForm
{
    Q_OBJECT
public:
    explicit Tc10extForm(TComponentForm &page);

    QLineEdit *measureTemperatureMemo[4] = {};
    QLabel *measureTemperatureULabel[4] = {};
};

class Tc10extThread : public TFormThread
{
    Q_OBJECT
public:
    Tc10extThread(TComponentForm &page, Tc10extForm &window);

protected:
    bool readValues() override;
    void showValues() override;

private:
    Tc10extForm &m_form;
    int m_codes[4] = {};      // types of the last poll, for the units
    int m_valueCodes[4] = {}; // types with which the values were read
};
