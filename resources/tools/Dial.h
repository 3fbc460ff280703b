#pragma once

// The dial of the Torvak logo (the maker measures and regulates), drawn at any size: the
// logo and the program's icons share it.

#include <QColor>
#include <QPainter>
#include <QPainterPath>

inline const QColor kLogoNavy(18, 52, 102);
inline const QColor kLogoRed(196, 32, 38);

// A dial of the given radius around centre (the logo's own is 46).
inline void drawDial(QPainter &p, const QPointF &centre, double radius)
{
    const double k = radius / 46.0;
    p.setPen(QPen(kLogoNavy, 7 * k));
    p.setBrush(Qt::white);
    p.drawEllipse(centre, radius, radius);
    p.setPen(QPen(kLogoNavy, 3 * k, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i <= 8; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(-135 + i * 33.75);
        p.drawLine(QPointF(0, -36 * k), QPointF(0, (i % 2 ? -31 : -27) * k));
        p.restore();
    }
    p.save();
    p.translate(centre);
    p.rotate(40);
    QPainterPath needle;
    needle.moveTo(-4 * k, 0);
    needle.lineTo(0, -34 * k);
    needle.lineTo(4 * k, 0);
    needle.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kLogoRed);
    p.drawPath(needle);
    p.restore();
    p.setBrush(kLogoNavy);
    p.drawEllipse(centre, 6 * k, 6 * k);
}
