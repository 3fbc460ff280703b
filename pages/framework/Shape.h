#pragma once

// TShape: a lamp of the live windows, a filled circle in one colour (relay, setback state).

#include <QColor>
#include <QWidget>

class TShape : public QWidget
{
    Q_OBJECT
public:
    explicit TShape(const QString &name, QWidget *parent = nullptr, int size = 20);

    QColor brushColor() const { return m_color; }
    // The colour and the hint that says what it means.
    void setState(const QColor &color, const QString &hint);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color = Qt::white;
};
