#pragma once

// ZG: universal-input-to-PWM converter page and its live window: the PWM settings of the
// T4yG with the input types of the ZK (TUniversalInput), and an output range for the
// plain input types that follows the input range.

#include "pages/converters/ConverterLive.h"
#include "pages/converters/PwmConverter.h"
#include "pages/converters/UniversalInput.h"

class TcForm11 : public TUniversalInputPage<TPwmConverterForm>
{
    Q_OBJECT
public:
    explicit TcForm11(QWidget *parent = nullptr);

    TExtraForm *createLiveWindow() override;

    TNumericField *u1() const { return m_u1; }
    TNumericField *u2() const { return m_u2; }

    // Change of the text, address, baud, time-base or type lists; a changed type switches
    // the page's input mode.
    void c11ZdTextEditChange(QObject *sender) { inputListChange(sender); }
    // Documented handlers; the fields and groups run the same code on their own events.
    void c11ZdOffMaskEditExit(QObject *sender) { exitOf(sender); }
    bool c11ZdOffMaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c11ZdOffScrollBarChange(QObject *sender) { scrollOf(sender); }
    bool c11AuU1MaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c11PInvRadioGroupClick(TRadioGroup *sender) { radioGroupClick(sender); }
    void c11PWMTypeSettingRadioGroupClick() { pwmTypeSettingClick(); }
    void c11PWMEditExit() { pwmEditExit(); }
    bool c11PWMEditKeyPress(QChar key) { return keyPressOf(pwm(), key); }
    void c11PWMScrollBarChange() { pwmScrollBarChange(); }
    void c11GetButtonClick() { getButtonClick(); }
    void c11SendButtonClick() { sendButtonClick(); }

private:
    TNumericField *m_u1 = nullptr;
    TNumericField *m_u2 = nullptr;
};

class Tc11extForm : public TTemperatureLiveForm
{
    Q_OBJECT
public:
    explicit Tc11extForm(TComponentForm &page);
};

class Tc11extThread : public TConverterThread
{
    Q_OBJECT
public:
    Tc11extThread(TComponentForm &page, Tc11extForm &window);
};
