#pragma once

// CWR1: temperature and humidity wall module.

#include "pages/sensors/WallModule.h"

class TcForm13 : public TWallModuleForm
{
    Q_OBJECT
public:
    explicit TcForm13(QWidget *parent = nullptr);

    TExtraForm *createLiveWindow() override;

    TNumericField *humLow = nullptr;
    TNumericField *humHigh = nullptr;
    TNumericField *reqHum = nullptr;
};
