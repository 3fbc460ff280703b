#include "platform/CodePage.h"

#include <QSet>
#include <QtTest>

class tst_CodePage : public QObject
{
    Q_OBJECT

private slots:
    void czechLettersHaveTheirWindows1250Codes()
    {
        // Codes of the existing installations' files and device texts.
        const QString lower = QString::fromUtf8("ěščřžýáíéúůťďňó");
        const QString upper = QString::fromUtf8("ĚŠČŘŽÝÁÍÉÚŮŤĎŇÓ");
        const QByteArray lowerBytes("\xEC\x9A\xE8\xF8\x9E\xFD\xE1\xED\xE9\xFA\xF9\x9D\xEF\xF2\xF3");
        const QByteArray upperBytes("\xCC\x8A\xC8\xD8\x8E\xDD\xC1\xCD\xC9\xDA\xD9\x8D\xCF\xD2\xD3");
        QCOMPARE(toWindows1250(lower), lowerBytes);
        QCOMPARE(toWindows1250(upper), upperBytes);
        QCOMPARE(fromWindows1250(lowerBytes), lower);
        QCOMPARE(fromWindows1250(upperBytes), upper);
        QCOMPARE(toWindows1250(QString::fromUtf8("°C € „ok“")), QByteArray("\xB0"
                                                                           "C \x80 \x84ok\x93"));
    }

    void everyDefinedByteRoundTrips()
    {
        QSet<QChar> seen;
        for (int b = 0; b < 256; ++b) {
            const QByteArray byte(1, char(b));
            const QString text = fromWindows1250(byte);
            QCOMPARE(text.size(), 1);
            const bool undefined = b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98;
            if (undefined) {
                // Undefined bytes read as U+FFFD and are written as '?'.
                QCOMPARE(text.at(0), QChar(0xFFFD));
                QCOMPARE(toWindows1250(text), QByteArray("?"));
                continue;
            }
            QVERIFY2(!seen.contains(text.at(0)), qPrintable(QString::number(b, 16)));
            seen.insert(text.at(0));
            QCOMPARE(toWindows1250(text), byte);
            if (b < 0x80)
                QCOMPARE(text.at(0).unicode(), char16_t(b));
        }
        QCOMPARE(seen.size(), 251);
    }

    void charactersWithoutACodeBecomeQuestionMarks()
    {
        QCOMPARE(toWindows1250(QString::fromUtf8("ñæ日")), QByteArray("???"));
        // A character outside the BMP is one character, so one '?'.
        QCOMPARE(toWindows1250(QString::fromUtf8("a😀b")), QByteArray("a?b"));
        // Lone surrogates, C1 controls and U+FFFD have no code either.
        QCOMPARE(toWindows1250(QString(QChar(0xD800)) + QChar(0xDC00) + QChar(0xDC00)),
                 QByteArray("??"));
        QCOMPARE(toWindows1250(QString(QChar(0xD83D))), QByteArray("?"));
        QCOMPARE(toWindows1250(QString(QChar(0x0081)) + QChar(0xFFFD)), QByteArray("??"));
        QCOMPARE(toWindows1250(QString()), QByteArray());
        QCOMPARE(fromWindows1250(QByteArray()), QString());
        // NULs are characters like any other (the customer text pads with them).
        QCOMPARE(toWindows1250(QString(QChar(0)) + "A"), QByteArray("\0A", 2));
        QCOMPARE(fromWindows1250(QByteArray("\0A", 2)), QString(QChar(0)) + "A");
    }
};

QTEST_GUILESS_MAIN(tst_CodePage)
#include "tst_codepage.moc"
