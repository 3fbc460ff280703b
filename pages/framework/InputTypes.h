#pragma once

// The signal types of the universal analogue inputs (ZK, ZG, E-UV6): the list item, its
// code in the device's type byte and the range a choice by the user puts into the input's
// range fields. Items 0 to 3 are resistance thermometers, which take a correction instead.

#include "pages/framework/Fields.h"

#include <QString>
#include <vector>

struct InputType {
    QString text;
    int code;
    int rangeStart;
    int rangeEnd;
};

const std::vector<InputType> &inputTypes();
// The list items with their codes, for codedCombo() and setCodeTable().
CodeTable inputTypeCodes();
inline bool isThermometerItem(int item)
{
    return item >= 0 && item < 4;
}
