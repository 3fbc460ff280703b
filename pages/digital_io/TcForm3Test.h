#pragma once

// The E-HN2 test windows: the two-state test (TcForm3Test) and the proportional test
// (TcForm3TestP), which sets one output's or all outputs' pulse train (steps per period, step
// time) and their on-time, and keeps the on-time fresh every 120 s while the module's
// communication-failure time (130 s during the test) runs.

#include "pages/digital_io/TwoStateTest.h"
#include "pages/framework/Fields.h"

#include <array>

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;
class TComponentForm;
class TNumericField;
class TRadioGroup;

class TcForm3Test : public TTwoStateTestForm
{
    Q_OBJECT
public:
    explicit TcForm3Test(TComponentForm &page);

    void c3TestModeRadioGroupClick() { testModeRadioGroupClick(); }
    void c3TestRunButtonClick() { testRunButtonClick(); }

    // The writes that give the module back the settings test.ini keeps.
    static std::vector<TestWrite> restoreOf(const TTestFile &file);

protected:
    std::vector<TestWrite> restoreWrites(const TTestFile &file) override;
};

class TcForm3TestP : public TOutputTestForm, public FieldHost
{
    Q_OBJECT
public:
    explicit TcForm3TestP(TComponentForm &page);

    // Shows the window (the progress dialog of the preparation closes behind it).
    void FormCreate();
    void c3ZdTTestMaskEditExit() { m_t->acceptText(); }
    void c3ZdTTestScrollBarChange();
    void c3ZdKTestMaskEditExit() { m_k->acceptText(); }
    void c3TestD0OutMaskEditExit() { m_d->acceptText(); }
    void allTestPCheckBoxClick();
    void c3TestPOutGroupBoxClick();
    // The run's and the refresh's outcome (also told to the page).
    Outcome c3TestPRunButtonClick();
    Outcome updateTimerTimer();

    TNumericField *stepsField() const { return m_t; }
    TNumericField *stepTimeField() const { return m_k; }
    TNumericField *onTimeField() const { return m_d; }
    TRadioGroup *outputGroup() const { return m_outputs; }
    QCheckBox *allBox() const { return m_all; }
    QLabel *stateLabel() const { return m_state; }
    QPushButton *runButton() const { return m_run; }
    QTimer *updateTimer() const { return m_updateTimer; }
    bool switchesOn() const { return m_switchesOn; }

    static std::vector<TestWrite> restoreOf(const TTestFile &file);

    // FieldHost: these fields change nothing of the page.
    void fieldEdited(TNumericField &) override {}
    void fieldExit(TNumericField &field) override { field.acceptText(); }
    void setInvalidInput(bool) override {}
    void markChanged(bool) override {}

protected:
    void beforeRestore() override;
    std::vector<TestWrite> restoreWrites(const TTestFile &file) override;

private:
    // The on-time of the last run into its registers: Failed with the first failure (the
    // other outputs are still written); lastWritten false when the last write failed.
    Outcome writeOnTime(int address, TransmitProgress *progress, bool &lastWritten);
    void showOutputLabel();

    QLabel *m_state;
    QPushButton *m_run;
    TRadioGroup *m_outputs;
    TNumericField *m_t;
    TNumericField *m_k;
    TNumericField *m_d;
    QCheckBox *m_all;
    QTimer *m_updateTimer;

    bool m_switchesOn = true;
    std::array<int, 8> m_steps{}; // steps per period each output has now
    // The last run: what the refresh timer repeats.
    bool m_lastAll = false;
    int m_lastOutput = 0;
    int m_lastOnTime = 1;
};
