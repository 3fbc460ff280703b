#pragma once

// What the T4yG and ZG pages share: the basic settings and input range of every converter,
// the PWM settings (resolution, direction, period or frequency over the time base of
// PwmTimeBase.h) and the substitute temperature, in one block from 0x2000:
//
//   0x2000 flags in the high byte (bit 0 16 bits, bit 1 falling), 0x2001-0x2005 text,
//   0x2006 type, 0x2007 correction, 0x2008 address and baud, 0x2009-0x200A input range,
//   0x200B time base, 0x200C unused (written 0xFFFF), 0x200D substitute temperature.
//
// The time-base list and the PWM bar always hold the same time base, the one the edit
// shows and a write sends: a time base beyond the resolution's limit is brought to it in
// both.

#include "pages/converters/ConverterForm.h"

class QComboBox;
class QGroupBox;
class TRadioGroup;

struct PwmConverterDeclaration : ConverterDeclaration {
    PwmConverterDeclaration()
    {
        baudItems = TConverterForm::baudRates();
        baudHint = QStringLiteral("Rozsah 1 200 - 19 200Bd");
    }
    bool timeBaseShown = false; // the time-base list with its caption (disabled either way)
};

class TPwmConverterForm : public TConverterForm
{
    Q_OBJECT
public:
    TRadioGroup *pwm16RadioGroup() const { return m_pwm16; }
    TRadioGroup *pInvRadioGroup() const { return m_pinv; }
    TRadioGroup *pwmTypeSettingRadioGroup() const { return m_typeSetting; }
    // c<n>PWMEdit with c<n>PWMScrollBar: the bar's position is the time base.
    TNumericField *pwm() const { return m_pwm; }
    QComboBox *timeBaseList() const { return m_tb; }
    bool sixteenBits() const;
    bool frequencyMode() const;

    void flMinusMaskEditExit(TNumericField &field) override;
    // After a load: bar and list from the saved time base.
    void controlsLoaded() override { pwmLoaded(); }

    // The documented handlers of the PWM settings.
    // The bar's time base into the list and the edit (exact value, three decimals).
    void pwmScrollBarChange();
    // Hints, caption, unit and bar range of the mode; then the bar's time base again.
    void pwmTypeSettingClick();
    // A group's hint is its chosen item; the resolution also changes the mode.
    void radioGroupClick(TRadioGroup *group);
    // The typed period or frequency, within the mode's bounds, to the nearest time base.
    void pwmEditExit();

protected:
    TPwmConverterForm(const PageTraits &traits, const PwmConverterDeclaration &d, QWidget *parent);

    // Registers 0x2000-0x2008; the type either written as the device holds it (keepType)
    // or from the list.
    void headSlots(RegisterBlock &block, bool keepType);
    // Registers 0x200B-0x200D.
    void tailSlots(RegisterBlock &block);
    // Radio groups, the time-base list and the PWM settings in the saved order.
    void savedPwmControls();
    // After a load: bar and list from the saved time base.
    void pwmLoaded();

    QGroupBox *m_ranges = nullptr; // "Nastavení rozsahů"

private:
    void pwmSettings(const PwmConverterDeclaration &d);
    void setTimeBase(int timeBase);

    TRadioGroup *m_pwm16 = nullptr;
    TRadioGroup *m_pinv = nullptr;
    TRadioGroup *m_typeSetting = nullptr;
    TNumericField *m_pwm = nullptr;
    QComboBox *m_tb = nullptr;
};
