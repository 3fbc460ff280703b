#pragma once

// T6yR: illuminance sensor page and its live window.

#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"

class QComboBox;
class QLineEdit;

class TcForm5 : public TComponentForm
{
    Q_OBJECT
public:
    explicit TcForm5(QWidget *parent = nullptr);

    TExtraForm *createLiveWindow() override;

    QLineEdit *textEdit() const { return m_text; }
    QComboBox *speedCombo() const { return m_speed; }
    QComboBox *addressList() const { return m_address; }
    QComboBox *sensitivityCombo() const { return m_sensitivity; }
    TNumericField *zero() const { return m_zero; }   // c5ZdNpr: 0 % of the customer range
    TNumericField *full() const { return m_full; }   // c5ZdSpr: 100 %
    TNumericField *delay() const { return m_delay; } // c5ZdTod: response time

private:
    QLineEdit *m_text = nullptr;
    QComboBox *m_speed = nullptr;
    QComboBox *m_address = nullptr;
    QComboBox *m_sensitivity = nullptr;
    TNumericField *m_zero = nullptr;
    TNumericField *m_full = nullptr;
    TNumericField *m_delay = nullptr;
};

class Tc5extForm : public TExtraForm
{
    Q_OBJECT
public:
    explicit Tc5extForm(TComponentForm &page);

    QLineEdit *measureIntenzityMemo = nullptr;
    QLineEdit *measurePercentIntenzityMemo = nullptr;
};

class Tc5extThread : public TFormThread
{
    Q_OBJECT
public:
    Tc5extThread(TComponentForm &page, Tc5extForm &window);

protected:
    bool readValues() override;
    void showValues() override;

private:
    Tc5extForm &m_form;
};
