#pragma once

// ZK: universal-input-to-frequency converter page and its live window. The input type
// decides what the input range means: tenths of a degree for the four thermometers, a plain
// number in the type's unit for resistance, voltage and current.

#include "pages/converters/FrequencyConverter.h"

class TcForm4 : public TFrequencyConverterForm
{
    Q_OBJECT
public:
    explicit TcForm4(QWidget *parent = nullptr);

    TExtraForm *createLiveWindow() override;
    void flMinusMaskEditExit(TNumericField &field) override;
    void controlsLoaded() override;
    void settleAfterRead(bool ok) override;

    // Change of the text, address, type or baud lists; a changed type switches the page's
    // input mode.
    void c4ZdTextEditChange(QObject *sender);
    // Documented handlers; the fields run the same code on their own events.
    void c4ZdOffMaskEditExit(QObject *sender) { exitOf(sender); }
    bool c4ZdOffMaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c4ZdOffScrollBarChange(QObject *sender) { scrollOf(sender); }
    void c4AuSpMaskEditExit(QObject *sender) { exitOf(sender); }
    bool c4AuSpMaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c4AuSpScrollBarChange(QObject *sender) { scrollOf(sender); }
    void c4GetButtonClick() { getButtonClick(); }
    void c4SendButtonClick() { sendButtonClick(); }

    static bool isThermometerItem(int item) { return item >= 0 && item < 4; }

    bool thermometerMode = true;
    bool keepInputRange = false;

protected:
    void readDevice() override;

private:
    void typeChange();
    void setInputRangeLimits(bool thermometer);
    void showInputRange(TNumericField &field);

    int m_noted[2] = {}; // input range to settle after a read
};

class Tc4extForm : public TTemperatureLiveForm
{
    Q_OBJECT
public:
    explicit Tc4extForm(TComponentForm &page);
};

class Tc4extThread : public TFormThread
{
    Q_OBJECT
public:
    Tc4extThread(TComponentForm &page, Tc4extForm &window);

protected:
    bool readValues() override;
    void showValues() override;

private:
    Tc4extForm &m_form;
    int m_code = 0;      // type of the last poll, for the unit
    int m_valueCode = 0; // type with which values[0] was read
};
