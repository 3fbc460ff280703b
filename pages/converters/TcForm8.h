#pragma once

// T4yG: temperature-to-PWM converter page and its live window.

#include "pages/converters/ConverterLive.h"
#include "pages/converters/PwmConverter.h"

class TcForm8 : public TPwmConverterForm
{
    Q_OBJECT
public:
    explicit TcForm8(QWidget *parent = nullptr);

    TExtraForm *createLiveWindow() override;

    // Documented handlers; the fields, lists and groups run the same code on their own
    // events.
    void c8ZdOffMaskEditExit(QObject *sender) { exitOf(sender); }
    bool c8ZdOffMaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c8ZdOffScrollBarChange(QObject *sender) { scrollOf(sender); }
    void c8ZdTextEditChange(QObject *sender) { changeOf(sender); }
    void c8PInvRadioGroupClick(TRadioGroup *sender) { radioGroupClick(sender); }
    void c8PWMTypeSettingRadioGroupClick() { pwmTypeSettingClick(); }
    void c8PWMEditExit() { pwmEditExit(); }
    bool c8PWMEditKeyPress(QChar key) { return keyPressOf(pwm(), key); }
    void c8PWMScrollBarChange() { pwmScrollBarChange(); }
    void c8GetButtonClick() { getButtonClick(); }
    void c8SendButtonClick() { sendButtonClick(); }
};

class Tc8extForm : public TTemperatureLiveForm
{
    Q_OBJECT
public:
    explicit Tc8extForm(TComponentForm &page);
};

class Tc8extThread : public TConverterThread
{
    Q_OBJECT
public:
    Tc8extThread(TComponentForm &page, Tc8extForm &window);
};
