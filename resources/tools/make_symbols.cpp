// Draws the LCD symbol pictures (59, 30 x 20, one per symbol number of the wall modules)
// and the four bar-graph pictures of the GWR1 start screen, each at 1x, 1.5x and 2x
// ("symbol07.png", "symbol07@1.5x.png", "symbol07@2x.png") so that a screen at 150 % or
// 200 % gets pixels drawn for it instead of enlarged ones. Build and run once (the PNGs
// are kept in the repository, listed in resources.qrc):
//   g++ -std=c++17 -fPIC make_symbols.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make_symbols
//   QT_QPA_PLATFORM=offscreen /tmp/make_symbols ../lcd
// Each symbol sits in the left 20 x 20 square; its number stands in the right column, so
// two similar pictures are never confused in a list.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

const QColor kInk(20, 30, 40);

void fan(QPainter &p, int speed)
{
    p.drawEllipse(QPointF(10, 10), 1.5, 1.5);
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.translate(10, 10);
        p.rotate(120 * i);
        p.drawEllipse(QRectF(-2, -8.5, 4, 7));
        p.restore();
    }
    for (int i = 0; i < speed; ++i)
        p.fillRect(QRectF(16 + 0, 16 - i * 4, 3, 3), kInk);
}

void house(QPainter &p)
{
    p.drawPolyline(QPolygonF({{2, 10}, {10, 3}, {18, 10}}));
    p.drawRect(QRectF(4.5, 10, 11, 8));
}

void person(QPainter &p)
{
    p.drawEllipse(QPointF(10, 5), 2.5, 2.5);
    p.drawLine(QPointF(10, 8), QPointF(10, 14));
    p.drawLine(QPointF(5, 10), QPointF(15, 10));
    p.drawLine(QPointF(10, 14), QPointF(6, 19));
    p.drawLine(QPointF(10, 14), QPointF(14, 19));
}

void drop(QPainter &p, double x, double scale)
{
    QPainterPath path;
    path.moveTo(x, 2 + (1 - scale) * 8);
    path.cubicTo(x + 7 * scale, 11, x + 6 * scale, 18, x, 18);
    path.cubicTo(x - 6 * scale, 18, x - 7 * scale, 11, x, 2 + (1 - scale) * 8);
    p.drawPath(path);
}

void bulb(QPainter &p, bool on)
{
    p.drawEllipse(QPointF(10, 8), 5, 5);
    p.drawRect(QRectF(7.5, 13, 5, 4));
    if (on)
        for (int i = 0; i < 5; ++i) {
            const double a = M_PI * (0.75 + 0.375 * i);
            p.drawLine(QPointF(10 + 6.5 * std::cos(a), 8 + 6.5 * std::sin(a)),
                       QPointF(10 + 9 * std::cos(a), 8 + 9 * std::sin(a)));
        }
}

void arrow(QPainter &p, int angle)
{
    p.save();
    p.translate(10, 10);
    p.rotate(angle);
    p.drawLine(QPointF(0, 7), QPointF(0, -7));
    p.drawPolyline(QPolygonF({{-5, -2}, {0, -7}, {5, -2}}));
    p.restore();
}

void levels(QPainter &p, int n)
{
    for (int i = 0; i < 5; ++i) {
        const QRectF bar(1 + i * 4, 17 - (i + 1) * 3, 3, (i + 1) * 3);
        if (i < n)
            p.fillRect(bar, kInk);
        else
            p.drawRect(bar);
    }
}

void drawSymbol(QPainter &p, int n)
{
    switch (n) {
    case 0: break; // nothing shown at the position
    case 1: { // moon
        QPainterPath m;
        m.addEllipse(QPointF(10, 10), 8, 8);
        QPainterPath cut;
        cut.addEllipse(QPointF(14, 7), 7, 7);
        p.fillPath(m.subtracted(cut), kInk);
        break;
    }
    case 2: // sun
        p.drawEllipse(QPointF(10, 10), 4, 4);
        for (int i = 0; i < 8; ++i) {
            const double a = M_PI / 4 * i;
            p.drawLine(QPointF(10 + 6 * std::cos(a), 10 + 6 * std::sin(a)),
                       QPointF(10 + 9 * std::cos(a), 10 + 9 * std::sin(a)));
        }
        break;
    case 3: // snowflake
        for (int i = 0; i < 3; ++i) {
            p.save();
            p.translate(10, 10);
            p.rotate(60 * i);
            p.drawLine(QPointF(0, -9), QPointF(0, 9));
            for (int s : {-1, 1}) {
                p.drawLine(QPointF(0, s * 5), QPointF(-3, s * 8));
                p.drawLine(QPointF(0, s * 5), QPointF(3, s * 8));
            }
            p.restore();
        }
        break;
    case 4: { // flame
        QPainterPath f;
        f.moveTo(10, 1);
        f.cubicTo(18, 8, 17, 19, 10, 19);
        f.cubicTo(3, 19, 2, 11, 7, 7);
        f.cubicTo(7, 11, 9, 12, 10, 12);
        f.cubicTo(9, 8, 9, 4, 10, 1);
        p.fillPath(f, kInk);
        break;
    }
    case 5: fan(p, 0); p.drawLine(QPointF(1, 19), QPointF(19, 1)); break; // fan off
    case 6: fan(p, 1); break;
    case 7: fan(p, 2); break;
    case 8: fan(p, 3); break;
    case 9: { // fan automatic
        fan(p, 0);
        QFont f = p.font();
        f.setPixelSize(8);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(13, 11, 8, 9), Qt::AlignCenter, QStringLiteral("A"));
        break;
    }
    case 10: house(p); break;
    case 11: // away from home
        house(p);
        p.drawLine(QPointF(7, 14), QPointF(19, 14));
        p.drawPolyline(QPolygonF({{16, 11}, {19, 14}, {16, 17}}));
        break;
    case 12: person(p); break;
    case 13: person(p); p.drawLine(QPointF(1, 1), QPointF(19, 19)); break; // nobody present
    case 14: // clock
        p.drawEllipse(QPointF(10, 10), 8, 8);
        p.drawLine(QPointF(10, 10), QPointF(10, 4));
        p.drawLine(QPointF(10, 10), QPointF(14, 12));
        break;
    case 15: drop(p, 10, 1); break;
    case 16: drop(p, 6, 0.7); drop(p, 14, 0.7); break;
    case 17: { // bell
        QPainterPath b;
        b.moveTo(4, 15);
        b.cubicTo(6, 13, 5, 3, 10, 3);
        b.cubicTo(15, 3, 14, 13, 16, 15);
        b.closeSubpath();
        p.drawPath(b);
        p.drawEllipse(QPointF(10, 17), 1.5, 1.5);
        break;
    }
    case 18: // locked
        p.drawRect(QRectF(4, 9, 12, 9));
        p.drawArc(QRectF(6, 3, 8, 12), 0, 180 * 16);
        break;
    case 19: // unlocked
        p.drawRect(QRectF(4, 9, 12, 9));
        p.drawArc(QRectF(10, 2, 8, 12), 0, 180 * 16);
        break;
    case 20: bulb(p, true); break;
    case 21: bulb(p, false); break;
    case 22: // window
        p.drawRect(QRectF(3, 2, 14, 16));
        p.drawLine(QPointF(10, 2), QPointF(10, 18));
        p.drawLine(QPointF(3, 10), QPointF(17, 10));
        break;
    case 23: // door
        p.drawRect(QRectF(5, 1, 10, 18));
        p.drawEllipse(QPointF(12.5, 10), 1, 1);
        break;
    case 24: // thermometer
        p.drawRoundedRect(QRectF(8, 1, 4, 13), 2, 2);
        p.drawEllipse(QPointF(10, 16), 3, 3);
        p.fillRect(QRectF(9, 7, 2, 8), kInk);
        break;
    case 25: arrow(p, 0); break;
    case 26: arrow(p, 180); break;
    case 27: arrow(p, 270); break;
    case 28: arrow(p, 90); break;
    case 29: p.drawPolyline(QPolygonF({{3, 10}, {8, 16}, {17, 3}})); break; // tick
    case 30: // cross
        p.drawLine(QPointF(3, 3), QPointF(17, 17));
        p.drawLine(QPointF(17, 3), QPointF(3, 17));
        break;
    case 31: // power
        p.drawArc(QRectF(3, 3, 14, 14), 120 * 16, -240 * 16);
        p.drawLine(QPointF(10, 1), QPointF(10, 9));
        break;
    case 32: // battery
        p.drawRect(QRectF(2, 6, 14, 8));
        p.fillRect(QRectF(16, 8, 2, 4), kInk);
        p.fillRect(QRectF(4, 8, 7, 4), kInk);
        break;
    case 33: // wrench
        p.drawEllipse(QPointF(14, 6), 4, 4);
        p.drawLine(QPointF(11, 9), QPointF(3, 17));
        break;
    case 34: { // leaf (economy)
        QPainterPath l;
        l.moveTo(3, 17);
        l.cubicTo(3, 5, 10, 3, 18, 2);
        l.cubicTo(17, 10, 14, 17, 3, 17);
        p.drawPath(l);
        p.drawLine(QPointF(3, 17), QPointF(12, 8));
        break;
    }
    case 35: p.drawLine(QPointF(10, 3), QPointF(10, 17)); p.drawLine(QPointF(3, 10), QPointF(17, 10)); break;
    case 36: p.drawLine(QPointF(3, 10), QPointF(17, 10)); break;
    case 37: { // heart
        QPainterPath h;
        h.moveTo(10, 18);
        h.cubicTo(0, 10, 3, 1, 10, 6);
        h.cubicTo(17, 1, 20, 10, 10, 18);
        p.fillPath(h, kInk);
        break;
    }
    case 38: { // star
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            const double r = i % 2 ? 3.5 : 9;
            const double a = -M_PI / 2 + M_PI / 5 * i;
            star << QPointF(10 + r * std::cos(a), 10.5 + r * std::sin(a));
        }
        p.setBrush(kInk);
        p.drawPolygon(star);
        p.setBrush(Qt::NoBrush);
        break;
    }
    case 39: p.drawEllipse(QPointF(10, 10), 7, 7); break;
    case 40: p.setBrush(kInk); p.drawEllipse(QPointF(10, 10), 7, 7); p.setBrush(Qt::NoBrush); break;
    case 41: case 42: case 43: case 44: case 45: levels(p, n - 40); break;
    case 46: // waves (hot water)
        for (int row = 0; row < 3; ++row) {
            QPainterPath w;
            w.moveTo(2, 5 + row * 5);
            w.cubicTo(6, 2 + row * 5, 8, 8 + row * 5, 11, 5 + row * 5);
            w.cubicTo(14, 2 + row * 5, 16, 8 + row * 5, 19, 5 + row * 5);
            p.drawPath(w);
        }
        break;
    case 47: // cloud
        p.setBrush(kInk);
        p.drawEllipse(QPointF(7, 12), 5, 4);
        p.drawEllipse(QPointF(12, 9), 5, 5);
        p.drawEllipse(QPointF(15, 13), 4, 3);
        p.setBrush(Qt::NoBrush);
        break;
    case 48: // rain
        p.setBrush(kInk);
        p.drawEllipse(QPointF(8, 7), 5, 4);
        p.drawEllipse(QPointF(13, 7), 5, 4);
        p.setBrush(Qt::NoBrush);
        for (int x : {5, 10, 15})
            p.drawLine(QPointF(x, 13), QPointF(x - 2, 18));
        break;
    case 49: // wind
        p.drawLine(QPointF(2, 6), QPointF(14, 6));
        p.drawArc(QRectF(12, 2, 5, 4), -90 * 16, 270 * 16);
        p.drawLine(QPointF(2, 11), QPointF(17, 11));
        p.drawLine(QPointF(2, 16), QPointF(11, 16));
        break;
    case 50: // bed
        p.drawLine(QPointF(2, 5), QPointF(2, 18));
        p.drawLine(QPointF(2, 14), QPointF(18, 14));
        p.drawLine(QPointF(18, 10), QPointF(18, 18));
        p.drawRect(QRectF(8, 10, 10, 4));
        p.drawEllipse(QPointF(5, 11), 1.8, 1.8);
        break;
    case 51: // cup
        p.drawRect(QRectF(3, 7, 10, 10));
        p.drawArc(QRectF(11, 9, 6, 6), -90 * 16, 180 * 16);
        p.drawLine(QPointF(6, 2), QPointF(6, 5));
        p.drawLine(QPointF(10, 2), QPointF(10, 5));
        break;
    case 52: case 53: // speaker, muted
        p.drawPolygon(QPolygonF({{2, 7}, {6, 7}, {11, 3}, {11, 17}, {6, 13}, {2, 13}}));
        if (n == 52) {
            p.drawArc(QRectF(9, 6, 6, 8), -60 * 16, 120 * 16);
            p.drawArc(QRectF(9, 3, 10, 14), -60 * 16, 120 * 16);
        } else {
            p.drawLine(QPointF(13, 7), QPointF(19, 13));
            p.drawLine(QPointF(19, 7), QPointF(13, 13));
        }
        break;
    case 54: // envelope
        p.drawRect(QRectF(2, 4, 16, 12));
        p.drawPolyline(QPolygonF({{2, 4}, {10, 11}, {18, 4}}));
        break;
    case 55: // phone
        p.drawRoundedRect(QRectF(6, 1, 8, 18), 1.5, 1.5);
        p.drawLine(QPointF(8, 16), QPointF(12, 16));
        break;
    case 56: // warning
        p.drawPolygon(QPolygonF({{10, 2}, {19, 18}, {1, 18}}));
        p.drawLine(QPointF(10, 7), QPointF(10, 13));
        p.drawPoint(QPointF(10, 15.5));
        break;
    default: { // 57 question, 58 information
        QFont f = p.font();
        f.setPixelSize(16);
        f.setBold(true);
        p.setFont(f);
        p.drawEllipse(QPointF(10, 10), 8.5, 8.5);
        p.drawText(QRectF(0, 0, 20, 20), Qt::AlignCenter,
                   n == 57 ? QStringLiteral("?") : QStringLiteral("i"));
        break;
    }
    }
}

void drawBarGraph(QPainter &p, int kind)
{
    p.drawRect(QRectF(0.5, 0.5, 29, 19));
    switch (kind) {
    case 0: // none
        p.drawLine(QPointF(8, 10), QPointF(22, 10));
        break;
    case 1: // relative: from the middle both ways
        p.drawLine(QPointF(15, 3), QPointF(15, 17));
        p.fillRect(QRectF(15, 7, 9, 6), kInk);
        p.drawRect(QRectF(5, 7, 10, 6));
        break;
    case 2: // absolute: rising from the left
        for (int i = 0; i < 6; ++i)
            p.fillRect(QRectF(3 + i * 4, 16 - (i + 1) * 2, 3, (i + 1) * 2), kInk);
        break;
    default: // constant
        for (int i = 0; i < 6; ++i)
            p.fillRect(QRectF(3 + i * 4, 8, 3, 6), kInk);
        break;
    }
}

// A white picture of 30 x 20 units at `scale` pixels a unit, the painter set to units.
QImage canvas(double scale)
{
    QImage image(qRound(30 * scale), qRound(20 * scale), QImage::Format_ARGB32);
    image.fill(Qt::white);
    return image;
}

QString fileName(const QString &stem, double scale)
{
    if (scale == 1)
        return stem + QStringLiteral(".png");
    return stem + QLatin1Char('@') + QString::number(scale) + QStringLiteral("x.png");
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (double scale : {1.0, 1.5, 2.0}) {
        for (int n = 0; n < 59; ++n) {
            QImage image = canvas(scale);
            QPainter p(&image);
            p.scale(scale, scale);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            drawSymbol(p, n);
            QFont f = p.font();
            f.setPixelSize(8);
            f.setBold(false);
            p.setFont(f);
            p.setPen(QColor(90, 90, 160));
            p.drawText(QRectF(20, 0, 10, 20), Qt::AlignCenter, QString::number(n));
            p.end();
            const QString stem = QStringLiteral("symbol%1").arg(n, 2, 10, QLatin1Char('0'));
            if (!image.save(out.filePath(fileName(stem, scale))))
                return 1;
        }
        for (int k = 0; k < 4; ++k) {
            QImage image = canvas(scale);
            QPainter p(&image);
            p.scale(scale, scale);
            // Straight lines on whole pixels: no antialiasing, a pen of whole pixels.
            p.setPen(QPen(kInk, std::round(scale) / scale));
            drawBarGraph(p, k);
            p.end();
            if (!image.save(out.filePath(fileName(QStringLiteral("bargraph%1").arg(k), scale))))
                return 1;
        }
    }
    return 0;
}
