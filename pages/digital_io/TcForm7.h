#pragma once

// E-HB2: eight digital inputs with edge counters. The page edits the settings block
// 0x2000-0x2009 (edges, customer text, communication-failure time, sampling time, address and
// baud rate) and opens the input test (TcForm7TestDI with its thread cForm7TestDIThread).

#include "pages/digital_io/DigitalInputTest.h"
#include "pages/digital_io/DigitalIoPage.h"

#include <vector>

class QPushButton;

class TcForm7 : public TDigitalIoPage
{
    Q_OBJECT
public:
    explicit TcForm7(QWidget *parent = nullptr);

    static constexpr int kInputs = 8;

    TRadioGroup *edge(int i) const;
    TNumericField *samplingTime() const { return m_ivz; }
    QPushButton *testInButton() const { return m_testIn; }

    void c7Hdi0RadioGroupClick(QObject *sender) { edgeGroupClick(sender); }
    void c7ZdTextEditChange(QObject *sender) { changeOf(sender); }
    void c7ZdTerMaskEditExit(QObject *sender) { exitOf(sender); }
    bool c7ZdTerMaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c7ZdTerScrollBarChange(QObject *sender) { scrollOf(sender); }
    void c7ZdIvzMaskEditExit(QObject *sender) { exitOf(sender); }
    bool c7ZdIvzMaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c7ZdIvzScrollBarChange(QObject *sender) { scrollOf(sender); }
    void c7GetButtonClick() { getButtonClick(); }
    void c7SendButtonClick() { sendButtonClick(); }
    // Opens the input test; the page stays disabled while it runs.
    void c7TestInButtonClick();

private:
    std::vector<QWidget *> m_edges;
    TNumericField *m_ivz = nullptr;
    QPushButton *m_testIn = nullptr;
};

class TcForm7TestDI : public TDigitalInputTest
{
    Q_OBJECT
public:
    explicit TcForm7TestDI(TComponentForm &page);

protected:
    TInputTestPoll *createPoll() override;
};

class cForm7TestDIThread : public TDigitalInputPoll
{
    Q_OBJECT
public:
    explicit cForm7TestDIThread(TcForm7TestDI &window);
};
