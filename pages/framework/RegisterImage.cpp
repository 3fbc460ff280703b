#include "pages/framework/RegisterImage.h"

#include "pages/framework/Fields.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <algorithm>

RegisterBlock::RegisterBlock(int start, int count)
    : m_start(start), m_count(count), m_kept(static_cast<size_t>(count > 0 ? count : 0), 0)
{
}

RegisterBlock::Slot &RegisterBlock::add(int count)
{
    Slot s;
    s.offset = m_used;
    s.count = count;
    s.mask.assign(static_cast<size_t>(count), 0xFFFF);
    m_used += count;
    m_slots.push_back(std::move(s));
    return m_slots.back();
}

RegisterBlock &RegisterBlock::text(QLineEdit &edit, int chars)
{
    const int n = chars / 2;
    Slot &s = add(n);
    QLineEdit *e = &edit;
    s.encode = [e, chars](quint16 *r) {
        const auto regs = textToRegisters(e->text(), chars);
        std::copy(regs.begin(), regs.end(), r);
    };
    s.decode = [e, chars, n](const quint16 *r) {
        e->setText(registersToText(std::vector<quint16>(r, r + n), chars));
    };
    // Compared as text: what follows the first code 0 does not matter.
    s.compare = [chars, n](const quint16 *w, const quint16 *r) {
        return registersToText(std::vector<quint16>(w, w + n), chars) ==
               registersToText(std::vector<quint16>(r, r + n), chars);
    };
    return *this;
}

RegisterBlock &RegisterBlock::position(QScrollBar &bar, int offset)
{
    Slot &s = add(1);
    QScrollBar *b = &bar;
    s.encode = [b, offset](quint16 *r) { *r = static_cast<quint16>(b->value() - offset); };
    s.decode = [b, offset](const quint16 *r) {
        const int raw = b->minimum() < 0 ? static_cast<qint16>(*r) : static_cast<int>(*r);
        const int v = raw + offset;
        b->setValue(std::clamp(v, b->minimum(), b->maximum()));
    };
    return *this;
}

RegisterBlock &RegisterBlock::position(TNumericField &field, int offset)
{
    return position(*field.bar(), offset);
}

RegisterBlock &RegisterBlock::positions(std::initializer_list<TNumericField *> fields)
{
    for (auto *f : fields)
        position(*f);
    return *this;
}

RegisterBlock &RegisterBlock::combo(QComboBox &combo)
{
    Slot &s = add(1);
    QComboBox *c = &combo;
    s.encode = [c](quint16 *r) { *r = static_cast<quint16>(registerFromComboIndex(c)); };
    s.decode = [c](const quint16 *r) { c->setCurrentIndex(comboIndexFromRegister(c, *r)); };
    return *this;
}

RegisterBlock &RegisterBlock::bytes(QComboBox &high, QComboBox &low)
{
    Slot &s = add(1);
    QComboBox *h = &high;
    QComboBox *l = &low;
    s.encode = [h, l](quint16 *r) {
        *r = static_cast<quint16>(((registerFromComboIndex(h) & 0xFF) << 8) |
                                  (registerFromComboIndex(l) & 0xFF));
    };
    s.decode = [h, l](const quint16 *r) {
        h->setCurrentIndex(comboIndexFromRegister(h, *r >> 8));
        l->setCurrentIndex(comboIndexFromRegister(l, *r & 0xFF));
    };
    return *this;
}

RegisterBlock &RegisterBlock::bytes(TNumericField &high, TNumericField &low)
{
    Slot &s = add(1);
    QScrollBar *h = high.bar();
    QScrollBar *l = low.bar();
    s.encode = [h, l](quint16 *r) {
        *r = static_cast<quint16>(((h->value() & 0xFF) << 8) | (l->value() & 0xFF));
    };
    s.decode = [h, l](const quint16 *r) {
        h->setValue(std::clamp(*r >> 8, h->minimum(), h->maximum()));
        l->setValue(std::clamp(*r & 0xFF, l->minimum(), l->maximum()));
    };
    return *this;
}

RegisterBlock &RegisterBlock::lowByte(QComboBox &combo)
{
    Slot &s = add(1);
    QComboBox *c = &combo;
    s.encode = [c](quint16 *r) { *r = static_cast<quint16>(registerFromComboIndex(c) & 0xFF); };
    s.decode = [c](const quint16 *r) { c->setCurrentIndex(comboIndexFromRegister(c, *r & 0xFF)); };
    s.mask.assign(1, 0x00FF);
    return *this;
}

RegisterBlock &RegisterBlock::keptFromDevice(quint16 bits)
{
    if (!m_slots.empty()) {
        m_slots.back().kept = true;
        m_slots.back().keptBits = bits;
        m_slots.back().mask.assign(static_cast<size_t>(m_slots.back().count), 0);
        m_slots.back().compare = nullptr;
    }
    return *this;
}

RegisterBlock &RegisterBlock::notCompared()
{
    if (!m_slots.empty()) {
        m_slots.back().mask.assign(static_cast<size_t>(m_slots.back().count), 0);
        m_slots.back().compare = nullptr;
    }
    return *this;
}

RegisterBlock &RegisterBlock::writtenWhen(std::function<bool()> when)
{
    if (!m_slots.empty())
        m_slots.back().when = std::move(when);
    return *this;
}

RegisterBlock &RegisterBlock::fill(int count, quint16 value)
{
    Slot &s = add(count);
    s.encode = [count, value](quint16 *r) { std::fill(r, r + count, value); };
    s.mask.assign(static_cast<size_t>(count), 0);
    return *this;
}

RegisterBlock &RegisterBlock::unused(int count)
{
    Slot &s = add(count);
    s.written = false;
    s.mask.assign(static_cast<size_t>(count), 0);
    return *this;
}

RegisterBlock &RegisterBlock::custom(int count, Encode encode, Decode decode, quint16 mask)
{
    Slot &s = add(count);
    s.encode = std::move(encode);
    s.decode = std::move(decode);
    s.mask.assign(static_cast<size_t>(count), mask);
    return *this;
}

RegisterBlock &RegisterBlock::bits(const std::vector<QWidget *> &high,
                                   const std::vector<QWidget *> &low, Mask highForcedZero,
                                   Mask lowForcedZero)
{
    Slot &s = add(1);
    s.encode = [high, low, highForcedZero, lowForcedZero](quint16 *r) {
        quint8 h = bitsOf(high);
        quint8 l = bitsOf(low);
        if (highForcedZero)
            h &= static_cast<quint8>(~highForcedZero());
        if (lowForcedZero)
            l &= static_cast<quint8>(~lowForcedZero());
        *r = static_cast<quint16>((h << 8) | l);
    };
    s.decode = [high, low](const quint16 *r) {
        setBitsOf(high, static_cast<quint8>(*r >> 8));
        setBitsOf(low, static_cast<quint8>(*r & 0xFF));
    };
    s.mask.assign(1,
                  static_cast<quint16>((high.empty() ? 0 : 0xFF00) | (low.empty() ? 0 : 0x00FF)));
    return *this;
}

int RegisterBlock::writeCount() const
{
    if (!m_written)
        return 0;
    int n = 0;
    for (const auto &s : m_slots)
        if (writtenNow(s))
            n = s.offset + s.count;
    return n;
}

int RegisterBlock::readBackCount() const
{
    if (!m_written)
        return 0;
    int n = 0;
    for (const auto &s : m_slots)
        if (s.written)
            n = s.offset + s.count;
    return n;
}

bool RegisterBlock::complete() const
{
    if (m_used != m_count)
        return false;
    // Registers that are not written (or not always) may only close the block.
    bool unwritten = false;
    bool conditional = false;
    for (const auto &s : m_slots) {
        if (!s.written)
            unwritten = true;
        else if (unwritten || (conditional && !s.when))
            return false;
        conditional = conditional || s.when;
    }
    return true;
}

std::vector<int> RegisterBlock::keptOffsets() const
{
    std::vector<int> offsets;
    for (const auto &s : m_slots)
        if (s.kept)
            for (int i = 0; i < s.count; ++i)
                offsets.push_back(s.offset + i);
    return offsets;
}

void RegisterBlock::setKept(int offset, quint16 value) const
{
    if (offset >= 0 && offset < static_cast<int>(m_kept.size()))
        m_kept[static_cast<size_t>(offset)] = value;
}

std::vector<quint16> RegisterBlock::encode() const
{
    std::vector<quint16> image(static_cast<size_t>(std::max(m_count, m_used)), 0);
    for (const auto &s : m_slots) {
        if (!writtenNow(s))
            continue;
        if (s.kept) {
            for (int i = 0; i < s.count; ++i)
                image[static_cast<size_t>(s.offset + i)] =
                    m_kept[static_cast<size_t>(s.offset + i)] & s.keptBits;
        } else if (s.encode) {
            s.encode(&image[static_cast<size_t>(s.offset)]);
        }
    }
    image.resize(static_cast<size_t>(writeCount()));
    return image;
}

void RegisterBlock::decode(const std::vector<quint16> &registers) const
{
    for (const auto &s : m_slots) {
        if (s.offset + s.count > static_cast<int>(registers.size()))
            continue;
        // What the device keeps is known from this read as well as from its own.
        if (s.kept)
            for (int i = 0; i < s.count; ++i)
                setKept(s.offset + i, registers[static_cast<size_t>(s.offset + i)]);
        if (s.decode)
            s.decode(&registers[static_cast<size_t>(s.offset)]);
    }
}

bool RegisterBlock::verify(const std::vector<quint16> &written,
                           const std::vector<quint16> &readBack) const
{
    for (const auto &s : m_slots) {
        if (!writtenNow(s))
            continue;
        const size_t end = static_cast<size_t>(s.offset + s.count);
        if (end > written.size() || end > readBack.size())
            return false;
        const quint16 *w = &written[static_cast<size_t>(s.offset)];
        const quint16 *r = &readBack[static_cast<size_t>(s.offset)];
        if (s.compare) {
            if (!s.compare(w, r))
                return false;
            continue;
        }
        for (int i = 0; i < s.count; ++i)
            if ((w[i] & s.mask[static_cast<size_t>(i)]) != (r[i] & s.mask[static_cast<size_t>(i)]))
                return false;
    }
    return true;
}
