#pragma once

// What the digital I/O modules (E-HN2, E-HB2, E-HB5/HN9) share: a settings block from 0x2000
// whose address register takes effect at once (high byte), input states in the high byte of
// holding register 0x0000 with one edge counter per input from 0x0008, and outputs switched by
// the test register 0x0100 (bit i = DO.i on).
//
// Inputs follow setInputs() (a test drives them), and while the server ticks they also move
// on their own: DI.i toggles every (i + 1) x 250 ms. A counter counts the edge its input is
// set to react to (rising when the input's bit in the edge register is 1, else falling).

#include "sim/Device.h"

#include <vector>

namespace sim::models {

class DigitalIoDevice : public Device
{
public:
    struct Layout {
        std::vector<quint16> settings; // factory values from 0x2000
        int addressRegister;           // high byte: address, low byte: baud index
        int inputs = 0;                // DI.0 .. (0: no input registers)
        int edgeRegister = -1;         // high byte: edge of each input, 1 = rising
        int outputs = 0;               // DO.0 ..
    };

    static constexpr int kSettings = 0x2000;
    static constexpr int kInputStates = 0x0000;
    static constexpr int kCounters = 0x0008;
    static constexpr int kOutputStates = 0x0100;

    // Input states, bit i = DI.i high; counters count the edges this makes.
    void setInputs(quint8 states);
    quint8 inputs() const;
    // Output states, bit i = DO.i switched on (what the test registers made of them).
    virtual quint8 outputs() const;

protected:
    DigitalIoDevice(const QString &name, const Layout &layout);

    void onWriteHolding(int address, quint16 value) override;
    void onTick(int elapsedMs) override;
    qint64 elapsedMs() const { return m_ms; }

private:
    void applyInputs(quint8 states);

    Layout m_layout;
    qint64 m_ms = 0;
};

} // namespace sim::models
