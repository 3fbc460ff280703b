// The dead band of the E-7PZ valve: its diagram (output 0 up to Min, following the input up
// to Max, Max above), the two bars and the drag on the diagram that moves them.

#include "pages/controllers/TcForm2.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

TDeadBandDiagram::TDeadBandDiagram(TcForm2 &page, QWidget *parent) : QWidget(parent), m_page(page)
{
    setObjectName(QStringLiteral("c2BorderPaintBox"));
    setFixedSize(101, 101);
    setCursor(Qt::CrossCursor);
    // Moves arrive with or without a button held; the page drags only between press and release.
    setMouseTracking(true);
}

void TDeadBandDiagram::paintEvent(QPaintEvent *)
{
    // drawDeadBandDiagram: output 0 up to Min, following the input up to Max, Max above.
    QPainter p(this);
    p.fillRect(QRect(0, 0, 101, 101), Qt::white);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(0, 0, 100, 100);
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawLine(50, 0, 50, 100);
    p.drawLine(0, 50, 100, 50);
    const int min = m_page.deadBandMin();
    const int max = m_page.deadBandMax();
    p.setPen(QPen(Qt::blue, 2));
    const QPoint line[] = {{min, 100}, {min, 100 - min}, {max, 100 - max}, {100, 100 - max}};
    p.drawPolyline(line, 4);
}

void TDeadBandDiagram::mousePressEvent(QMouseEvent *)
{
    m_page.diagramPress();
}

void TDeadBandDiagram::mouseMoveEvent(QMouseEvent *event)
{
    m_page.diagramMove(int(event->position().x()), int(event->position().y()));
}

void TDeadBandDiagram::mouseReleaseEvent(QMouseEvent *)
{
    m_page.diagramRelease();
}

int TcForm2::deadBandMin() const
{
    return m_vmin->value();
}

int TcForm2::deadBandMax() const
{
    return m_vmax->value();
}

void TcForm2::setDeadBand(int min, int max)
{
    // Both limits first, then Min <= Max once: a device holding 40/80 read into a page
    // at Max 30 stays 40/80.
    {
        const QSignalBlocker a(m_vmin), b(m_vmax);
        m_vmin->setValue(min);
        m_vmax->setValue(max);
        if (m_vmin->value() > m_vmax->value())
            m_vmin->setValue(m_vmax->value());
    }
    deadBandChanged();
}

void TcForm2::deadBandChanged()
{
    m_vminLabel->setText(QStringLiteral("Min = %1").arg(m_vmin->value()));
    m_vmaxLabel->setText(QStringLiteral("Max = %1").arg(m_vmax->value()));
    m_diagram->update();
    markChanged(true);
}

void TcForm2::diagramPress()
{
    m_dragging = true;
}

void TcForm2::diagramMove(int x, int y)
{
    if (!m_dragging)
        return;
    const int mid = (deadBandMin() + deadBandMax()) / 2;
    if (x <= mid && m_dragMode != DragMode::Max) {
        setDeadBand(std::clamp(x + 1, 0, 100), deadBandMax());
        m_vmin->setFocus();
        m_dragMode = DragMode::Min;
    }
    if (x > mid && m_dragMode != DragMode::Min) {
        // Max never below Min.
        setDeadBand(deadBandMin(), std::max(deadBandMin(), std::clamp(100 - y, 0, 100)));
        m_vmax->setFocus();
        m_dragMode = DragMode::Max;
    }
}

void TcForm2::diagramRelease()
{
    m_dragging = false;
    m_dragMode = DragMode::None;
}
