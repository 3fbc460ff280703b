#pragma once

// The input test of the E-HB2 and E-HB5/HN9 modules: a thread polls, without pause, the input
// states (high byte of 0x0000, bit i = DI.i high) and the counters (0x0008 on, eight
// registers) and shows the first `inputs` of each.

#include "pages/framework/InputTest.h"

#include <QStringList>
#include <vector>

class QLineEdit;
class TRadioGroup;

class TDigitalInputTest : public TInputTestForm
{
    Q_OBJECT
public:
    struct Declaration {
        QString prefix;   // "c7"
        QString formName; // "cForm7TestDI"
        QString caption;  // "E-HB2 Test DI.x"
        QString model;    // "E-HB2", for the state label
        int inputs = 8;
    };
    TDigitalInputTest(TComponentForm &page, const Declaration &d);

    // Shows the window and starts its thread.
    void FormCreate();

    TRadioGroup *stateGroup(int i) const { return m_states[size_t(i)]; }
    QLineEdit *counterEdit(int i) const { return m_counters[size_t(i)]; }
    int inputs() const { return int(m_states.size()); }

    // User-interface thread: one poll's states and counters.
    void showInputs(quint8 states, const std::vector<quint16> &counters);

protected:
    // The model's own thread class.
    virtual TInputTestPoll *createPoll() = 0;

private:
    std::vector<TRadioGroup *> m_states;
    std::vector<QLineEdit *> m_counters;
};

class TDigitalInputPoll : public TInputTestPoll
{
    Q_OBJECT
public:
    // models without padding ("E-HB2", "E HB2").
    TDigitalInputPoll(TDigitalInputTest &window, const QStringList &models);

protected:
    void poll() override;

private:
    TDigitalInputTest &m_window;
    QStringList m_models;
};
