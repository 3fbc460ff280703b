#pragma once

// E-HB5/HN9: three digital inputs with edge counters and five two-state outputs. The page edits
// the settings block 0x2000-0x200A and opens the output test (TcForm9Test, prepared like the
// E-HN2's two-state test) and the input test (TcForm9TestDI with cForm9TestDIThread).

#include "pages/digital_io/DigitalInputTest.h"
#include "pages/digital_io/DigitalIoPage.h"
#include "pages/digital_io/TwoStateTest.h"

#include <vector>

class QPushButton;

class TcForm9 : public TDigitalIoPage
{
    Q_OBJECT
public:
    explicit TcForm9(QWidget *parent = nullptr);

    static constexpr int kInputs = 3;
    static constexpr int kOutputs = 5;

    TRadioGroup *edge(int i) const;
    QCheckBox *negation(int i) const;
    QCheckBox *fault(int i) const;
    TNumericField *samplingTime() const { return m_ivz; }
    QPushButton *testOutButton() const { return m_testOut; }
    QPushButton *testInButton() const { return m_testIn; }

    void c9ZdTextEditChange(QObject *sender) { changeOf(sender); }
    void c9ZdTerMaskEditExit(QObject *sender) { exitOf(sender); }
    bool c9ZdTerMaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c9ZdTerScrollBarChange(QObject *sender) { scrollOf(sender); }
    void c9ZdIvzMaskEditExit(QObject *sender) { exitOf(sender); }
    bool c9ZdIvzMaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c9ZdIvzScrollBarChange(QObject *sender) { scrollOf(sender); }
    void c9Hdi0RadioGroupClick(QObject *sender) { edgeGroupClick(sender); }
    void c9Eout0CheckBoxClick(QObject *sender) { faultBoxClick(sender); }
    void c9Rout0CheckBoxClick(QObject *sender) { negationBoxClick(sender); }
    void c9GetButtonClick() { getButtonClick(); }
    void c9SendButtonClick() { sendButtonClick(); }
    // The preparation of the output test and its window.
    void c9TestOutButtonClick();
    // Opens the input test; the page stays disabled while it runs.
    void c9TestInButtonClick();

private:
    std::vector<QWidget *> m_edges;
    std::vector<QWidget *> m_negations;
    std::vector<QWidget *> m_faults;
    TNumericField *m_ivz = nullptr;
    QPushButton *m_testOut = nullptr;
    QPushButton *m_testIn = nullptr;
};

class TcForm9Test : public TTwoStateTestForm
{
    Q_OBJECT
public:
    explicit TcForm9Test(TComponentForm &page);

    void c9TestModeRadioGroupClick() { testModeRadioGroupClick(); }
    void c9TestRunButtonClick() { testRunButtonClick(); }

    // The writes that give the module back the settings test.ini keeps.
    static std::vector<TestWrite> restoreOf(const TTestFile &file);

protected:
    std::vector<TestWrite> restoreWrites(const TTestFile &file) override;
};

class TcForm9TestDI : public TDigitalInputTest
{
    Q_OBJECT
public:
    explicit TcForm9TestDI(TComponentForm &page);

protected:
    TInputTestPoll *createPoll() override;
};

class cForm9TestDIThread : public TDigitalInputPoll
{
    Q_OBJECT
public:
    explicit cForm9TestDIThread(TcForm9TestDI &window);
};
