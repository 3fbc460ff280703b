#pragma once

// TestGate: one test window of a page at a time. It holds the test's state (pending from the
// button press, starting while an output test is being prepared), the open test window, the
// page's test buttons and those a test locked with Get and Send, so that no read, write or
// second test meets a module in its test state. It also prepares an output test
// (OutputTest.h): the left-over test.ini, the snapshot, the test writes and the window.
//
// The page keeps the documented calls (beginTest, testActive, setTestWindow, testButtons,
// prepareOutputTest) as forwards.

#include "pages/framework/Outcome.h"

#include <QPointer>
#include <QPushButton>
#include <initializer_list>
#include <vector>

class TComponentForm;
struct OutputTestPlan;

class TestGate
{
public:
    explicit TestGate(TComponentForm &page) : m_page(page) {}
    TestGate(const TestGate &) = delete;
    TestGate &operator=(const TestGate &) = delete;

    // A test button's press: false while a test is pending or its window is open; else Get,
    // Send and the test buttons are locked until the test ends.
    bool begin();
    // The test is over (or never started): the locked buttons are released.
    void end();
    // A test is pending, starting or open.
    bool active() const { return m_state != State::Idle || m_window; }
    // A start runs or the window is open: a read or write now would meet the test state.
    bool holdsDevice() const { return m_state == State::Starting || m_window; }
    // The window holds the test from here; none ends it.
    void setWindow(QWidget *window);
    QWidget *window() const { return m_window; }
    void addButtons(std::initializer_list<QPushButton *> buttons);
    // Refused while another start runs, a window is open or the page is closing; the outcome
    // is also sent in the page's testStepDone.
    Outcome prepareOutputTest(const OutputTestPlan &plan);

private:
    enum class State { Idle, Pending, Starting };
    // A test.ini left by an unfinished test, before a start: anything but Done stops it.
    Outcome takeLeftOverTestFile(const OutputTestPlan &plan);
    // prepareOutputTest past its refusals.
    Outcome startOutputTest(const OutputTestPlan &plan);

    TComponentForm &m_page;
    QPointer<QWidget> m_window;
    State m_state = State::Idle;
    std::vector<QPointer<QPushButton>> m_buttons;
    std::vector<QPointer<QPushButton>> m_locked; // the buttons a test start locked
};
