// Draws the program's icon (the logo's dial) in the usual sizes of the hicolor theme.
// Build and run once (the PNGs are kept in the repository):
//   g++ -std=c++17 -fPIC make_icons.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make_icons
//   QT_QPA_PLATFORM=offscreen /tmp/make_icons ../icons
#include "Dial.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    // Besides the sizes of the hicolor theme, the ones a screen at 125 %, 150 % or 200 % asks
    // for the 16, 24, 32 and 48 of the window frames and lists (20, 36, 40, 72, 96).
    for (int size : {16, 20, 24, 32, 36, 40, 48, 64, 72, 96, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        // The ring's pen reaches 3.5 units outside the radius of 46.
        const double radius = size / 2.0 * 46.0 / 50.0;
        drawDial(p, QPointF(size / 2.0, size / 2.0), radius);
        p.end();
        if (!image.save(out.filePath(QStringLiteral("ovrin-%1.png").arg(size))))
            return 1;
    }
    return 0;
}
