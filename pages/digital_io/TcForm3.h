#pragma once

// E-HN2: eight outputs, each two-state (D) or proportional (P, a pulse train of T steps of
// K x 40 us per period). The page edits the settings block 0x2000-0x2018 and prepares the
// module for its two test windows (TcForm3Test.h).

#include "pages/digital_io/DigitalIoPage.h"

#include <array>

class TRadioGroup;

class TcForm3 : public TDigitalIoPage
{
    Q_OBJECT
public:
    explicit TcForm3(QWidget *parent = nullptr);

    static constexpr int kOutputs = 8;

    TRadioGroup *mode(int i) const { return m_mode[size_t(i)]; }
    QCheckBox *fault(int i) const { return m_fault[size_t(i)]; }
    QCheckBox *negation(int i) const { return m_negation[size_t(i)]; }
    TNumericField *steps(int i) const { return m_t[size_t(i)]; }
    TNumericField *failureSteps(int i) const { return m_e[size_t(i)]; }
    TNumericField *stepTime(int i) const { return m_k[size_t(i)]; }
    QPushButton *testDButton() const { return m_testD; }
    QPushButton *testPButton() const { return m_testP; }
    // Outputs in mode P (bit i = DO.i), as the mode groups say.
    quint8 proportionalOutputs() const;

    // Documented handlers (one serves a whole row of controls).
    void c3Pdo0RadioGroupClick(QObject *sender);
    void c3Eout0CheckBoxClick(QObject *sender) { faultBoxClick(sender); }
    void c3Rout0CheckBoxClick(QObject *sender) { negationBoxClick(sender); }
    void c3ZdTextEditChange(QObject *sender) { changeOf(sender); }
    void c3ZdTerMaskEditChange(QObject *sender) { exitOf(sender); }
    bool c3ZdTerMaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c3ZdTerScrollBarChange(QObject *sender) { scrollOf(sender); }
    void c3ZdT0MaskEditChange(QObject *sender) { exitOf(sender); }
    bool c3ZdT1MaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c3ZdE0MaskEditChange(QObject *sender) { exitOf(sender); }
    bool c3ZdE0MaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    // All E and T scroll bars: a T also bounds its output's E.
    void c3ZdE0ScrollBarChange(QObject *sender);
    void c3ZdK0MaskEditChange(QObject *sender) { exitOf(sender); }
    bool c3ZdK0MaskEditKeyPress(QObject *sender, QChar key) { return keyPressOf(sender, key); }
    void c3ZdK0ScrollBarChange(QObject *sender) { scrollOf(sender); }
    void c3GetButtonClick() { getButtonClick(); }
    void c3SendButtonClick() { sendButtonClick(); }
    // The preparations of the two tests and their windows.
    void c3TestDButtonClick();
    void c3TestPButtonClick();

private:
    void showMode(int output);
    int outputOf(QObject *sender) const;

    std::array<TRadioGroup *, kOutputs> m_mode{};
    std::array<QCheckBox *, kOutputs> m_fault{};
    std::array<QCheckBox *, kOutputs> m_negation{};
    std::array<TNumericField *, kOutputs> m_t{};
    std::array<TNumericField *, kOutputs> m_e{};
    std::array<TNumericField *, kOutputs> m_k{};
    QPushButton *m_testD = nullptr;
    QPushButton *m_testP = nullptr;
};
