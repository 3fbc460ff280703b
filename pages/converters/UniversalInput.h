#pragma once

// The input-type logic of the universal-input converters (ZK, ZG). The type decides what
// the input range means: tenths of a degree with a correction and a fault value for the
// four thermometers, a plain number in the type's unit for resistance, voltage and current,
// where a user's choice of type also brings the type's default range. ZG's output range
// follows the input range in plain mode.
//
// After a read the ranges settle in the limits of the type read (or restored) at the
// values read (or those from before a failed read); after a load in those of the type
// loaded. Both run the type change with keepInputRange, so no default replaces them.

#include "pages/framework/RegisterImage.h"

#include <QObject>

class QComboBox;
class TComponentForm;
class TNumericField;

struct UniversalInputFields {
    QComboBox *type = nullptr;
    TNumericField *off = nullptr; // correction
    TNumericField *sp = nullptr;  // fault value
    TNumericField *i1 = nullptr;
    TNumericField *i2 = nullptr;
    TNumericField *u1 = nullptr; // output range (ZG): null on ZK
    TNumericField *u2 = nullptr;
};

class TUniversalInput : public QObject
{
    Q_OBJECT
public:
    explicit TUniversalInput(TComponentForm &page) : m_page(page) {}
    // The page's controls, once they exist.
    void attach(const UniversalInputFields &fields);

    bool thermometerMode = true;
    bool keepInputRange = false; // one-shot: the next type change keeps the ranges

    // The mode of the selected type (a code the list does not know changes nothing).
    void typeChange();
    // A user's change of a list: the type's mode (with its defaults) when it is the type
    // list; the one-shot keepInputRange ends either way.
    void userChange(QObject *sender);
    // Exit of an input-range edit in plain mode; false when the field is not one.
    bool plainExit(TNumericField &field);
    // Whether the selected type is one of the plain ones.
    bool plainTypeSelected() const;

    // A range register: the field's position, and on reading the value read kept for
    // settle().
    RegisterBlock &rangeSlot(RegisterBlock &block, TNumericField &field);
    // Before a read: the ranges as they are.
    void noteRanges();
    void settle();
    void loaded();

private:
    void setInputRangeLimits(bool thermometer);
    void showInputRange(TNumericField &field);
    void followInputRange(TNumericField &input);
    int slotOf(const TNumericField &field) const;

    TComponentForm &m_page;
    UniversalInputFields m_f;
    TNumericField *m_ranges[4] = {};
    int m_noted[4] = {};
    bool m_limiting = false;
};
