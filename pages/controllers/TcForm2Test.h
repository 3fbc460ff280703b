#pragma once

// The E-7PZ output test: each relay output switched in turn for 7 s by inverting its rest
// state, either all of them ("Automaticky") or the ones ticked ("Manuálně"). The settings
// the test changes are kept in test.ini and written back when the window closes. The window
// opens over the page; while a run or the countdown after it goes, its close icon is gone and
// a close asked for meanwhile follows when the countdown is over.

#include "pages/framework/OutputTest.h"

class QCheckBox;
class QLabel;
class QPushButton;
class TButtonCountdown;
class TRadioGroup;

class TcForm2Test : public TOutputTestForm
{
    Q_OBJECT
public:
    explicit TcForm2Test(TComponentForm &page);

    // The test.ini entries of the block from 0x2000 (12 registers) and the test state.
    static std::vector<TestEntry> entries(const std::vector<quint16> &block);
    static std::vector<TestWrite> preparation();
    // A test.ini of this test: its keys, and the writes that put its settings back.
    static TestKind kind();
    static std::vector<TestWrite> restoreOf(const TTestFile &file);
    // After a failed write-back (the module keeps test values, test.ini stays).
    static QString notRestored();
    // The patterns of the five passes; 6 is the rest pattern.
    static constexpr int kPatterns[5] = {7, 4, 2, 14, 22};
    static constexpr int kRestPattern = 6;

    void c2TestModeRadioGroupClick();
    // The run's outcome (also told to the page); Refused while locked.
    Outcome c2TestRunButtonClick();

    TRadioGroup *modeGroup() const { return m_mode; }
    QCheckBox *outputBox(int i) const { return m_boxes[i]; }
    QPushButton *runButton() const { return m_run; }
    TButtonCountdown *countdown() const { return m_countdown; }
    // A run or the countdown after it is going.
    bool locked() const;

protected:
    std::vector<TestWrite> restoreWrites(const TTestFile &file) override;
    void afterRestore(bool restored) override;
    QString notRestoredText() const override { return notRestored(); }

private:
    void lock(int count);
    void unlock();
    static quint8 storedModeFlags(const TTestFile &file);
    static quint8 storedOutputFlags(const TTestFile &file);

    QLabel *m_state;
    TRadioGroup *m_mode;
    QCheckBox *m_boxes[5] = {};
    QPushButton *m_run;
    TButtonCountdown *m_countdown;
};
