#pragma once

// T4yJ: temperature-to-frequency converter page and its live window.

#include "pages/converters/FrequencyConverter.h"
#include "pages/framework/TExtraForm.h"

class TcForm1 : public TFrequencyConverterForm
{
    Q_OBJECT
public:
    explicit TcForm1(QWidget *parent = nullptr);

    TExtraForm *createLiveWindow() override;
};

class Tc1extForm : public TTemperatureLiveForm
{
    Q_OBJECT
public:
    explicit Tc1extForm(TComponentForm &page);
};

class Tc1extThread : public TFormThread
{
    Q_OBJECT
public:
    Tc1extThread(TComponentForm &page, Tc1extForm &window);

protected:
    bool readValues() override;
    void showValues() override;

private:
    Tc1extForm &m_form;
};
