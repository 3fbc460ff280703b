#pragma once

// ZK: universal-input-to-frequency converter page and its live window. The input type
// decides what the input range means (TUniversalInput).

#include "pages/converters/ConverterLive.h"
#include "pages/converters/FrequencyConverter.h"
#include "pages/converters/UniversalInput.h"
#include "pages/framework/InputTypes.h"

class TcForm4 : public TUniversalInputPage<TFrequencyConverterForm>
{
    Q_OBJECT
public:
    explicit TcForm4(QWidget *parent = nullptr);

    TExtraForm *createLiveWindow() override;

    // Change of the text, address, type or baud lists; a changed type switches the page's
    // input mode.
    void c4ZdTextEditChange(QObject *sender) { inputListChange(sender); }
    // Documented handlers; the fields run the same code on their own events.
    void c4ZdOffMaskEditExit(QObject *sender) { exitOf(sender); }
    bool c4ZdOffMaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c4ZdOffScrollBarChange(QObject *sender) { scrollOf(sender); }
    void c4AuSpMaskEditExit(QObject *sender) { exitOf(sender); }
    bool c4AuSpMaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c4AuSpScrollBarChange(QObject *sender) { scrollOf(sender); }
    void c4GetButtonClick() { getButtonClick(); }
    void c4SendButtonClick() { sendButtonClick(); }
};

class Tc4extForm : public TTemperatureLiveForm
{
    Q_OBJECT
public:
    explicit Tc4extForm(TComponentForm &page);
};

class Tc4extThread : public TConverterThread
{
    Q_OBJECT
public:
    Tc4extThread(TComponentForm &page, Tc4extForm &window);
};
