#include "pages/framework/Shape.h"

#include <QPainter>

TShape::TShape(const QString &name, QWidget *parent, int size) : QWidget(parent)
{
    setObjectName(name);
    setFixedSize(size, size);
}

void TShape::setState(const QColor &color, const QString &hint)
{
    setToolTip(hint);
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void TShape::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(m_color);
    p.drawEllipse(rect().adjusted(1, 1, -1, -1));
}
