#pragma once

// T4yJ: temperature-to-frequency converter page and its live window.

#include "pages/converters/ConverterLive.h"
#include "pages/converters/FrequencyConverter.h"

class TcForm1 : public TFrequencyConverterForm
{
    Q_OBJECT
public:
    explicit TcForm1(QWidget *parent = nullptr);

    TExtraForm *createLiveWindow() override;

    // Documented handlers; the fields and lists run the same code on their own events.
    void c1Change(QObject *sender) { changeOf(sender); }
    void c1ZdOffMaskEditExit(QObject *sender) { exitOf(sender); }
    bool c1ZdOffMaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c1IntMaskEditChange(QObject *sender) { exitOf(sender); }
    bool c1AuSpMaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c1FloatScrollBarChange(QObject *sender) { scrollOf(sender); }
    void c1IntScrollBarChange(QObject *sender) { scrollOf(sender); }
    void c1GetButtonClick() { getButtonClick(); }
    void c1SendButtonClick() { sendButtonClick(); }
};

class Tc1extForm : public TTemperatureLiveForm
{
    Q_OBJECT
public:
    explicit Tc1extForm(TComponentForm &page);
};

class Tc1extThread : public TConverterThread
{
    Q_OBJECT
public:
    Tc1extThread(TComponentForm &page, Tc1extForm &window);
};
