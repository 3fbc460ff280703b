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
// fill() registers are written as a constant and neither decoded nor compared (gap(): as
// 0xFFFF); unused() registers (only at the end) are read but neither written nor compared.
// A readOnly() block is read and decoded but never written or verified; afterWrite() runs
// a step between this block's write and the next one (a device command).
//
// Bit fields: bits({do0, ..., do7}) puts bit i of the high byte into control i (a check box
// checked, a radio group on item 1); the low byte is written 0 and ignored on read. A
// forced-zero mask writes bits as 0 by the page's logical state, whatever the control
// shows (the fault state of an output in proportional mode).

#include <QtGlobal>
#include <functional>
#include <initializer_list>
#include <vector>

class QComboBox;
class QLineEdit;
class QScrollBar;
class QWidget;
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
    // Two bar positions of 0..255 in one register: high byte, low byte (each clamped into
    // its bar's range on read, in that order).
    RegisterBlock &bytes(TNumericField &high, TNumericField &low);
    // The last slot is written with what the device holds (read before the write), in the
    // given bits of each register (the others as 0), and is not compared in the
    // verification.
    RegisterBlock &keptFromDevice(quint16 bits = 0xFFFF);
    // The last slot is not compared (but written and decoded).
    RegisterBlock &notCompared();
    // The last slot is written and compared only while `when` holds; the read-back after a
    // write covers it all the same. Only slots of this kind or unused() ones may follow.
    RegisterBlock &writtenWhen(std::function<bool()> when);
    RegisterBlock &fill(int count, quint16 value);
    RegisterBlock &gap(int count) { return fill(count, 0xFFFF); }
    RegisterBlock &unused(int count);
    // One register of bit fields: high byte, low byte (either may be empty: written 0 and
    // ignored on read). Up to 8 controls a byte, bit i = control i.
    using Mask = std::function<quint8()>;
    RegisterBlock &bits(const std::vector<QWidget *> &high, const std::vector<QWidget *> &low = {},
                        Mask highForcedZero = {}, Mask lowForcedZero = {});
    // Anything else: n registers with own encode/decode; mask per register (0xFFFF: all
    // bits compared, 0: not compared).
    RegisterBlock &custom(int count, Encode encode, Decode decode, quint16 mask = 0xFFFF);

    // The whole block is read and decoded only.
    RegisterBlock &readOnly()
    {
        m_written = false;
        return *this;
    }
    bool isWritten() const { return m_written; }
    // A step run right after this block was written (throws PageError to fail the write).
    RegisterBlock &afterWrite(std::function<void()> step)
    {
        m_afterWrite = std::move(step);
        return *this;
    }
    void runAfterWrite() const
    {
        if (m_afterWrite)
            m_afterWrite();
    }

    int start() const { return m_start; }
    int count() const { return m_count; }
    // Registers from the start to the last written one (0 for a read-only block).
    int writeCount() const;
    // Registers read back to verify a write: as writeCount(), with every writtenWhen() slot.
    int readBackCount() const;
    // Whether the slots add up to count.
    bool complete() const;

    // Offsets (from start) of registers whose written value comes from the device.
    std::vector<int> keptOffsets() const;
    void setKept(int offset, quint16 value) const;

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
        std::function<bool()> when; // written only while it holds (empty: always)
        quint16 keptBits = 0xFFFF;  // of a kept slot: the bits written from the device
        Encode encode;
        Decode decode;
        std::vector<quint16> mask;
        std::function<bool(const quint16 *w, const quint16 *r)> compare; // overrides mask
    };
    Slot &add(int count);
    static bool writtenNow(const Slot &s) { return s.written && (!s.when || s.when()); }

    int m_start;
    int m_count;
    int m_used = 0;
    bool m_written = true;
    std::function<void()> m_afterWrite;
    std::vector<Slot> m_slots;
    mutable std::vector<quint16> m_kept; // the device's own, from the last read
};
