#pragma once

// The wall modules CWR1 and GWR1: one page base with what both pages share. The LCD
// modes (number of states, binding to a top position, 16 symbols each), the fast choices of
// the two buttons, the LCD contrast and the digital output (two-state or PWM); the basic
// settings and the temperature correction with its limits; the blocks read and written
// with the command register handshake between them.
//
// A read decodes every block first; the page then settles limits before the values that
// depend on them, state counts before bindings before fast choices, with the cross-checks
// quiet: a typed choice warns, a value from the device or a file does not.

#include "pages/framework/TComponentForm.h"

class QComboBox;
class QLineEdit;
class TRadioGroup;

struct WallModuleDeclaration {
    QString model;  // "CWR1"
    bool humidity = false;
    CodeTable fastChoices;
    QString correctionTitle; // "Konfigurace korekce teploty a vlhkosti"
    // Each range read at once: (start, count); the declared blocks lie inside them.
    std::vector<std::pair<int, int>> reads;
};

class TWallModuleForm : public TComponentForm
{
    Q_OBJECT
public:
    static constexpr int kModes = 3;
    static constexpr int kSymbols = 16;
    static constexpr int kCommandRegister = 0x001C;

    TWallModuleForm(const PageTraits &traits, const WallModuleDeclaration &declaration,
                    QWidget *parent = nullptr);

    // Basic settings and the temperature correction.
    QLineEdit *text = nullptr;
    TNumericField *off = nullptr;
    TNumericField *humOff = nullptr; // CWR1 only
    QComboBox *address = nullptr;
    QComboBox *speed = nullptr;
    TNumericField *tempLow = nullptr;
    TNumericField *tempHigh = nullptr;
    TNumericField *reqTemp = nullptr;
    // Digital output, user settings, modes.
    TRadioGroup *outType = nullptr;
    TNumericField *steps = nullptr;
    QLineEdit *period = nullptr;      // digitalOutPrescMaskEdit, ms
    QScrollBar *prescaler = nullptr;  // digitalOutPrescScrollBar
    QLineEdit *frequency = nullptr;   // digitalOutPrescHzMaskEdit, display only
    QComboBox *fastUp = nullptr;
    QComboBox *fastDown = nullptr;
    TNumericField *contrast = nullptr;
    TNumericField *count[kModes] = {};
    QComboBox *bridge[kModes] = {};
    QComboBox *symbol[kModes][kSymbols] = {};

    // Handlers.
    void modeCountAccepted(int mode);
    void bridgeChange(int mode);
    void fastChoiceChange(QComboBox *combo);
    void digitalOutTypeClick();
    void stepsAccepted();
    void prescalerChange();
    // Exit of the period field; false when its text is no number.
    bool periodExit();

    void commitPendingEdit() override;
    void controlsLoading() override;
    void controlsLoaded() override;

    // The PWM arithmetic in whole units of 0,0001 ms (the time step 0,0005 ms is 5 units).
    static qint64 periodUnits(int prescaler, int steps);
    static int prescalerLowerLimit(int steps);
    static int prescalerForPeriod(qint64 units, int steps);
    static QString periodText(qint64 units);
    static QString frequencyText(qint64 units);
    // The hint of the output type.
    static QString outputTypeHint(bool pwm);

protected:
    void readDevice() override;
    void readBlocks(bool firmwareAfterFirst) override;
    void writeDevice() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // Declarations for the pages.
    QGroupBox &basicGroup() { return *m_basic; }
    QGroupBox &correctionGroup() { return *m_correction; }
    TNumericField &limitField(QGroupBox &group, const QString &prefix, const QString &caption,
                              bool decimal, bool lower, TNumericField *&partner,
                              const QString &unit, const QString &labelHint,
                              const QString &hint);
    TNumericField &requiredField(QGroupBox &group, const QString &prefix, const QString &caption,
                                 bool decimal, TNumericField *&low, TNumericField *&high,
                                 const QString &unit, const QString &hint);
    // Slots of the shared registers.
    void fastChoiceSlots(RegisterBlock &b);
    void textToPrescalerSlots(RegisterBlock &b);
    void modeSlots(RegisterBlock &b);
    void symbolSlots(RegisterBlock &b, int mode);
    // From the state counts on: the mode registers, the symbols of the three modes (in
    // this block, then 0x006C and 0x007C) and the closing command after the last block.
    void modeAndSymbolSlots(RegisterBlock &modes);
    // A step that runs the given command through the command register.
    std::function<void()> command(quint16 value);
    // The saved controls of the basic settings and the temperature correction, first.
    void savedBasics();
    // Registered after the page's own saved controls: output, contrast, modes, symbols.
    void savedEditors();
    // The settle of a read or a load: required values inside their limits, symbols by the
    // state counts, the output's controls by its type.
    virtual void settle();
    bool settling() const { return m_settling > 0; }
    void layOut();
    // The caption above a control, both across the group.
    void stackRow(QGroupBox &group, QWidget *control);

    const WallModuleDeclaration m_declaration;

private:
    void buildEditors();
    void applyOutputType(bool setValues);
    void showPeriod();

    QGroupBox *m_basic = nullptr;
    QGroupBox *m_correction = nullptr;
    QGroupBox *m_output = nullptr;
    QGroupBox *m_user = nullptr;
    QGroupBox *m_modes[kModes] = {};
    std::vector<TNumericField *> m_dependents; // limit pairs' required values
    int m_settling = 0;
    int m_stepsMin = 2;
};

// The fast-choice items of the two modules.
const CodeTable &cwr1FastChoices();
const CodeTable &gwr1FastChoices();
