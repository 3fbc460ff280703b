#pragma once

// Live window of the wall modules: measured values, the digital input and output, the
// requested state of each LCD mode and the symbol at each free top position. The user's
// choices are stored on the user-interface thread and written by the reader between polls;
// the reader never reads a widget.

#include "pages/framework/Fields.h"
#include "pages/framework/TExtraForm.h"
#include "pages/sensors/WallModule.h"

#include <mutex>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class TRadioGroup;

class TWallLiveThread;

class TWallLiveForm : public TExtraForm, public FieldHost
{
    Q_OBJECT
public:
    TWallLiveForm(TWallModuleForm &page, bool humidity);

    static constexpr int kModes = TWallModuleForm::kModes;

    QLineEdit *measureTemperatureMemo = nullptr;
    QLineEdit *measuredHumMemo = nullptr;
    TRadioGroup *digitalInRadioGroup = nullptr;
    TRadioGroup *DigitalOutRadioGroup = nullptr;
    QGroupBox *digitalOutputGroupBox = nullptr;
    QLabel *digitalOutLabel = nullptr;
    // The output's value: digitalOutMaskEdit with digitalOutScrollBar.
    TNumericField *digitalOut = nullptr;
    QScrollBar *digitalOutScrollBar = nullptr;
    QLineEdit *digitalOutMaskEdit = nullptr;
    QComboBox *reqMode[kModes] = {};
    QLabel *reqModeCounter[kModes] = {};
    QComboBox *symbolAtPosition[kModes] = {};

    // User actions (user-interface thread).
    void reqModeChosen(int mode);
    void positionChosen(int position);
    void digitalOutClick();
    // The bar's position as the output's request.
    void digitalOutScrollEnded();
    // Each change of the output's text: converted, clamped and put into the bar.
    void digitalOutTextChanged();

    // Requests as stored for the reader (under the lock).
    struct Requests {
        bool mode[kModes] = {};
        int modeValue[kModes] = {};
        bool position[kModes] = {};
        int positionValue[kModes] = {};
        bool output = false;
        int outputValue = 0;
    };
    Requests takeRequests();

    // State of the window (user-interface thread).
    int lastDigitalIn = 0;
    int lastOutItem = 0;
    int outputMaximum = 65535;
    bool firstFill[kModes] = {true, true, true};

    // FieldHost of the output field: leaving it or Enter applies the text and raises the
    // request; the window keeps no changed marker.
    void fieldEdited(TNumericField &) override {}
    void fieldExit(TNumericField &field) override;
    void setInvalidInput(bool) override {}
    void markChanged(bool) override {}

private:
    std::mutex m_lock;
    Requests m_requests;
};

class TWallLiveThread : public TFormThread
{
    Q_OBJECT
public:
    TWallLiveThread(TWallModuleForm &page, TWallLiveForm &window, bool humidity);

protected:
    bool readValues() override;
    void showValues() override;
    void writeRequests() override;

private:
    static constexpr int kModes = TWallModuleForm::kModes;
    static constexpr int kSymbols = TWallModuleForm::kSymbols;
    void writeOne(int address, int value);

    TWallLiveForm &m_form;
    QString m_model;
    bool m_humidity;
    // Last polled values; -1: not polled yet.
    int m_temperature = 0;
    int m_humidityValue = 0;
    bool m_measured = false;
    int m_digitalIn = -1;
    int m_output = -1;
    int m_position[kModes] = {-1, -1, -1};
    int m_binding[kModes] = {-1, -1, -1};
    int m_count[kModes] = {-1, -1, -1};
    int m_steps = -1;
    int m_symbols[kModes][kSymbols];
    int m_requested[kModes] = {-1, -1, -1};
    bool m_modesPolled = false; // counts, symbols and requested states all read once
    bool m_pwmShown = false;
    bool m_outputShownOnce = false;
    // Changed since last shown.
    bool m_outputChanged = true;
    bool m_positionChanged[kModes] = {true, true, true};
    bool m_bindingsChanged = true;
    bool m_modeChanged[kModes] = {true, true, true};
    // Items written in the last cycle: shown from the next poll, whatever the device kept.
    bool m_refreshOutput = false;
    bool m_refreshPosition[kModes] = {};
    bool m_refreshMode[kModes] = {};
};

class Tc13extForm : public TWallLiveForm
{
    Q_OBJECT
public:
    explicit Tc13extForm(TWallModuleForm &page) : TWallLiveForm(page, true) {}
};

class Tc14extForm : public TWallLiveForm
{
    Q_OBJECT
public:
    explicit Tc14extForm(TWallModuleForm &page) : TWallLiveForm(page, false) {}
};
