#pragma once

// What the T4yJ and ZK pages share: the same register block 0x2001-0x200F, the basic
// settings and input range of every converter, the output frequency range, limits and
// fault value, and the rules that keep the frequency limits around the output range. The
// pages add their own type list, block slots and live window.

#include "pages/converters/ConverterForm.h"

struct FrequencyConverterDeclaration : ConverterDeclaration {
    FrequencyConverterDeclaration() { baudHint = QStringLiteral("Rozsah 1 200 - 230 400Bd"); }
    int minFrequency = 1; // lower bound of the five frequency fields
};

class TFrequencyConverterForm : public TConverterForm
{
    Q_OBJECT
public:
    TNumericField *o1() const { return m_o1; }
    TNumericField *o2() const { return m_o2; }
    TNumericField *fl() const { return m_fl; }
    TNumericField *fh() const { return m_fh; }

protected:
    TFrequencyConverterForm(const PageTraits &traits, const FrequencyConverterDeclaration &d,
                            QWidget *parent);

    // Registers 0x2009-0x200F: input range, output range, fault value, limits.
    void rangeSlots(RegisterBlock &block);
    // The saved controls in their file order; the type list only where the page saves it.
    void savedControls(bool withType);

    TNumericField *m_o1 = nullptr;
    TNumericField *m_o2 = nullptr;
    TNumericField *m_fl = nullptr;
    TNumericField *m_fh = nullptr;

private:
    TNumericField &frequency(QGroupBox &group, const QString &name, const QString &caption,
                             const QString &labelHint = QString());
    void keepLimitsAroundOutputRange(TNumericField &changed);

    int m_minFrequency;
};
