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
//
// TUniversalInputPage puts the piece into a converter page: it takes the page's read,
// load and exit hooks and the user's list choices, so the page only declares its slots.

#include "pages/framework/Fields.h"
#include "pages/framework/RegisterImage.h"
#include "pages/framework/TComponentForm.h"

#include <QComboBox>
#include <QObject>

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

template <class Base>
class TUniversalInputPage : public Base
{
public:
    void flMinusMaskEditExit(TNumericField &field) override
    {
        if (!m_input.plainExit(field))
            Base::flMinusMaskEditExit(field);
    }
    void controlsLoaded() override
    {
        Base::controlsLoaded();
        m_input.loaded();
    }
    void settleAfterRead(bool) override { m_input.settle(); }

protected:
    template <class Declaration>
    TUniversalInputPage(const PageTraits &traits, const Declaration &d, QWidget *parent)
        : Base(traits, d, parent), m_input(*this)
    {
    }

    // The input's controls (u1, u2: the output range where the page has one). Only a
    // user's choice in the type, baud or address list switches the mode; a read or a load
    // settles it afterwards.
    void attachInput(TNumericField *u1 = nullptr, TNumericField *u2 = nullptr)
    {
        m_input.attach({this->m_type, this->m_off, this->m_sp, this->m_i1, this->m_i2, u1, u2});
        this->required(*this->m_type);
        for (QComboBox *list : {this->m_type, this->m_speed, this->m_address})
            QObject::connect(list, &QComboBox::activated, this,
                             [this, list] { inputListChange(list); });
    }
    // A user's change of the text or a list; a changed type switches the input mode.
    void inputListChange(QObject *sender)
    {
        m_input.userChange(sender);
        this->changeOf(sender);
    }
    // The ranges are noted before the first exchange of a read, and again before the
    // blocks of a write's backup (which has no identification of its own).
    void readDevice() override
    {
        m_input.noteRanges();
        Base::readDevice();
    }
    void readBlocks(bool firmwareAfterFirst) override
    {
        m_input.noteRanges();
        Base::readBlocks(firmwareAfterFirst);
    }

    TUniversalInput m_input;

public:
    bool &thermometerMode = m_input.thermometerMode;
    bool &keepInputRange = m_input.keepInputRange;
};
