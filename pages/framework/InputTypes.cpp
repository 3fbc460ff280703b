#include "pages/framework/InputTypes.h"

const std::vector<InputType> &inputTypes()
{
    static const std::vector<InputType> types = {
        {QStringLiteral("Ni 1000/5000ppm"), 0x00, 0, 0},
        {QStringLiteral("Ni 1000/6180ppm"), 0x01, 0, 0},
        {QStringLiteral("Pt 1000/3850ppm"), 0x02, 0, 0},
        {QStringLiteral("Pt 100/3850ppm"), 0x03, 0, 0},
        {QStringLiteral("odpor 0-1000 ohmů"), 0x10, 0, 10000},
        {QStringLiteral("odpor 0-100 ohmů"), 0x11, 0, 1000},
        {QStringLiteral("napětí 0-10 V"), 0x30, 0, 1000},
        {QStringLiteral("napětí 0-5 V"), 0x31, 0, 500},
        {QStringLiteral("proud 4-20 mA"), 0x40, 400, 2000},
        {QStringLiteral("proud 0-20 mA"), 0x41, 0, 2000},
    };
    return types;
}

CodeTable inputTypeCodes()
{
    CodeTable table;
    for (const InputType &t : inputTypes())
        table.push_back({t.text, t.code});
    return table;
}
