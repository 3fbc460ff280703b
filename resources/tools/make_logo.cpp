// Draws the Torvak logo used by the main window and the About box.
// Build and run once (the JPEG is kept in the repository):
//   g++ -std=c++17 -fPIC make_logo.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make_logo
//   QT_QPA_PLATFORM=offscreen /tmp/make_logo ../logo.jpg
#include "Dial.h"

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;

    // The introduction panel's grey, so the picture blends in like a transparent one.
    const QColor panel(200, 200, 200);
    const QColor navy = kLogoNavy;
    const QColor red = kLogoRed;

    QImage image(270, 141, QImage::Format_RGB32);
    image.fill(panel);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    drawDial(p, QPointF(62, 70), 46);

    QFont word(QStringLiteral("Liberation Sans"));
    word.setPixelSize(33);
    word.setBold(true);
    word.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    p.setFont(word);
    p.setPen(navy);
    p.drawText(QRectF(120, 30, 150, 46), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TORVAK"));

    p.fillRect(QRectF(121, 78, 136, 4), red);

    QFont sub(QStringLiteral("Liberation Sans"));
    sub.setPixelSize(17);
    p.setFont(sub);
    p.setPen(navy);
    p.drawText(QRectF(121, 86, 149, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("měření a regulace"));
    p.end();

    return image.save(QString::fromLocal8Bit(argv[1]), "JPEG", 92) ? 0 : 1;
}
