#pragma once

// One register image per block of holding registers: the field list is written once and
// serves read (decode), write (encode) and verification (compare under a mask).
//
//   block(0x2001, 15)                      // page helper: a RegisterBlock owned by the page
//       .text(*text, 10)                   // 5 registers, compared as text
//       .lowByte(*sensor).keptFromDevice() // written as the device's own value, not compared
//       .position(*off)                    // bar position, clamped silently on read
//       .bytes(*addr, *speed)              // high byte, low byte (combo mapping)
//       .positions({i1, i2, o1, o2, sp, fl, fh});
//
// Slots follow each other from the block's start; their registers must add up to count.
// fill() registers are written as a constant and neither decoded nor compared; unused()
// registers (only at the end) are read but neither written nor compared.

#include <QtGlobal>
#include <functional>
#include <initializer_list>
#include <vector>

class QComboBox;
class QLineEdit;
class QScrollBar;
class TNumericField;

class RegisterBlock
{
public:
    using Encode = std::function<void(quint16 *registers)>;
    using Decode = std::function<void(const quint16 *registers)>;

    RegisterBlock(int start, int count);

    RegisterBlock &text(QLineEdit &edit, int chars);
    // The bar position; registers below 0 are read as signed when the bar's minimum is
    // negative, else unsigned. offset: register = position - offset (PWM steps + 1).
    RegisterBlock &position(TNumericField &field, int offset = 0);
    RegisterBlock &position(QScrollBar &bar, int offset = 0);
    RegisterBlock &positions(std::initializer_list<TNumericField *> fields);
    RegisterBlock &combo(QComboBox &combo);
    RegisterBlock &bytes(QComboBox &high, QComboBox &low);
    RegisterBlock &lowByte(QComboBox &combo);
    // The last slot is written with what the device holds (read before the write), in the
    // given bits of each register (the others as 0), and is not compared in the
    // verification.
    RegisterBlock &keptFromDevice(quint16 bits = 0xFFFF);
    // The last slot is not compared (but written and decoded).
    RegisterBlock &notCompared();
    RegisterBlock &fill(int count, quint16 value);
    RegisterBlock &unused(int count);
    // Anything else: n registers with own encode/decode; mask per register (0xFFFF: all
    // bits compared, 0: not compared).
    RegisterBlock &custom(int count, Encode encode, Decode decode, quint16 mask = 0xFFFF);

    int start() const { return m_start; }
    int count() const { return m_count; }
    // Registers from the start to the last written one.
    int writeCount() const;
    // Whether the slots add up to count.
    bool complete() const;

    // Offsets (from start) of registers whose written value comes from the device.
    std::vector<int> keptOffsets() const;
    void setKept(int offset, quint16 value);

    std::vector<quint16> encode() const;
    // Values of a read of `count` registers into the controls (in slot order).
    void decode(const std::vector<quint16> &registers) const;
    // Compares a read-back with what was written, slot by slot under the masks.
    bool verify(const std::vector<quint16> &written, const std::vector<quint16> &readBack) const;

private:
    struct Slot {
        int offset = 0;
        int count = 0;
        bool written = true;
        bool kept = false;
        quint16 keptBits = 0xFFFF; // of a kept slot: the bits written from the device
        Encode encode;
        Decode decode;
        std::vector<quint16> mask;
        std::function<bool(const quint16 *w, const quint16 *r)> compare; // overrides mask
    };
    Slot &add(int count);

    int m_start;
    int m_count;
    int m_used = 0;
    std::vector<Slot> m_slots;
    std::vector<quint16> m_kept;
};
