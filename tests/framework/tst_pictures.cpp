// The LCD symbol and bar-graph pictures on screens of any pixel ratio: each is drawn at 1x,
// 1.5x and 2x, and the picture for a screen is the one drawn for it, not an enlarged one.

#include "pages/framework/Pictures.h"

#include <QComboBox>
#include <QtTest>

namespace {

QString file(PictureList list, int index, const QString &suffix)
{
    return (list == PictureList::Symbols
                ? QStringLiteral(":/lcd/symbol%1").arg(index, 2, 10, QLatin1Char('0'))
                : QStringLiteral(":/lcd/bargraph%1").arg(index)) +
           suffix + QStringLiteral(".png");
}

// The pixels alone (Qt reads a ratio from "@2x" in a file name, not from "@1.5x").
QImage pixels(QImage image)
{
    image.setDevicePixelRatio(1);
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage pixels(const QPixmap &p)
{
    return pixels(p.toImage());
}

} // namespace

class PicturesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Loads the resources.
        QVERIFY(!picture(PictureList::Symbols, 0, 1).isNull());
    }

    // Every picture exists at every scale, with the pixels of that scale.
    void everyPictureAtEveryScale()
    {
        for (PictureList list : {PictureList::Symbols, PictureList::BarGraphs})
            for (int i = 0; i < pictureCount(list); ++i)
                for (const auto &[suffix, scale] :
                     {std::pair{"", 1.0}, {"@1.5x", 1.5}, {"@2x", 2.0}}) {
                    const QImage image(file(list, i, QString::fromLatin1(suffix)));
                    QVERIFY2(!image.isNull(), qPrintable(file(list, i, suffix)));
                    QCOMPARE(image.size(), QSize(qRound(30 * scale), qRound(20 * scale)));
                }
    }

    void chosenByPixelRatio_data()
    {
        QTest::addColumn<PictureList>("list");
        QTest::addColumn<int>("index");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QString>("drawnFor");
        QTest::newRow("100 %") << PictureList::Symbols << 1 << 1.0 << "";
        QTest::newRow("150 %") << PictureList::Symbols << 2 << 1.5 << "@1.5x";
        QTest::newRow("200 %") << PictureList::Symbols << 38 << 2.0 << "@2x";
        QTest::newRow("bar graph 200 %") << PictureList::BarGraphs << 2 << 2.0 << "@2x";
        QTest::newRow("bar graph 150 %") << PictureList::BarGraphs << 1 << 1.5 << "@1.5x";
        // Between two drawn scales the larger one, made smaller.
        QTest::newRow("125 %") << PictureList::Symbols << 8 << 1.25 << "@1.5x";
        QTest::newRow("300 %: the largest") << PictureList::Symbols << 57 << 3.0 << "@2x";
    }
    // The picture for a screen is the file drawn for it, in the picture's logical size; the
    // combo boxes of the pages show the same through their item icons.
    void chosenByPixelRatio()
    {
        QFETCH(PictureList, list);
        QFETCH(int, index);
        QFETCH(qreal, ratio);
        QFETCH(QString, drawnFor);
        const QImage expected = pixels(QImage(file(list, index, drawnFor)));
        const QPixmap p = picture(list, index, ratio);
        QCOMPARE(p.deviceIndependentSize(), QSizeF(30, 20));
        QCOMPARE(pixels(p), expected);
        if (ratio != qreal(int(ratio * 2)) / 2 || ratio > 2)
            return; // Qt scales the icon's nearest picture itself
        QComboBox combo;
        fillPictureCombo(&combo, list);
        const QPixmap shown = combo.itemIcon(index).pixmap(combo.iconSize(), ratio);
        QCOMPARE(shown.size(), expected.size());
        QCOMPARE(pixels(shown), expected);
        QCOMPARE(pixels(pictureIcon(list, index).pixmap(QSize(30, 20), ratio)), expected);
    }

    // A picture number from a device is brought into the list.
    void numbersOutsideTheListClamped()
    {
        QCOMPARE(pixels(picture(PictureList::Symbols, 59, 2)),
                 pixels(picture(PictureList::Symbols, 58, 2)));
        QCOMPARE(pixels(picture(PictureList::Symbols, -1, 1)),
                 pixels(picture(PictureList::Symbols, 0, 1)));
        QCOMPARE(pixels(pictureIcon(PictureList::BarGraphs, 9).pixmap(QSize(30, 20), 2)),
                 pixels(picture(PictureList::BarGraphs, 3, 2)));
    }
};

QTEST_MAIN(PicturesTest)
#include "tst_pictures.moc"
