#pragma once

// GWR1: the temperature-only sibling of the CWR1, with the display options of its
// temperature-correction screen.

#include "pages/sensors/WallModule.h"

class TcForm14 : public TWallModuleForm
{
    Q_OBJECT
public:
    explicit TcForm14(QWidget *parent = nullptr);

    TExtraForm *createLiveWindow() override;

    QComboBox *startBarGraph = nullptr;  // BOTValueComboBoxEx
    QComboBox *correctionBarGraph = nullptr; // reqTempFormatComboBoxEx
    QComboBox *correctionText = nullptr; // textReqTempComboBox
};
