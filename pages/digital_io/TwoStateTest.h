#pragma once

// The two-state output test of the E-HN2 and E-HB5/HN9 modules: the outputs are switched on
// one after another through register 0x0100 (function 6, the module's own address), a second
// apiece, either all of them ("Automaticky", switched off again at the end) or the ones ticked
// ("Manuálně", left on).

#include "pages/framework/OutputTest.h"

#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class TRadioGroup;

class TTwoStateTestForm : public TOutputTestForm
{
    Q_OBJECT
public:
    struct Declaration {
        QString prefix;     // "c3": prefix of the control names
        QString formName;   // "cForm3Test"
        QString caption;    // "E-HN2 Test (dvoust.)"
        QString model;      // "E-HN2", for the state label
        int outputs = 8;    // DO.0 ..
        QString addressKey; // test.ini key of the module's address
    };
    TTwoStateTestForm(TComponentForm &page, const Declaration &d);

    // Shows the window and asks for the DIP switches.
    void FormCreate();
    // "Manuálně" lets the output boxes be chosen ("Automaticky" keeps their ticks).
    void testModeRadioGroupClick();
    // The run's outcome (also told to the page).
    Outcome testRunButtonClick();

    TRadioGroup *modeGroup() const { return m_mode; }
    QCheckBox *outputBox(int i) const { return m_boxes[size_t(i)]; }
    QPushButton *runButton() const { return m_run; }

protected:
    void beforeRestore() override;

private:
    Declaration m_d;
    QLabel *m_state;
    TRadioGroup *m_mode;
    std::vector<QCheckBox *> m_boxes;
    QPushButton *m_run;
};
