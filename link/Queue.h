#pragma once

#include <QtGlobal>
#include <deque>

// FIFO of the register values of the last read.
class Queue
{
public:
    void push(qint16 value) { m_values.push_back(value); }
    // Throws TextError "Fronta je prázdná" when empty.
    qint16 pop();
    void clear() { m_values.clear(); }
    bool isEmpty() const { return m_values.empty(); }
    int size() const { return static_cast<int>(m_values.size()); }

private:
    std::deque<qint16> m_values;
};
